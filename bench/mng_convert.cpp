// Converts between GIF and MNG through the engine alone, without the command
// line front end: the whole-program step that compare_mng.sh times and measures.
//   mng_convert IN.gif OUT.mng      mng_convert IN.mng OUT.gif
#include <cstdio>
#include <string>

#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "mng/mng_reader.h"
#include "mng/mng_writer.h"

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mng_convert IN.gif OUT.mng | IN.mng OUT.gif\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    std::unique_ptr<kivo::AnimDoc> doc;
    doc = EndsWith(in, ".mng") ? kivo::ReadMng(nullptr, in) : kivo::ReadGif(nullptr, in);
    if (!doc) return 1;
    kivo::WriteOptions options;
    const bool ok = EndsWith(out, ".mng") ? kivo::WriteMng(nullptr, out, *doc, options)
                                           : kivo::WriteGif(nullptr, out, *doc, options);
    return ok ? 0 : 1;
}
