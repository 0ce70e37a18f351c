// The library's heap: everything goes through the Tcl allocator so that
// blocks handed to callers can be released with TavFree (or Tcl_Free).
#include "core/memory_p.h"

#include <tcl.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// A C host may use the image functions without ever starting Tcl; until the
// package is loaded, Tcl's allocator is out of reach and the C library's
// serves instead.
[[maybe_unused]] bool tcl_allocator_ready() {
#ifdef USE_TCL_STUBS
    return tclStubsPtr != nullptr;
#else
    return true;
#endif
}

void *system_alloc(unsigned int size) {
    void *p = std::malloc(size ? size : 1);
    if (!p) std::abort();
    return p;
}

}  // namespace

extern "C" {

void *TavAlloc(unsigned int size) {
#ifdef TAVREL_SYSTEM_MALLOC
    return system_alloc(size);
#else
    return tcl_allocator_ready() ? Tcl_Alloc(size) : system_alloc(size);
#endif
}

void TavFree(void *ptr) {
    if (!ptr) return;
#ifdef TAVREL_SYSTEM_MALLOC
    std::free(ptr);
#else
    if (tcl_allocator_ready()) Tcl_Free(static_cast<char *>(ptr));
    else std::free(ptr);
#endif
}

char *TavStrdup(const char *text) {
    if (!text) return nullptr;
    size_t len = std::strlen(text);
    char *copy = static_cast<char *>(TavAlloc(static_cast<unsigned int>(len + 1)));
    std::memcpy(copy, text, len + 1);
    return copy;
}

}  // extern "C"

namespace tav {

void *attempt_alloc(size_t size) {
    // Tcl's allocator counts in unsigned int; anything larger is refused here.
    if (size > UINT_MAX - 64) return nullptr;
#ifdef TAVREL_SYSTEM_MALLOC
    return std::malloc(size ? size : 1);
#else
    if (!tcl_allocator_ready()) return std::malloc(size ? size : 1);
    return Tcl_AttemptAlloc(static_cast<unsigned int>(size));
#endif
}

void *attempt_realloc(void *block, size_t size) {
    if (size > UINT_MAX - 64) return nullptr;
#ifdef TAVREL_SYSTEM_MALLOC
    return std::realloc(block, size ? size : 1);
#else
    if (!tcl_allocator_ready()) return std::realloc(block, size ? size : 1);
    return Tcl_AttemptRealloc(static_cast<char *>(block), static_cast<unsigned int>(size));
#endif
}

void *attempt_zeroed_pixels(size_t size) {
    // The same bound as every other block of the library.
    if (size > UINT_MAX - 64) return nullptr;
    return std::calloc(size ? size : 1, 1);
}

void *attempt_unzeroed_pixels(size_t size) {
    if (size > UINT_MAX - 64) return nullptr;
    return std::malloc(size ? size : 1);
}

void free_pixels(void *block) { std::free(block); }

void *shrink_pixels(void *block, size_t size) {
    void *smaller = std::realloc(block, size ? size : 1);
    return smaller ? smaller : block;
}

}  // namespace tav
