// The toolkit's libraries keep caches (fonts, themes, the session bus) for the life of the
// process and never free them, as the C library keeps the names of a locale that setlocale
// took. The leak checker of sanitizer builds is told to ignore them, so
// that it reports only the program's own leaks. Compiled into each executable that starts the
// toolkit; without the leak checker nothing calls it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libpango-1.0.so\n"
         "leak:libpangoft2-1.0.so\n"
         "leak:libpangocairo-1.0.so\n"
         "leak:libcairo.so\n"
         "leak:libdbus-1.so\n"
         "leak:libatk-bridge-2.0.so\n"
         "leak:libatspi.so\n"
         "leak:libwx_gtk3u_core-3.2.so\n"
         "leak:libwx_baseu-3.2.so\n"
         "leak:__argz_add_sep\n";
}
