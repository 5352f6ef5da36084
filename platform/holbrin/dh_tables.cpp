// The named tables of a method or data file.
#include <algorithm>
#include <cstring>
#include <string>

#include "dh_store.h"
#include "holbrin.h"

using holbrin::BuiltName;
using holbrin::CreateTable;
using holbrin::OpenTable;

namespace {

constexpr char kInjectionRecord[] = "DHInjectionRecord";
constexpr char kRevisionLog[] = "RevisionLog";
constexpr char kRecalcList[] = "RecalcList";

HDHTABLE OpenBuilt(const char* base, const char* path, uint16_t id, uint16_t address,
                   const char* tag, uint32_t size, bool forUpdate) {
  std::string name = BuiltName(base, id, address, tag);
  return name.empty() ? nullptr : OpenTable(path, name, size, forUpdate);
}

HDHTABLE CreateBuilt(const char* base, const char* path, uint16_t id, uint16_t address,
                     const char* tag, uint32_t size) {
  std::string name = BuiltName(base, id, address, tag);
  return name.empty() ? nullptr : CreateTable(path, name, size);
}

// Writes a one-record table in place of whatever was there, in one commit.
BOOL WriteSingle(const char* path, const std::string& name, const void* record, uint32_t size) {
  if (name.empty() || !record) return FALSE;
  return holbrin::ReplaceTable(path, name, size, record, 1) ? TRUE : FALSE;
}

BOOL ReadSingle(const char* path, const std::string& name, void* record, uint32_t size) {
  if (name.empty() || !record) return FALSE;
  HDHTABLE t = OpenTable(path, name, size, false);
  if (!t) return FALSE;
  BOOL ok = holbrin::ReadRecords(t, 0, 1, record);
  holbrin::Release(t);
  return ok;
}

}  // namespace

// ---- Generic tables ----------------------------------------------------------------

HOLBRIN_API HDHTABLE CreateDHTable(const char* path, const char* sectionName, uint32_t recordSize) {
  return sectionName ? CreateTable(path, sectionName, recordSize) : nullptr;
}

HOLBRIN_API BOOL ReplaceDHTable(const char* path, const char* sectionName, uint32_t recordSize,
                                const void* records, int32_t count) {
  if (!sectionName || count < 0) return FALSE;
  return holbrin::ReplaceTable(path, sectionName, recordSize, records, uint32_t(count)) ? TRUE : FALSE;
}

HOLBRIN_API HDHTABLE OpenDHTableSection(const char* path, const char* sectionName,
                                        uint32_t recordSize, BOOL forUpdate) {
  return sectionName ? OpenTable(path, sectionName, recordSize, forUpdate != 0) : nullptr;
}

HOLBRIN_API int32_t CountDHRecords(HDHTABLE table) {
  holbrin::Table* t = holbrin::Lookup(table);
  return t && !t->raw ? int32_t(t->Count()) : -1;
}

HOLBRIN_API BOOL GetDHRecord(HDHTABLE table, int32_t index, void* record) {
  return holbrin::ReadRecords(table, index, 1, record);
}

HOLBRIN_API BOOL PutDHRecord(HDHTABLE table, int32_t index, const void* record) {
  return holbrin::WriteRecords(table, index, 1, record);
}

HOLBRIN_API BOOL PutDHRecords(HDHTABLE table, int32_t index, int32_t count, const void* records) {
  return holbrin::WriteRecords(table, index, count, records);
}

HOLBRIN_API BOOL AppendDHRecord(HDHTABLE table, const void* record) {
  holbrin::Table* t = holbrin::Lookup(table);
  return t && holbrin::WriteRecords(table, int32_t(t->Count()), 1, record);
}

HOLBRIN_API uint32_t GetDHRecordSize(HDHTABLE table) {
  holbrin::Table* t = holbrin::Lookup(table);
  return t ? t->recordSize : 0;
}

