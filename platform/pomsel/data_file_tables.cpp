// The acquisition records of a data file, kept as record tables.
#include <cstring>
#include <string>
#include <vector>

#include "pomsel.h"

namespace {

constexpr char kTag[] = "1";

std::string Built(const char* base, uint16_t id, uint16_t address) {
  char name[80];
  return BuildDHSectionName(name, base, id, address, kTag) ? std::string(name) : std::string();
}

BOOL WriteAll(const char* path, const std::string& name, const void* items, int32_t count,
              uint32_t size) {
  if (name.empty() || count < 0 || (count > 0 && !items)) return FALSE;
  // One commit: the old records or the new ones, never an empty table.
  return ReplaceDHTable(path, name.c_str(), size, items, count);
}

template <class T>
bool ReadAll(const char* path, const std::string& name, std::vector<T>& out) {
  out.clear();
  if (name.empty()) return false;
  HDHTABLE t = OpenDHTableSection(path, name.c_str(), sizeof(T), FALSE);
  if (!t) return false;
  int32_t n = CountDHRecords(t);
  out.resize(n > 0 ? size_t(n) : 0);
  bool ok = n >= 0;
  for (int32_t i = 0; ok && i < n; ++i) ok = GetDHRecord(t, i, &out[size_t(i)]);
  FreeDHRecordSet(t);
  if (!ok) out.clear();
  return ok;
}

}  // namespace

namespace pomsel {
bool ReadSegments(const char* path, uint16_t id, uint16_t address, std::vector<DF_METHOD_SEGMENT>& out) {
  return ReadAll(path, Built("MSMethodSegments", id, address), out);
}
bool ReadAttributes(const char* path, uint16_t id, uint16_t address,
                    std::vector<DF_MODULE_ATTRIBUTE>& out) {
  return ReadAll(path, Built("ModuleAttributes", id, address), out);
}
bool ReadEvents(const char* path, uint16_t id, uint16_t address, std::vector<DF_EVENT_LOG_ENTRY>& out) {
  return ReadAll(path, Built("EventLog", id, address), out);
}
}  // namespace pomsel

POMSEL_API BOOL BuildDataSectionName(char* buffer, const char* baseName, uint16_t moduleId,
                                     uint16_t moduleAddress, const char* tag) {
  return BuildDHSectionName(buffer, baseName, moduleId, moduleAddress, tag);
}

POMSEL_API BOOL WriteMethodSegments(const char* path, uint16_t id, uint16_t address,
                                    const DF_METHOD_SEGMENT* items, int32_t count) {
  return WriteAll(path, Built("MSMethodSegments", id, address), items, count, sizeof *items);
}
POMSEL_API BOOL WriteModuleAttributes(const char* path, uint16_t id, uint16_t address,
                                      const DF_MODULE_ATTRIBUTE* items, int32_t count) {
  return WriteAll(path, Built("ModuleAttributes", id, address), items, count, sizeof *items);
}
POMSEL_API BOOL WriteEventLog(const char* path, uint16_t id, uint16_t address,
                              const DF_EVENT_LOG_ENTRY* items, int32_t count) {
  return WriteAll(path, Built("EventLog", id, address), items, count, sizeof *items);
}
POMSEL_API BOOL WriteScanFunctions(const char* path, uint16_t id, uint16_t address,
                                   const DF_SCAN_FUNCTION* items, int32_t count) {
  return WriteAll(path, Built("ScanFunctions", id, address), items, count, sizeof *items);
}
POMSEL_API BOOL WriteHalfHeights(const char* path, uint16_t id, uint16_t address,
                                 const DF_HALF_HEIGHT* items, int32_t count) {
  return WriteAll(path, Built("HalfHeights", id, address), items, count, sizeof *items);
}
POMSEL_API BOOL WriteCentroidParams(const char* path, const DF_CENTROID_PARAMS* items, int32_t count) {
  return WriteAll(path, "CentroidParams", items, count, sizeof *items);
}
POMSEL_API BOOL DF_WriteInjectionInfo(const char* path, const DF_INJECTION_INFO* info) {
  return info && WriteAll(path, "InjectionInfo", info, 1, sizeof *info);
}
POMSEL_API BOOL WriteAirFlow(const char* path, uint16_t id, uint16_t address, const DF_AIR_FLOW* record) {
  return record && WriteAll(path, Built("AirFlow", id, address), record, 1, sizeof *record);
}

POMSEL_API DF_SCAN_FUNCTION_LIST* GetScanFunctionList(const char* path, uint16_t id, uint16_t address) {
  std::vector<DF_SCAN_FUNCTION> items;
  if (!ReadAll(path, Built("ScanFunctions", id, address), items) || items.empty()) return nullptr;
  auto* list = static_cast<DF_SCAN_FUNCTION_LIST*>(
      AllocBlock(uint32_t(sizeof(int32_t) + items.size() * sizeof(DF_SCAN_FUNCTION))));
  if (!list) return nullptr;
  list->count = int32_t(items.size());
  std::memcpy(list->items, items.data(), items.size() * sizeof(DF_SCAN_FUNCTION));
  return list;
}

