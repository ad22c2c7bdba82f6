// Leaks that LeakSanitizer reports in the libraries under Qt, not in this
// program: fontconfig keeps its configuration caches for the life of the
// process, and Qt never asks it to free them; on X11, Qt's connection to the
// session bus (libdbus) stays open until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";
}
