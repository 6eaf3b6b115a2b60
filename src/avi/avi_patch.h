// A repair of finished AVI files whose movie list does not start where their
// first video chunk does: a JUNK chunk header directly followed by the movie
// list's header, the list padded up to the first "00db" chunk. Some system
// AVI writers left files like that, which players misread. The repair makes the
// padding one JUNK chunk, moves the list header right before the first chunk
// and moves the index's offsets with it.
#pragma once

#include <string>

namespace kivo {

// 1 (true) when the file needed no repair or was repaired; 0 when it is no AVI
// of the expected layout or the repair could not be completed. Every check is
// made before the first byte is written, so a refused file stays as it was.
bool PatchAviMoviList(const std::string& path);

// Whether the AVI files this platform writes need PatchAviMoviList. FFmpeg's
// muxer never leaves that layout, so never here.
constexpr bool AviMoviListRepairWanted() { return false; }

}  // namespace kivo
