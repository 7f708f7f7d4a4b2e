// Leak checker defaults of this test program (read only by sanitizer builds).
// Fontconfig, loaded by Qt when text is first measured or drawn, keeps its
// configuration caches for the life of the process.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
