// A real shared library for DynamicLibraryTest to load through the system's loader, the way the
// program loads the vendors' TEF libraries.
extern "C" __attribute__((visibility("default"))) int quendo_amostra_soma(int a, int b) {
    return a + b;
}
