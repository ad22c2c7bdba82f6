// Leaks that LeakSanitizer reports in the libraries below this program, not
// in it: fontconfig keeps its configuration caches for the life of the
// process, and Qt never asks it to free them; on X11, Qt's connection to the
// session bus (libdbus) stays open until the process ends; PostgreSQL's ODBC
// driver drops a statement's parameter buffers when the server refuses it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:psqlodbcw.so\n";
}
