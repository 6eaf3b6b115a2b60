#include "app/paint_program.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>


namespace kivo {

namespace {

constexpr std::string_view kStandard[] = {"kolourpaint", "pinta", "mtpaint", "gimp", "krita"};

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::span<const std::string_view> StandardPaintPrograms() { return kStandard; }

std::string FindOnPath(std::string_view name, std::string_view pathVariable) {
    if (name.empty() || name.find('/') != std::string_view::npos) return {};
    size_t start = 0;
    while (start <= pathVariable.size()) {
        size_t end = pathVariable.find(':', start);
        if (end == std::string_view::npos) end = pathVariable.size();
        std::string folder(pathVariable.substr(start, end - start));
        if (folder.empty()) folder = ".";
        std::string candidate = folder + "/" + std::string(name);
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

std::string FindStandardPaintProgram(std::string_view pathVariable) {
    for (std::string_view name : kStandard)
        if (std::string found = FindOnPath(name, pathVariable); !found.empty()) return found;
    return {};
}

PaintProgramChoice ChoosePaintProgram(std::string_view pathVariable, const WriteOptions& options) {
    PaintProgramChoice choice;
    if (options.UseStandardPaint) {
        choice.program = FindStandardPaintProgram(pathVariable);
        if (choice.program.empty()) {
            std::string names;
            for (std::string_view name : kStandard) names += (names.empty() ? "" : ", ") + std::string(name);
            choice.problem = "ペイントツール(" + names + ")が見つかりません。";
        }
        return choice;
    }
    const std::string& configured = options.PaintProgramPath;
    if (configured.find('/') != std::string::npos) {
        if (IsExecutableFile(configured)) choice.program = configured;
    } else {
        choice.program = FindOnPath(configured, pathVariable);
    }
    if (choice.program.empty()) choice.problem = configured + "\rソフトが見つかりません。";
    return choice;
}

bool ProcessRunning(int64_t pid) {
    if (pid <= 0) return false;
    if (kill(pid_t(pid), 0) != 0 && errno != EPERM) return false;
    // "pid (name) S ...": the state follows the last ')', as the name may hold one.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return true;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

}  // namespace kivo
