// libjpeg's standard error manager, wired to the engine: a fatal error returns to
// the caller through longjmp instead of ending the program (libjpeg's own error
// exit calls exit()), and what the library says is kept for the caller, who
// turns it into its error value.
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


namespace kivo {

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf jump;
    // Why the conversion ended: the caller's own cause (FailJpeg), or 0 with the
    // library's text in `message`. Fixed buffers: they are filled inside
    // libjpeg's C frames, where nothing may allocate or throw.
    int cause;
    char message[JMSG_LENGTH_MAX];
    // The library's first warning (it passes on no more at the default trace
    // level); empty when there was none.
    char warning[JMSG_LENGTH_MAX];
};

// Sets up the manager for one conversion and returns what cinfo.err takes. The
// error exit formats the message into manager.message and jumps to
// manager.jump; warnings are kept in manager.warning.
jpeg_error_mgr* InitJpegErrors(JpegErrorManager& manager);

// Ends the conversion for a cause of the caller's own (not 0), as the library's
// error exit would.
[[noreturn]] void FailJpeg(j_common_ptr cinfo, int cause);

// The library's text for a message code that takes no parameters.
const char* JpegLibraryText(int code);

}  // namespace kivo
