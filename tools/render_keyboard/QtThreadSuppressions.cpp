// Linked into every program that uses the art library (an INTERFACE source).
//
// Qt's raster paint engine and its image conversions split large fills over
// Qt's own worker threads. Qt is not built with the thread sanitizer, so the
// sanitizer cannot see the locking between those threads and reports races
// inside Qt. The art code itself is single-threaded; these races are Qt's
// internals and are suppressed, by module, in thread-sanitizer builds.
// Other builds never call this function.

extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n";
}
