#include "jpeg/jpeg_errors.h"

#include <cstring>

namespace kivo {

namespace {

JpegErrorManager& ManagerOf(j_common_ptr cinfo) {
    return *reinterpret_cast<JpegErrorManager*>(cinfo->err);
}

void ShowLibraryMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    // Called from inside libjpeg's C frames: nothing may be thrown through them.
    try {
        ShowError(ManagerOf(cinfo).owner, text);
    } catch (...) {
    }
}

[[noreturn]] void ExitToCaller(j_common_ptr cinfo) {
    JpegErrorManager& manager = ManagerOf(cinfo);
    (*cinfo->err->format_message)(cinfo, manager.message);
    std::longjmp(manager.jump, 1);
}

}  // namespace

jpeg_error_mgr* InitJpegErrors(JpegErrorManager& manager, OwnerWindow owner) {
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = ExitToCaller;
    manager.pub.output_message = ShowLibraryMessage;
    manager.owner = owner;
    manager.message[0] = '\0';
    return &manager.pub;
}

void FailJpeg(j_common_ptr cinfo, const char* text) {
    JpegErrorManager& manager = ManagerOf(cinfo);
    std::strncpy(manager.message, text, sizeof manager.message - 1);
    manager.message[sizeof manager.message - 1] = '\0';
    std::longjmp(manager.jump, 1);
}

const char* JpegLibraryText(int code) {
    jpeg_error_mgr table;
    jpeg_std_error(&table);
    if (code <= 0 || code > table.last_jpeg_message) return "";
    return table.jpeg_message_table[code];
}

}  // namespace kivo
