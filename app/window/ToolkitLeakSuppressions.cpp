// The toolkit's libraries (GTK, GLib, fontconfig, Pango, wx) keep caches and
// singletons for the life of the process and never free them; a leak check of
// a sanitizer build is to report only the station's own leaks. The sanitizer
// runtime asks every program that links this file for these suppressions; in
// a build without sanitizers the function is simply never called.

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libgdk_pixbuf-2.0.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libfontconfig.so\n"
         "leak:libpango-1.0.so\n"
         "leak:libpangoft2-1.0.so\n"
         "leak:libpangocairo-1.0.so\n"
         "leak:libcairo.so\n"
         "leak:libharfbuzz.so\n"
         "leak:libatk-1.0.so\n"
         "leak:libatk-bridge-2.0.so\n"
         "leak:libatspi.so\n"
         "leak:libdbus-1.so\n"
         "leak:libX11.so\n"
         "leak:libwx_gtk3u_core-3.2.so\n"
         "leak:libwx_baseu-3.2.so\n";
}
