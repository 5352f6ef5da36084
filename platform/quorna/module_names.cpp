// Names of the acquisition modules that write MS data.
#include "quorna/module_names.h"

#include <cstring>

namespace {
struct ModuleName {
  uint16_t number;
  const char* name;
};
constexpr ModuleName kModules[] = {
    {1, "Ion Trap"}, {2, "Quadrupole"}, {3, "Time-of-Flight"}, {4, "Magnetic Sector"}, {5, "Triple Quadrupole"},
};
}  // namespace

QUORNA_API int32_t GetModuleName(uint16_t module, char* name) {
  if (!name) return 0;
  name[0] = 0;
  for (const ModuleName& m : kModules)
    if (m.number == module) {
      std::strncpy(name, m.name, MS_MODULE_NAME_SIZE - 1);
      name[MS_MODULE_NAME_SIZE - 1] = 0;
      return 1;
    }
  return 0;
}
