// Sanitizer defaults built into every test program, so that a program started straight from ctest
// behaves as under scripts/test, the listing of its tests during discovery included (discovery runs it
// without the test properties). The runtimes read these first; options in the environment still win.
#define TROVE_SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used)) const char *

TROVE_SANITIZER_HOOK __asan_default_options()
{
    return "detect_leaks=1:abort_on_error=0:strict_string_checks=1";
}

TROVE_SANITIZER_HOOK __lsan_default_options()
{
    return "suppressions=" TROVE_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

TROVE_SANITIZER_HOOK __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
