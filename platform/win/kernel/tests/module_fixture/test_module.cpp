// A tiny library that the module-loading tests load by name.
#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int g_calls = 0;
}

TEST_MODULE_EXPORT int KeltTestModuleAdd(int a, int b) { return a + b; }
// Counts its calls: shows whether two loads share one copy of the library.
TEST_MODULE_EXPORT int KeltTestModuleCount() { return ++g_calls; }
