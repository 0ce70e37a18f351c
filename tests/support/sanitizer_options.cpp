// Sanitizer settings for the test programs, built in so that they hold
// however the programs are started: a huge allocation attempt returns null
// (as the library's attempt-allocator expects), leaks and undefined
// behaviour fail the run.
extern "C" {

__attribute__((used, visibility("default"))) const char *__asan_default_options() {
    return "allocator_may_return_null=1:detect_leaks=1";
}

__attribute__((used, visibility("default"))) const char *__ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

}  // extern "C"
