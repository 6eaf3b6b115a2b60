/* The giflib way of reading a whole animation into 24-bit pictures, for
 * bench/compare_gif_read.sh: DGifSlurp, then every image's indices looked up in
 * its palette into a blue, green, red buffer that is kept, as an editor would. */
#include <gif_lib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    int err = 0;
    GifFileType* gif = DGifOpenFileName(argv[1], &err);
    if (!gif || DGifSlurp(gif) != GIF_OK) return 1;
    unsigned char** frames = calloc((size_t)gif->ImageCount + 1, sizeof *frames);
    size_t total = 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage* s = &gif->SavedImages[i];
        const ColorMapObject* map = s->ImageDesc.ColorMap ? s->ImageDesc.ColorMap : gif->SColorMap;
        const size_t n = (size_t)s->ImageDesc.Width * (size_t)s->ImageDesc.Height;
        unsigned char* out = malloc(n * 3 + 1);
        if (!out || !map) return 1;
        for (size_t p = 0; p < n; ++p) {
            int idx = s->RasterBits[p];
            GifColorType c = idx < map->ColorCount ? map->Colors[idx] : (GifColorType){0, 0, 0};
            out[3 * p] = c.Blue;
            out[3 * p + 1] = c.Green;
            out[3 * p + 2] = c.Red;
        }
        frames[i] = out;
        total += n * 3;
    }
    printf("%d images, %zu bytes of 24-bit pictures\n", gif->ImageCount, total);
    for (int i = 0; i < gif->ImageCount; ++i) free(frames[i]);
    free(frames);
    DGifCloseFile(gif, &err);
    return 0;
}
