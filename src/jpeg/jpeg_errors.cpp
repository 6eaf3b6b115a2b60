#include "jpeg/jpeg_errors.h"

namespace kivo {

namespace {

JpegErrorManager& ManagerOf(j_common_ptr cinfo) {
    return *reinterpret_cast<JpegErrorManager*>(cinfo->err);
}

void KeepWarning(j_common_ptr cinfo) {
    JpegErrorManager& manager = ManagerOf(cinfo);
    if (!manager.warning[0]) (*cinfo->err->format_message)(cinfo, manager.warning);
}

[[noreturn]] void ExitToCaller(j_common_ptr cinfo) {
    JpegErrorManager& manager = ManagerOf(cinfo);
    (*cinfo->err->format_message)(cinfo, manager.message);
    std::longjmp(manager.jump, 1);
}

}  // namespace

jpeg_error_mgr* InitJpegErrors(JpegErrorManager& manager) {
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = ExitToCaller;
    manager.pub.output_message = KeepWarning;
    manager.cause = 0;
    manager.message[0] = '\0';
    manager.warning[0] = '\0';
    return &manager.pub;
}

void FailJpeg(j_common_ptr cinfo, int cause) {
    ManagerOf(cinfo).cause = cause;
    std::longjmp(ManagerOf(cinfo).jump, 1);
}

const char* JpegLibraryText(int code) {
    jpeg_error_mgr table;
    jpeg_std_error(&table);
    if (code <= 0 || code > table.last_jpeg_message) return "";
    return table.jpeg_message_table[code];
}

}  // namespace kivo