HOLBRIN_API void FreeDHRecordSet(HDHTABLE table) { holbrin::Release(table); }

// ---- Global parameters -----------------------------------------------------------

HOLBRIN_API HDHTABLE OpenGlobalTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenBuilt("GlobalParams", path, id, address, tag, sizeof(STRUCT_DH_GLOBAL_PARAMS), false);
}

HOLBRIN_API HDHTABLE OpenGlobalTableForUpdate(const char* path, uint16_t id, uint16_t address,
                                              const char* tag) {
  return OpenBuilt("GlobalParams", path, id, address, tag, sizeof(STRUCT_DH_GLOBAL_PARAMS), true);
}

HOLBRIN_API HDHTABLE CreateGlobalTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return CreateBuilt("GlobalParams", path, id, address, tag, sizeof(STRUCT_DH_GLOBAL_PARAMS));
}

HOLBRIN_API BOOL ReadGlobalTable(HDHTABLE table, STRUCT_DH_GLOBAL_PARAMS* record) {
  holbrin::Table* t = holbrin::Lookup(table);
  if (!t || t->recordSize != sizeof(STRUCT_DH_GLOBAL_PARAMS)) return FALSE;
  return holbrin::ReadRecords(table, 0, 1, record);
}

HOLBRIN_API BOOL WriteGlobalTable(HDHTABLE table, const STRUCT_DH_GLOBAL_PARAMS* record) {
  holbrin::Table* t = holbrin::Lookup(table);
  if (!t || t->recordSize != sizeof(STRUCT_DH_GLOBAL_PARAMS)) return FALSE;
  return holbrin::WriteRecords(table, 0, 1, record);
}

// ---- Compounds -----------------------------------------------------------------------

HOLBRIN_API HDHTABLE OpenCompoundTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenBuilt("PeakTable", path, id, address, tag, sizeof(STRUCT_DH_COMPOUND), false);
}

HOLBRIN_API HDHTABLE OpenDHRecordSet(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenCompoundTable(path, id, address, tag);
}

HOLBRIN_API HDHTABLE OpenDHRecordSetForUpdate(const char* path, uint16_t id, uint16_t address,
                                              const char* tag) {
  return OpenBuilt("PeakTable", path, id, address, tag, sizeof(STRUCT_DH_COMPOUND), true);
}

HOLBRIN_API HDHTABLE CreateCompoundTable(const char* path, uint16_t id, uint16_t address,
                                         const char* tag) {
  return CreateBuilt("PeakTable", path, id, address, tag, sizeof(STRUCT_DH_COMPOUND));
}

// ---- Quantitation block ---------------------------------------------------------------

HOLBRIN_API BOOL ReadDataMethod(const char* path, uint16_t id, uint16_t address, const char* tag,
                                DH_QUANT_BLOCK* block) {
  return ReadSingle(path, BuiltName("DataMethod", id, address, tag), block, sizeof *block);
}

HOLBRIN_API BOOL WriteDataMethod(const char* path, uint16_t id, uint16_t address, const char* tag,
                                 const DH_QUANT_BLOCK* block) {
  return WriteSingle(path, BuiltName("DataMethod", id, address, tag), block, sizeof *block);
}

// ---- Calibration log -----------------------------------------------------------------

HOLBRIN_API HDHTABLE OpenDHTable(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenBuilt("CalibrationLog", path, id, address, tag, sizeof(DH_CALIBRATION_LOG_ROW), true);
}

HOLBRIN_API HDHTABLE CreateCalibrationLog(const char* path, uint16_t id, uint16_t address,
                                          const char* tag) {
  return CreateBuilt("CalibrationLog", path, id, address, tag, sizeof(DH_CALIBRATION_LOG_ROW));
}

HOLBRIN_API int16_t CountDHTableRows(HDHTABLE table) {
  int32_t n = CountDHRecords(table);
  return n > 32767 ? int16_t(32767) : int16_t(n);
}

