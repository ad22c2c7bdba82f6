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

// The sanitizer runtime can take a block of the dynamic TLS that Qt's plugins
// use for one of an older C library's layout, and its leak check then reads
// outside it and dies at exit ("Tracer caught signal 11"), now and then, in a
// run that did all it had to. Unintercepted, those blocks are still found: the
// C library allocates them with malloc, from its thread control blocks.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
