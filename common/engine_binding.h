#pragma once
// The quantitation engine ("morvex.dll"), loaded from the program folder at
// least for the life of the object, its functions found by name. A missing
// engine or name gives null.
#include <mutex>
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
    // Looking the library up by name walks folders at every load: the one
    // first bound stays loaded and serves every later binding to the same
    // place.
    module_ = Kept(path);
    if (!module_) {
      module_ = LoadLibraryA(path.c_str());
      owned_ = true;
    }
  }
  ~EngineBinding() {
    if (owned_ && module_) FreeLibrary(module_);
  }
  EngineBinding(const EngineBinding&) = delete;
  EngineBinding& operator=(const EngineBinding&) = delete;
  template <class Fn>
  Fn Find(const char* name) const {
    return module_ ? ProcAs<Fn>(GetProcAddress(module_, name)) : nullptr;
  }

 private:
  // The engine loaded from the first place asked for; null for another place.
  static HMODULE Kept(const std::string& path) {
    static std::mutex mutex;
    static std::string* keptPath = nullptr;  // lives as long as the process
    static HMODULE kept = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!keptPath) {
      kept = LoadLibraryA(path.c_str());
      if (!kept) return nullptr;
      keptPath = new std::string(path);
    }
    return *keptPath == path ? kept : nullptr;
  }
  HMODULE module_ = nullptr;
  bool owned_ = false;
};

}  // namespace kelt