HOLBRIN_API BOOL GetDHTableRow(HDHTABLE table, int16_t index, void* row, int16_t count) {
  return holbrin::ReadRecords(table, index, count, row);
}

// ---- Injection record --------------------------------------------------------------

HOLBRIN_API HDHTABLE OpenDHRecord(const char* path) {
  return OpenTable(path, kInjectionRecord, sizeof(STRUCT_DH_INJECTION_RECORD), false);
}
HOLBRIN_API HDHTABLE OpenDataFileDHRecord(const char* path) { return OpenDHRecord(path); }
HOLBRIN_API HDHTABLE OpenDHDescriptionRecord(const char* path) { return OpenDHRecord(path); }

HOLBRIN_API BOOL ReadDHRecord(HDHTABLE record, void* buffer) {
  return holbrin::ReadRecords(record, 0, 1, buffer);
}

HOLBRIN_API BOOL WriteDHInjectionRecord(const char* path, const STRUCT_DH_INJECTION_RECORD* record) {
  return WriteSingle(path, kInjectionRecord, record, sizeof *record);
}

// ---- Error record ----------------------------------------------------------------------

HOLBRIN_API HDHTABLE OpenDHErrorRecord(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenBuilt("ErrorLog", path, id, address, tag, sizeof(STRUCT_DH_ERROR_LOG), false);
}
HOLBRIN_API HDHTABLE OpenDHErrorLog(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenDHErrorRecord(path, id, address, tag);
}

HOLBRIN_API BOOL GetDHLogEntry(HDHTABLE errorRecord, STRUCT_DH_ERROR_LOG* record) {
  holbrin::Table* t = holbrin::Lookup(errorRecord);
  if (!t || t->recordSize != sizeof(STRUCT_DH_ERROR_LOG) || !record) return FALSE;
  STRUCT_DH_ERROR_LOG read;
  if (!holbrin::ReadRecords(errorRecord, 0, 1, &read)) return FALSE;
  for (const DH_ERROR_LIST& list : read.lists)
    if (list.count < 0 || list.count > 50) return FALSE;  // damaged
  *record = read;
  return TRUE;
}

HOLBRIN_API BOOL WriteDHErrorRecord(const char* path, uint16_t id, uint16_t address, const char* tag,
                                    const STRUCT_DH_ERROR_LOG* record) {
  if (!record) return FALSE;
  for (const DH_ERROR_LIST& list : record->lists)
    if (list.count < 0 || list.count > 50) return FALSE;
  return WriteSingle(path, BuiltName("ErrorLog", id, address, tag), record, sizeof *record);
}

// ---- Revision log -----------------------------------------------------------------------

HOLBRIN_API HDHTABLE OpenDHLog(const char* path, uint16_t, uint16_t, const char*) {
  auto* t = new holbrin::Table;
  if (!holbrin::ReadWholeSection(path, kRevisionLog, t->records)) {
    delete t;
    return nullptr;
  }
  t->path = path;
  t->section = kRevisionLog;
  t->recordSize = 1;
  t->raw = true;
  return holbrin::Register(t);
}

HOLBRIN_API int32_t CountDHLogEntries(HDHTABLE log) {
  holbrin::Table* t = holbrin::Lookup(log);
  return t && t->raw ? int32_t(t->records.size()) : -1;
}

HOLBRIN_API BOOL ReadDHLogText(HDHTABLE log, char* buffer, int32_t count) {
  holbrin::Table* t = holbrin::Lookup(log);
  if (!t || !t->raw || !buffer || count < 0) return FALSE;
  size_t n = std::min(size_t(count), t->records.size());
  if (n) std::memcpy(buffer, t->records.data(), n);
  return size_t(count) <= t->records.size();
}

HOLBRIN_API BOOL AppendDHLogText(const char* path, const char* line) {
  if (!line) return FALSE;
  std::vector<uint8_t> text;
  holbrin::ReadWholeSection(path, kRevisionLog, text);  // absent: a new log
  text.insert(text.end(), line, line + std::strlen(line));
  text.push_back('\n');
  return holbrin::ReplaceSection(path, kRevisionLog, text.data(), text.size());
}

