#pragma once
// libjpeg's default error handler prints to stderr and ends the process. Every
// use of libjpeg in the library installs this one instead: it stays silent and
// jumps back to the caller's setjmp with libjpeg's message.
//
//   TJpegErrors errors;
//   cinfo.err = InstallJpegErrors(errors);
//   if (setjmp(errors.Escape)) { ...destroy cinfo, report errors.Message... }
//
// setjmp has to be called in the frame that uses libjpeg, so only plain C data
// may live in that frame: the jump runs no destructors.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace ostrel {

struct TJpegErrors {
  jpeg_error_mgr Base;
  std::jmp_buf Escape;
  char Message[JMSG_LENGTH_MAX];
};

// Fills in libjpeg's standard manager with our exit and message handlers and
// clears the message; the result goes into cinfo.err.
jpeg_error_mgr* InstallJpegErrors(TJpegErrors& errors);

}  // namespace ostrel
