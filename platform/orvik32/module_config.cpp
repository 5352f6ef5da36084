// The workstation's instrument module kinds.
#include <cstring>

#include "orvik32.h"

namespace {

struct ModuleConfig {
  uint16_t id;
  uint16_t flags;
  const char* name;
  const char* typeText;
};

// The module kinds this workstation knows: its mass spectrometers and the
// detectors of its GC.
constexpr ModuleConfig kModules[] = {
    {12, 0, "GC Detector", "GC detector"},
    {20, MODULE_CONFIG_MASS_SPECTROMETER, "Quadrupole MS", "MS quadrupole"},
    {21, MODULE_CONFIG_MASS_SPECTROMETER, "Ion Trap MS", "MS ion trap"},
    {22, MODULE_CONFIG_MASS_SPECTROMETER, "High Mass Quadrupole MS", "MS high mass"},
    {23, MODULE_CONFIG_MASS_SPECTROMETER, "Triple Quadrupole MS", "MS triple quadrupole"},
    {24, MODULE_CONFIG_MASS_SPECTROMETER, "Time of Flight MS", "MS time of flight"},
    {61, MODULE_CONFIG_MASS_SPECTROMETER, "Benchtop MS", "MS benchtop"},
};

const ModuleConfig* Valid(HMODULECONFIG config) {
  for (const ModuleConfig& m : kModules)
    if (&m == config) return &m;
  return nullptr;
}

}  // namespace

HMODULECONFIG GetModuleConfig(int32_t kind, uint16_t moduleId) {
  if (kind != MODULE_CONFIG_INSTRUMENT) return nullptr;
  for (const ModuleConfig& m : kModules)
    if (m.id == moduleId) return &m;
  return nullptr;
}

uint16_t GetModuleConfigFlags(HMODULECONFIG config, int32_t) {
  const ModuleConfig* m = Valid(config);
  return m ? m->flags : 0;
}

BOOL GetModuleConfigString(HMODULECONFIG config, int32_t item, char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  const ModuleConfig* m = Valid(config);
  if (!m) return FALSE;
  const char* text = item == MODULE_CONFIG_NAME_ITEM ? m->name : item == MODULE_CONFIG_TYPE_ITEM ? m->typeText : nullptr;
  if (!text) return FALSE;
  std::snprintf(buffer, 80, "%s", text);
  return TRUE;
}