POMSEL_API void FreeScanFunctionList(DF_SCAN_FUNCTION_LIST* list) {
  if (list) FreeBlock(list);
}

POMSEL_API BOOL GetHalfHeightInfo(const char* path, uint16_t address, uint16_t id, uint16_t segment,
                                  uint16_t scanFunction, uint16_t* kind, uint32_t* width,
                                  uint16_t* referenceMass, uint32_t* resolution) {
  std::vector<DF_HALF_HEIGHT> items;
  if (!ReadAll(path, Built("HalfHeights", id, address), items)) return FALSE;
  for (const DF_HALF_HEIGHT& h : items) {
    if (h.segment != segment || h.scanFunction != scanFunction) continue;
    if (kind) *kind = h.kind;
    if (width) *width = h.width;
    if (referenceMass) *referenceMass = h.referenceMass;
    if (resolution) *resolution = h.resolution;
    return TRUE;
  }
  return FALSE;
}

POMSEL_API BOOL ReadCentroidParams(const char* path, uint16_t segment, uint16_t channel,
                                   DF_CENTROID_PARAMS* params) {
  if (!params) return FALSE;
  std::vector<DF_CENTROID_PARAMS> items;
  if (!ReadAll(path, "CentroidParams", items)) return FALSE;
  for (const DF_CENTROID_PARAMS& p : items) {
    if (p.segment == segment && (channel == 0 || p.channel == channel)) {
      *params = p;
      return TRUE;
    }
  }
  return FALSE;
}

POMSEL_API BOOL SetSegmentDataKind(const char* path, uint16_t instrument, uint16_t format,
                                   uint16_t segment, uint16_t mode) {
  if (segment == 0 || mode > 1) return FALSE;
  std::vector<DF_SEGMENT_KIND> items;
  ReadAll(path, "SegmentDataKinds", items);  // none yet: a new table
  DF_SEGMENT_KIND entry{instrument, format, segment, mode};
  bool replaced = false;
  for (DF_SEGMENT_KIND& k : items)
    if (k.segment == segment) k = entry, replaced = true;
  if (!replaced) items.push_back(entry);
  return WriteAll(path, "SegmentDataKinds", items.data(), int32_t(items.size()), sizeof entry);
}

POMSEL_API int32_t GetSegmentDataKind(const char* path, uint16_t segment) {
  std::vector<DF_SEGMENT_KIND> items;
  if (!ReadAll(path, "SegmentDataKinds", items)) return -1;
  for (const DF_SEGMENT_KIND& k : items)
    if (k.segment == segment) return k.mode;
  return -1;
}

POMSEL_API BOOL DF_GetInjectionInfo(const char* path, DF_INJECTION_INFO* info) {
  std::vector<DF_INJECTION_INFO> items;
  if (!info || !ReadAll(path, "InjectionInfo", items) || items.empty()) return FALSE;
  *info = items[0];
  return TRUE;
}

POMSEL_API BOOL DF_GetAirFlowScaleFactor(const char* path, uint16_t id, uint16_t address, float* factor) {
  std::vector<DF_AIR_FLOW> items;
  if (!factor || !ReadAll(path, Built("AirFlow", id, address), items) || items.empty()) return FALSE;
  if (!(items[0].factor > 0.0f) || items[0].factor > 1e6f) return FALSE;  // unusable factor
  *factor = items[0].factor;
  return TRUE;
}

POMSEL_API HDHTABLE DF_MSOpenGlobalParams(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenGlobalTableForUpdate(path, id, address, tag);
}
POMSEL_API BOOL DF_MSReadGlobalParams(HDHTABLE table, STRUCT_DH_GLOBAL_PARAMS* record) {
  return ReadGlobalTable(table, record);
}
POMSEL_API HDHTABLE DF_MSCreateGlobalParams(const char* path, uint16_t id, uint16_t address,
                                            const char* tag) {
  return CreateGlobalTable(path, id, address, tag);
}
POMSEL_API BOOL DF_MSWriteGlobalParams(HDHTABLE table, const STRUCT_DH_GLOBAL_PARAMS* record) {
  return WriteGlobalTable(table, record);
}

POMSEL_API HDHTABLE DF_OpenDataFileRecord(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenRecalcLog(path, id, address, tag);
}

POMSEL_API BOOL DF_ReadDataFileRecord(HDHTABLE record, STRUCT_RECALC_ENTRY* entry) {
  int32_t n = CountDHRecords(record);
  if (n <= 0 || GetDHRecordSize(record) != sizeof(STRUCT_RECALC_ENTRY)) return FALSE;
  return GetDHRecord(record, n - 1, entry);
}
