#pragma once
// Helpers of the descriptor tests: descriptors built by hand, a sectioned
// data file to hold descriptor sections, and section bytes.
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "testing/trail_text.h"
#include "common/plot_descriptors.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_paths.h"

// A descriptor with the given scan functions (short name, long name,
// segment text); data type 301 when there are any.
struct SF {
  const char* name;
  const char* identity;
  const char* segments;
};

inline STRUCT_PLOT_DESCRIPTOR* MakePD(int16_t kind, const char* name, std::initializer_list<SF> sfs = {},
                                      int16_t dataType = -1) {
  STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(static_cast<uint16_t>(sfs.size()));
  pd->kind = kind;
  std::strncpy(pd->name, name, sizeof pd->name - 1);
  for (const SF& sf : sfs) {
    SCAN_FUN_ENTRY& e = pd->scanFuns.entries[pd->scanFuns.count++];
    std::strncpy(e.name, sf.name, sizeof e.name - 1);
    std::strncpy(e.identity, sf.identity, sizeof e.identity - 1);
    std::strncpy(e.segments, sf.segments, sizeof e.segments - 1);
  }
  pd->dataType = dataType >= 0 ? dataType : (sfs.size() ? PD_TYPE_SCAN_FUNCTIONS : PD_TYPE_RIC);
  pd->internalStandardGroup = -1;
  return pd;
}

inline STRUCT_PD_ARRAY* MakeArray(int16_t kind, std::initializer_list<STRUCT_PLOT_DESCRIPTOR*> pds) {
  auto* a = static_cast<STRUCT_PD_ARRAY*>(AllocBlock(PDArrayBytes(static_cast<uint32_t>(pds.size()))));
  a->kind = kind;
  for (STRUCT_PLOT_DESCRIPTOR* pd : pds) a->pds[a->count++] = pd;
  return a;
}

inline std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

inline bool PutSectionBytes(const std::string& path, const std::string& name, const std::string& data) {
  HSECTION s = CreateSection(path.c_str(), name.c_str(), nullptr);
  if (!s) return false;
  const bool ok = data.empty() || WriteSection(s, data.data(), static_cast<uint32_t>(data.size())) == data.size();
  return CloseSection(s) && ok;
}

// The section's bytes, or "<missing>".
inline std::string SectionBytes(const std::string& path, const std::string& name) {
  HSECTION s = OpenSectionReadOnly(path.c_str(), name.c_str(), nullptr);
  if (!s) return "<missing>";
  std::string out(GetSectionSize(s), '\0');
  const uint32_t n = out.empty() ? 0 : ReadSection(s, out.data(), static_cast<uint32_t>(out.size()));
  CloseSection(s);
  return n == out.size() ? out : "<short>";
}

inline std::string U16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
inline std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// Makes the folder of a workstation path.
inline void EnsureFolder(const std::string& winPath) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(winPath)).parent_path(), ec);
}

class DescriptorTest : public WorkstationRootTest {
 protected:
  // A new empty sectioned data file.
  static std::string NewDataFile(const std::string& path) {
    EnsureFolder(path);
    CreateSectionFileAtPath(path.c_str(), 1, 0, 0);
    return path;
  }
};