// ---- Recalculation list and processing log ------------------------------------------

HOLBRIN_API HDHTABLE OpenRecalcList(const char* path) {
  return OpenTable(path, kRecalcList, sizeof(DH_RECALC_LIST_ENTRY), true);
}
HOLBRIN_API HDHTABLE CreateRecalcList(const char* path) {
  return CreateTable(path, kRecalcList, sizeof(DH_RECALC_LIST_ENTRY));
}
HOLBRIN_API int32_t CountRecalcEntries(HDHTABLE list) { return CountDHRecords(list); }
HOLBRIN_API BOOL GetRecalcEntry(HDHTABLE list, int32_t index, DH_RECALC_LIST_ENTRY* entry) {
  holbrin::Table* t = holbrin::Lookup(list);
  if (!t || t->recordSize != sizeof(DH_RECALC_LIST_ENTRY)) return FALSE;
  return holbrin::ReadRecords(list, index, 1, entry);
}
HOLBRIN_API void CloseRecalcList(HDHTABLE list) { holbrin::Release(list); }

HOLBRIN_API HDHTABLE OpenRecalcLog(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return OpenBuilt("RecalcLog", path, id, address, tag, sizeof(STRUCT_RECALC_ENTRY), true);
}
HOLBRIN_API HDHTABLE CreateRecalcLog(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return CreateBuilt("RecalcLog", path, id, address, tag, sizeof(STRUCT_RECALC_ENTRY));
}

// ---- Report format -------------------------------------------------------------------------

HOLBRIN_API BOOL ReadReportFormat(const char* path, const char* sectionName, void* record) {
  if (!sectionName) return FALSE;
  return ReadSingle(path, sectionName, record, sizeof(STRUCT_REPORT_FORMAT));
}

HOLBRIN_API BOOL WriteReportFormat(const char* path, const char* sectionName, const void* record) {
  if (!sectionName) return FALSE;
  return WriteSingle(path, sectionName, record, sizeof(STRUCT_REPORT_FORMAT));
}

// ---- Scale factors ---------------------------------------------------------------------------

namespace {
constexpr char kScaleFactors[] = "DataScaleFactors";
}

HOLBRIN_API BOOL GetDataScaleFactor(const char* path, uint16_t module, float* factor) {
  if (!factor) return FALSE;
  HDHTABLE t = OpenTable(path, kScaleFactors, sizeof(DH_SCALE_FACTOR), false);
  if (!t) return FALSE;
  BOOL found = FALSE;
  DH_SCALE_FACTOR row;
  for (int32_t i = 0; !found && holbrin::ReadRecords(t, i, 1, &row); ++i) {
    if (row.module == module && row.factor == row.factor && row.factor != 0.0f) {
      *factor = row.factor;
      found = TRUE;
    }
  }
  holbrin::Release(t);
  return found;
}

HOLBRIN_API BOOL SetDataScaleFactor(const char* path, uint16_t module, float factor) {
  if (!(factor > 0.0f) || factor > 1e30f) return FALSE;
  HDHTABLE t = OpenTable(path, kScaleFactors, sizeof(DH_SCALE_FACTOR), true);
  if (!t) {
    // The first factor makes the table, in one commit.
    DH_SCALE_FACTOR row{};
    row.module = module;
    row.factor = factor;
    return holbrin::ReplaceTable(path, kScaleFactors, sizeof row, &row, 1) ? TRUE : FALSE;
  }
  DH_SCALE_FACTOR row;
  int32_t i = 0;
  while (holbrin::ReadRecords(t, i, 1, &row) && row.module != module) ++i;
  row.module = module;
  row.factor = factor;
  BOOL ok = holbrin::WriteRecords(t, i, 1, &row);
  holbrin::Release(t);
  return ok;
}
