// Qt is not built with the thread sanitizer, so the sanitizer cannot see the
// locking inside Qt: between the raster paint engine's worker threads, and
// around the event queue that carries messages posted from other threads to
// a window. It then reports races inside Qt. These are suppressed by module
// in thread-sanitizer builds; other builds never call this function.

extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n";
}
