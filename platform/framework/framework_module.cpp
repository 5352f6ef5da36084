// The extension-module start and end, and the resource chain.
#include <algorithm>
#include <vector>

#include "framework_module.h"
#include "win/win_resources.h"

namespace {
struct Chain {
  std::vector<HMODULE> modules;  // search order: first added first
  HMODULE current = nullptr;
};
Chain& C() {
  static auto* c = new Chain();
  return *c;
}
}  // namespace

bool FrameworkInitExtensionModule(FrameworkExtensionModule& module, HMODULE handle) {
  if (module.bInitialized) return true;
  module.hModule = handle;
  module.hResource = handle;
  module.bInitialized = true;
  return true;
}

void FrameworkTermExtensionModule(FrameworkExtensionModule& module) {
  if (!module.bInitialized) return;
  auto& c = C();
  c.modules.erase(std::remove(c.modules.begin(), c.modules.end(), module.hResource), c.modules.end());
  if (c.current == module.hResource) c.current = nullptr;
  win::resources::RemoveModule(module.hResource);
  module.bInitialized = false;
}

CDynLinkLibrary::CDynLinkLibrary(FrameworkExtensionModule& module)
    : m_hModule(module.hModule), m_hResource(module.hResource) {
  auto& c = C();
  if (std::find(c.modules.begin(), c.modules.end(), m_hResource) == c.modules.end()) c.modules.push_back(m_hResource);
}

CDynLinkLibrary::~CDynLinkLibrary() {
  auto& c = C();
  c.modules.erase(std::remove(c.modules.begin(), c.modules.end(), m_hResource), c.modules.end());
}

HMODULE FrameworkGetResourceHandle() {
  auto& c = C();
  if (c.current) return c.current;
  return c.modules.empty() ? nullptr : c.modules.front();
}

void FrameworkSetResourceHandle(HMODULE module) { C().current = module; }
int FrameworkResourceModuleCount() { return static_cast<int>(C().modules.size()); }
HMODULE FrameworkResourceModule(int index) {
  auto& c = C();
  return index >= 0 && index < static_cast<int>(c.modules.size()) ? c.modules[static_cast<size_t>(index)] : nullptr;
}
