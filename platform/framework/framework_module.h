#pragma once
// A library's start and end as a framework extension module. At load the
// library calls FrameworkInitExtensionModule with its module handle and
// then creates a CDynLinkLibrary for it, which adds the module to the
// resource chain that dialogs search for their templates; at unload it
// calls FrameworkTermExtensionModule, which takes the module out of the
// chain and drops the resources it registered.
#include "framework_export.h"
#include "win/win_types.h"

struct FrameworkExtensionModule {
  bool bInitialized = false;
  HMODULE hModule = nullptr;
  HMODULE hResource = nullptr;
};

FRAMEWORK_CLASS bool FrameworkInitExtensionModule(FrameworkExtensionModule& module, HMODULE handle);
FRAMEWORK_CLASS void FrameworkTermExtensionModule(FrameworkExtensionModule& module);

class FRAMEWORK_CLASS CDynLinkLibrary {
 public:
  explicit CDynLinkLibrary(FrameworkExtensionModule& module);
  ~CDynLinkLibrary();
  HMODULE m_hModule;
  HMODULE m_hResource;
};

// The resource chain: the current resource module (the last one set, else
// the first library in the chain) and every module in search order.
FRAMEWORK_CLASS HMODULE FrameworkGetResourceHandle();
FRAMEWORK_CLASS void FrameworkSetResourceHandle(HMODULE module);
FRAMEWORK_CLASS int FrameworkResourceModuleCount();
FRAMEWORK_CLASS HMODULE FrameworkResourceModule(int index);
