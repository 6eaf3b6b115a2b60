// Median-cut colour quantizer with Floyd-Steinberg mapping. Two forms: a one-shot
// reduction of one image, and an incremental Quantizer object that counts the
// rows of several images into one histogram, chooses one palette for all of them
// and then maps each image in turn. Each object is its own, so two reductions
// (two saves, two threads) never share a histogram.
//
// Pixels are blue, green, red bytes. Mapping always dithers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kivo {

// Palette chosen by the quantizer: entry i is (red[i], green[i], blue[i]). Each
// array has at least the wanted number of entries; entries past the colours
// actually produced stay black.
struct ColorMap {
    std::vector<uint8_t> red, green, blue;
};

// Reduces a bottom-up 24-bit image (rows ((width * 3 + 3) & ~3) bytes apart) to
// at most n colours (1..256), writing width * height indices to out, top row
// first. nullptr when memory runs out or the arguments are out of range.
std::unique_ptr<ColorMap> QuantizeImage(int width, int height, int n, const uint8_t* bits,
                                        uint8_t* out);
void FreeColorMap(std::unique_ptr<ColorMap>& map);

namespace quant {
struct ColorQuantizer;
}

// One incremental reduction. Begin starts it afresh (dropping what the object
// held); false on bad arguments or when memory runs out. Every other call does
// nothing while the object holds no reduction (before Begin, after a failed
// Begin or after End); the reduction also ends with the object.
class Quantizer {
public:
    Quantizer();
    ~Quantizer();
    Quantizer(const Quantizer&) = delete;
    Quantizer& operator=(const Quantizer&) = delete;

    bool Begin(int width, int n);
    // Rows from now on are `width` pixels, at most the width given to Begin (a
    // larger or negative width is ignored).
    void SetRowWidth(int width);
    // Counts one row of exactly `width` pixels.
    void AddRow(const uint8_t* row);
    // Counts `count` copies of one row, as many AddRow calls would, at the cost
    // of one (the black rows above a frame placed low on a large screen).
    void AddRows(const uint8_t* row, int count);
    // Counts `count` black pixels, as rows holding them would (the screen
    // beyond rows narrower than it).
    void AddBlack(uint64_t count);
    // Chooses the colours and prepares mapping (first row left to right).
    void SelectColors();
    // Before mapping another image with the same palette: clears the carried
    // error and restarts the scan direction; the nearest-colour cache is kept.
    void RestartMapping();
    // Maps one row of `width` pixels to `width` indices, rows given top first.
    void MapRow(const uint8_t* row, uint8_t* out);
    // Maps `count` copies of one row, leaving the carried error, the scan
    // direction and out (the last copy's indices) as that many MapRow calls
    // would. Once the error pattern repeats every two rows the rest are not
    // mapped again.
    void MapRows(const uint8_t* row, uint8_t* out, int count);
    // The chosen colours, or nullptr while no reduction is held.
    const ColorMap* Colors() const;
    // Number of colours actually chosen (0 while no reduction is held).
    int ColorCount() const;
    void End();

private:
    std::unique_ptr<quant::ColorQuantizer> state_;
};

}  // namespace kivo
