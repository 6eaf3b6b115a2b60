// Which program edits a frame: the one chosen in the other-options dialog, or
// the first of the common Linux paint programs found on PATH.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "options/write_options.h"

namespace kivo {

// Looked for in this order: small and quick to start first.
std::span<const std::string_view> StandardPaintPrograms();

// The first executable regular file called name in the ':'-separated folders
// of pathVariable (an empty entry is the current folder); empty when none.
std::string FindOnPath(std::string_view name, std::string_view pathVariable);

// The first standard paint program on the path; empty when none is installed.
std::string FindStandardPaintProgram(std::string_view pathVariable);

struct PaintProgramChoice {
    std::string program;  // full path of the executable
    std::string problem;  // why there is none: the message to show
};

// By the options' UseStandardPaint and PaintProgramPath. A configured program is a path to an executable, or a bare name
// looked up on the path.
PaintProgramChoice ChoosePaintProgram(std::string_view pathVariable,
                                      const WriteOptions& options);

// Whether the started program still runs. It is started detached (it must
// outlive a cancelled wait and the editor itself), so it is not our child: an
// ended one may linger as a zombie until it is reaped, which counts as ended.
bool ProcessRunning(int64_t pid);

}  // namespace kivo
