// The libjpeg binding: the error manager shared by reader and writer, and
// the one-time check that the library linked in agrees with our headers
// (structure size, ABI and the defaults the writer relies on).
#include "io/jpeg_p.h"
#include "tavrel.h"

#include <tcl.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <jerror.h>

namespace tav {
namespace {

[[noreturn]] void trap_error_exit(j_common_ptr cinfo) {
    // The manager is the first member of its trap.
    longjmp(reinterpret_cast<JpegErrorTrap *>(cinfo->err)->jump, 1);
}
void trap_emit_message(j_common_ptr, int) {}
void trap_output_message(j_common_ptr) {}
void trap_format_message(j_common_ptr, char *buffer) { buffer[0] = '\0'; }
void trap_reset(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

// 1 usable, -1 not, 0 not decided yet.
std::atomic<int> library_state{0};
Tcl_Mutex library_mutex;

[[noreturn]] void fail(j_compress_ptr cinfo, int code) {
    cinfo->err->msg_code = code;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    std::abort();  // error_exit does not return
}

// Creates a compressor in a block larger than the structure, checks that
// creation stayed inside it, and that jpeg_set_defaults restores what it
// should.  Any mismatch is raised as a libjpeg error.
int check_library() {
    alignas(std::max_align_t) unsigned char block[8 * sizeof(jpeg_compress_struct)];
    std::memset(block, 0, sizeof block);
    auto *const cinfo = reinterpret_cast<jpeg_compress_struct *>(block);
    unsigned char *const guard = block + sizeof(jpeg_compress_struct);
    *guard = 53;
    JpegErrorTrap trap;
    cinfo->err = jpeg_trap_errors(&trap);
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(cinfo);
        return -1;
    }
    jpeg_CreateCompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
    if (*guard != 53) fail(cinfo, JERR_BAD_STRUCT_SIZE);
    cinfo->image_width = 16;
    cinfo->image_height = 16;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    cinfo->data_precision = -1;
    cinfo->optimize_coding = TRUE;
    cinfo->dct_method = JDCT_FLOAT;
    cinfo->X_density = cinfo->Y_density = 0;
    jpeg_set_defaults(cinfo);
    if (cinfo->data_precision != 8 || cinfo->optimize_coding || cinfo->dct_method != JDCT_ISLOW ||
        cinfo->X_density != 1 || cinfo->Y_density != 1)
        fail(cinfo, JERR_BAD_LIB_VERSION);
    for (int i = 0; i < NUM_ARITH_TBLS; ++i)
        if (cinfo->arith_dc_L[i] != 0 || cinfo->arith_dc_U[i] != 1 || cinfo->arith_ac_K[i] != 5)
            fail(cinfo, JERR_BAD_LIB_VERSION);
    jpeg_destroy_compress(cinfo);
    return 1;
}

}  // namespace

jpeg_error_mgr *jpeg_trap_errors(JpegErrorTrap *trap) {
    jpeg_error_mgr *m = &trap->manager;
    std::memset(m, 0, sizeof *m);
    m->error_exit = trap_error_exit;
    m->emit_message = trap_emit_message;
    m->output_message = trap_output_message;
    m->format_message = trap_format_message;
    m->reset_error_mgr = trap_reset;
    m->trace_level = 0;
    return m;
}

}  // namespace tav

extern "C" {

int load_jpeg_library(void) {
    using namespace tav;
    int state = library_state.load(std::memory_order_acquire);
    if (state != 0) return state;
    Tcl_MutexLock(&library_mutex);
    state = library_state.load(std::memory_order_relaxed);
    if (state == 0) {
        state = check_library();
        library_state.store(state, std::memory_order_release);
    }
    Tcl_MutexUnlock(&library_mutex);
    return state;
}

// libjpeg is linked, not loaded at run time: nothing to load or unload.
int LoadDLL(void) { return 0; }
int CloseDLL(void) { return 0; }

}  // extern "C"
