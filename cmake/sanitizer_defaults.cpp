// Built into every executable of a sanitizer build (tests, the console, fuzz targets): the
// sanitizer runtimes read these hooks at start-up, so the options hold however the program is
// started (ctest, a test that spawns the console, a shell) without any environment. Options
// given in the environment are applied after these and win.

extern "C" {

// ThreadSanitizer: FFmpeg, Qt and the system libraries are not instrumented; their own
// synchronisation is invisible and would be reported as races.
const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1:halt_on_error=1:second_deadlock_stack=1";
}

const char* __asan_default_options() {
  return "detect_leaks=1:abort_on_error=1";
}

const char* __ubsan_default_options() {
  return "print_stacktrace=1:halt_on_error=1";
}

// Leaks inside system libraries the project does not own: fonts, X, D-Bus, GL drivers, the
// PulseAudio client, and libx265, which keeps a few buffers of its own on every encoder.
const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libdbus\n"
         "leak:libX11\n"
         "leak:libxcb\n"
         "leak:libEGL\n"
         "leak:libGLX\n"
         "leak:libpulse\n"
         "leak:libx265\n";
}

}  // extern "C"
