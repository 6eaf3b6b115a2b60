// libjpeg's standard error manager, wired to the engine: messages go to ShowError,
// and a fatal error returns to the caller through longjmp instead of ending the
// program (libjpeg's own error exit calls exit()).
//
// The function that calls setjmp(manager.jump) must own nothing with a
// destructor and keep all state that outlives the jump outside its own frame:
// the jump leaves libjpeg's frames and ours without unwinding them.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers

#include <jpeglib.h>
#include <jerror.h>

#include "platform/platform.h"

namespace kivo {

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf jump;
    OwnerWindow owner;
    // The text of the error that ended the conversion, for the caller to show
    // once it is back in its own frames.
    char message[JMSG_LENGTH_MAX];
};

// Sets up the manager for one conversion and returns what cinfo.err takes.
// Warnings and notes reach ShowError through libjpeg's message output, which
// shows only the first warning of a conversion; the error exit formats the
// message into manager.message and jumps to manager.jump.
jpeg_error_mgr* InitJpegErrors(JpegErrorManager& manager, OwnerWindow owner);

// Ends the conversion with our own message, as the library's error exit would.
[[noreturn]] void FailJpeg(j_common_ptr cinfo, const char* text);

// The library's text for a message code that takes no parameters.
const char* JpegLibraryText(int code);

}  // namespace kivo
