// Private parts of the JPEG binding: the error manager that turns every
// libjpeg error into a longjmp back to the calling function.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE

#include <csetjmp>

#include <jpeglib.h>

namespace tav {

// One per libjpeg call, on the caller's stack.  Both members are trivially
// destructible, so a longjmp back to `jump` skips nothing that needs to run.
struct JpegErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

// Fills the manager: errors jump to trap->jump with value 1, messages are
// swallowed.  Returns the manager for the structure's `err` field.
jpeg_error_mgr *jpeg_trap_errors(JpegErrorTrap *trap);

}  // namespace tav
