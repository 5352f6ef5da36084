// The library's default preference records and their storage in the
// preference file: one whole-record value per section, key "Params".
#include <cstring>
#include <string>

#include "win/win_crt.h"
#include "common/pref_parts.h"
#include "orvik32/orvik32.h"
#include "win/win_profile.h"

namespace kelt::prefs {
namespace {

// Filled by library start-up, read afterwards without locks.
PrefEnvironment g_environment;
std::string g_iniPath;

STRUCT_CHRO_PREFS g_chro;
STRUCT_SPTS_PREFS g_spts;
STRUCT_REPORT_PREFS g_report;
STRUCT_GLOBAL_PREFS g_global;

const char* SectionOf(const RecordKind& kind, const char* section) {
  return section && *section ? section : kind.defaultSection;
}

}  // namespace

void SetPrefEnvironment(const PrefEnvironment& env) { g_environment = env; }
PrefEnvironment GetPrefEnvironment() { return g_environment; }

void SetPreferencesIniPath(std::string_view path) { g_iniPath.assign(path); }

std::string PreferencesIniPath() {
  if (!g_iniPath.empty()) return g_iniPath;
  char folder[MAX_PATH + 1] = {};
  std::string path;
  if (GetProgramDirectory(folder) && folder[0]) {
    path = folder;
    if (path.back() != '\\') path += '\\';
  }
  return path + "tolview3.ini";
}

STRUCT_CHRO_PREFS& DefaultChroPrefs() { return g_chro; }
STRUCT_SPTS_PREFS& DefaultSptsPrefs() { return g_spts; }
STRUCT_REPORT_PREFS& DefaultReportPrefs() { return g_report; }
STRUCT_GLOBAL_PREFS& DefaultGlobalPrefs() { return g_global; }

void ReadAllDefaultPrefs() {
  KELT_ReadDefChroPrefs(&g_chro, nullptr);
  KELT_ReadDefSptsPrefs(&g_spts, nullptr);
  KELT_ReadDefReportPrefs(&g_report, nullptr);
  KELT_ReadDefGlobalPrefs(&g_global, nullptr);
}

BOOL ReadRecord(const RecordKind& kind, void* record, const char* section) {
  if (!record) return FALSE;
  try {
    const char* name = SectionOf(kind, section);
    const std::string path = PreferencesIniPath();
    // A value of another length or with a bad checksum is refused and
    // leaves the record alone; it is then replaced like a missing one.
    if (GetPrivateProfileStructA(name, kParamsKey, record, kind.size, path.c_str())) {
      if (kind.beforeValidate) kind.beforeValidate(record);
      // A valid record is taken as it is: nothing written, result 0.
      if (!kind.validate(record)) return FALSE;
      return WriteRecord(kind, record, name);
    }
    kind.reset(record);
    return WriteRecord(kind, record, name);
  } catch (...) {
    return FALSE;
  }
}

BOOL WriteRecord(const RecordKind& kind, const void* record, const char* section) {
  if (!record) return FALSE;
  try {
    const char* name = SectionOf(kind, section);
    // Every write, whatever the section, also becomes the library's default
    // copy: a caller's missing or damaged section thus resets the defaults.
    if (record != kind.defaultCopy)
      std::memmove(kind.defaultCopy, record, kind.size);
    const std::string path = PreferencesIniPath();
    return WritePrivateProfileStructA(name, kParamsKey, record, kind.size, path.c_str()) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace kelt::prefs
