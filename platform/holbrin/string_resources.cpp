// The library's string table as module resources, so that a caller that
// loads the library by name can read its messages with LoadString.
#include <string>

#include "holbrin.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"

namespace {

// Message numbers of the table lie below this.
constexpr uint32_t kLastMessageId = 1000;

HMODULE g_module = nullptr;

__attribute__((constructor)) void RegisterStrings() {
  g_module = GetModuleHandleA("holbrin.dll");
  if (!g_module) return;
  char text[1024];
  for (uint32_t id = 1; id < kLastMessageId; ++id)
    if (LoadDHString(id, text, sizeof text) > 0) win::resources::AddString(g_module, id, text);
}

__attribute__((destructor)) void RemoveStrings() {
  if (g_module) win::resources::RemoveModule(g_module);
}

}  // namespace
