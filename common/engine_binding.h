#pragma once
// The quantitation engine ("morvex.dll"), loaded from the program folder for
// the life of the object, its functions found by name. A missing engine or
// name gives null.
#include <string>

#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace kelt {

class EngineBinding {
 public:
  EngineBinding() {
    char folder[MAX_PATH + 1] = {};
    if (!GetProgramDirectory(folder)) folder[0] = 0;
    std::string path = folder;
    if (!path.empty()) path += '\\';
    path += "morvex.dll";
    module_ = LoadLibraryA(path.c_str());
  }
  ~EngineBinding() {
    if (module_) FreeLibrary(module_);
  }
  EngineBinding(const EngineBinding&) = delete;
  EngineBinding& operator=(const EngineBinding&) = delete;
  template <class Fn>
  Fn Find(const char* name) const {
    return module_ ? ProcAs<Fn>(GetProcAddress(module_, name)) : nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};

}  // namespace kelt
