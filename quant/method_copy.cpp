// Method sections copied between files; calibration comparisons and saves.
#include "quant/method_copy.h"

#include <cstring>
#include <functional>
#include <vector>

#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "orvik32/whole_sections.h"
#include "quant/compound_method.h"
#include "win/win_kernel.h"

namespace {

constexpr char kRevisionLog[] = "RevisionLog";

// Whether the destination holds the source's section byte for byte.
bool SameSection(const char* destination, const char* source, const char* name) {
  std::vector<uint8_t> a, b;
  return orvik::ReadWholeSection(source, name, &a) && orvik::ReadWholeSection(destination, name, &b) && a == b;
}

// skipSame: a section the destination already holds unchanged is not
// written again (a method copied into a data file at every run mostly is).
bool CopyBuilt(const char* destination, const char* source, const char* base, uint16_t id, uint16_t address,
               const char* tag, bool required, bool skipSame = false) {
  char name[128] = {};
  if (!BuildDHSectionName(name, base, id, address, tag)) return !required;
  if (!SectionExists(source, name)) return !required;
  if (skipSame && SameSection(destination, source, name)) return true;
  const bool ok = CopySection(source, name, destination, name) != FALSE;
  return ok || !required;
}

bool CopyPlain(const char* destination, const char* source, const char* name, bool required,
               bool skipSame = false) {
  if (!SectionExists(source, name)) return !required;
  if (skipSame && SameSection(destination, source, name)) return true;
  return CopySection(source, name, destination, name) != FALSE || !required;
}

uint8_t* Bytes(STRUCT_DH_COMPOUND* c) { return reinterpret_cast<uint8_t*>(c); }
const uint8_t* Bytes(const STRUCT_DH_COMPOUND* c) { return reinterpret_cast<const uint8_t*>(c); }

constexpr uint16_t kCalFlagBits = (1u << 1) | (1u << 2) | (1u << 3) | (1u << 10) | (1u << 11);

std::vector<STRUCT_DH_COMPOUND> ReadAll(HDHTABLE t) {
  std::vector<STRUCT_DH_COMPOUND> out;
  const int32_t n = CountDHRecords(t);
  for (int32_t i = 0; i < n; ++i) {
    STRUCT_DH_COMPOUND c;
    if (!GetDHRecord(t, i, &c)) std::memset(&c, 0, sizeof c);
    out.push_back(c);
  }
  return out;
}

// Both compound tables, read whole; false when either will not open.
bool ReadTables(const char* first, const char* second, uint16_t id, uint16_t address, const char* tag,
                std::vector<STRUCT_DH_COMPOUND>* a, std::vector<STRUCT_DH_COMPOUND>* b) {
  if (!first || !second || !tag) return false;
  HDHTABLE ta = OpenCompoundTable(first, id, address, tag);
  HDHTABLE tb = OpenCompoundTable(second, id, address, tag);
  const bool ok = ta && tb;
  if (ok) *a = ReadAll(ta), *b = ReadAll(tb);
  if (ta) FreeDHRecordSet(ta);
  if (tb) FreeDHRecordSet(tb);
  return ok;
}

// The compounds a comparison or save covers: all, or the one and, when it
// is an internal standard, the active analytes of its group.
std::vector<int32_t> Covered(const std::vector<STRUCT_DH_COMPOUND>& c, int32_t index) {
  std::vector<int32_t> out;
  if (index < 0) {
    for (int32_t i = 0; i < int32_t(c.size()); ++i) out.push_back(i);
    return out;
  }
  if (index >= int32_t(c.size())) return out;
  out.push_back(index);
  if (c[index].flags & 0x100)
    for (int32_t i = 0; i < int32_t(c.size()); ++i)
      if (i != index && !(c[i].flags & 0x100) && c[i].usesInternalStandard != 0 &&
          c[i].internalStandard == c[index].internalStandard)
        out.push_back(i);
  return out;
}

BOOL CompareAll(const std::vector<STRUCT_DH_COMPOUND>& a, const std::vector<STRUCT_DH_COMPOUND>& b, int32_t index,
                const std::function<bool(const STRUCT_DH_COMPOUND&, const STRUCT_DH_COMPOUND&)>& agree) {
  const std::vector<int32_t> which = Covered(a, index);
  if (index >= 0 && which.empty()) return FALSE;
  for (int32_t i : which)
    if (!agree(a[size_t(i)], b[size_t(i)])) return FALSE;
  return TRUE;
}

// Saves into a copy of the method and puts the copy in place only when
// every step succeeded.
BOOL SaveToMethod(const char* methodFile, const char* dataFile, int32_t index, uint16_t id, uint16_t address,
                  const char* tag, bool wholeRecords) {
  if (!methodFile || !dataFile || !tag) return FALSE;
  char temp[MAX_PATH] = {};
  if (!MakeTempFileName("ccc", temp)) return FALSE;
  bool ok = CopyFileA(methodFile, temp, FALSE) != FALSE;
  if (ok) {
    HDHTABLE m = OpenDHRecordSetForUpdate(temp, id, address, tag);
    HDHTABLE d = OpenCompoundTable(dataFile, id, address, tag);
    ok = m && d && CountDHRecords(m) == CountDHRecords(d);
    if (ok) {
      const std::vector<STRUCT_DH_COMPOUND> data = ReadAll(d);
      const std::vector<int32_t> which = Covered(data, index);
      ok = !which.empty() || index < 0;
      for (int32_t i : which) {
        STRUCT_DH_COMPOUND record;
        if (!GetDHRecord(m, i, &record)) {
          ok = false;
          break;
        }
        if (wholeRecords) record = data[size_t(i)];
        else MoveCompoundCalFields(&record, &data[size_t(i)]);
        if (!PutDHRecord(m, i, &record)) {
          ok = false;
          break;
        }
      }
    }
    if (m) FreeDHRecordSet(m);
    if (d) FreeDHRecordSet(d);
  }
  if (ok) ok = CopyBuilt(temp, dataFile, "CalibrationLog", id, address, tag, true);
  if (ok && SectionExists(dataFile, kRevisionLog)) ok = CopySection(dataFile, kRevisionLog, temp, kRevisionLog) != FALSE;
  if (ok) ok = CopyFileA(temp, methodFile, FALSE) != FALSE;
  DeleteFileA(temp);
  return ok ? TRUE : FALSE;
}

}  // namespace

void MoveCompoundCalFields(STRUCT_DH_COMPOUND* receiver, const STRUCT_DH_COMPOUND* giver) {
  if (!receiver || !giver) return;
  uint8_t* r = Bytes(receiver);
  const uint8_t* g = Bytes(giver);
  std::memcpy(r + 52, g + 52, 116 - 52);
  for (int level = 0; level < 10; ++level) {
    const size_t at = 116 + 68 * size_t(level);
    std::memcpy(r + at + 4, g + at + 4, 64);
  }
  std::memcpy(r + 873, g + 873, 840);
  receiver->flags = uint16_t(receiver->flags | (giver->flags & kCalFlagBits));
}

BOOL MORVEX_CopyDHGlobalMethod(const char* destination, const char* source, uint16_t id, uint16_t address) {
  if (!destination || !source) return FALSE;
  return CopyBuilt(destination, source, "GlobalParams", id, address, "1", true) &&
                 CopyBuilt(destination, source, "DataMethod", id, address, "1", false) &&
                 CopyBuilt(destination, source, "TimeEvents", id, address, "1", true) &&
                 CopyPlain(destination, source, kRevisionLog, false)
             ? TRUE
             : FALSE;
}

BOOL MORVEX_CopyDHCmpdTableMethod(const char* destination, const char* source, uint16_t id, uint16_t address) {
  if (!destination || !source) return FALSE;
  return CopyBuilt(destination, source, "PeakTable", id, address, "1", true) &&
                 CopyBuilt(destination, source, "CalibrationLog", id, address, "1", false) &&
                 CopyPlain(destination, source, kRevisionLog, false)
             ? TRUE
             : FALSE;
}

BOOL MORVEX_CopyDHMethod(const char* destination, const char* source, uint16_t id, uint16_t address) {
  if (!destination || !source) return FALSE;
  HDHTABLE g = OpenGlobalTable(source, id, address, "1");
  if (!g) return FALSE;
  FreeDHRecordSet(g);
  // The copy lands in one commit: an interrupted copy leaves the earlier
  // method whole rather than its global part new and its compounds old.
  const bool batch = BeginSectionBatch(destination) != FALSE;
  // The same sections as the global and compound-table copies, in the same
  // order; what the destination holds already stays out of the commit.
  bool ok = CopyBuilt(destination, source, "GlobalParams", id, address, "1", true, true) &&
            CopyBuilt(destination, source, "DataMethod", id, address, "1", false, true) &&
            CopyBuilt(destination, source, "TimeEvents", id, address, "1", true, true) &&
            CopyPlain(destination, source, kRevisionLog, false, true) &&
            CopyBuilt(destination, source, "PeakTable", id, address, "1", true, true) &&
            CopyBuilt(destination, source, "CalibrationLog", id, address, "1", false, true) &&
            CopyPlain(destination, source, kRevisionLog, false, true);
  if (ok) CopyBuilt(destination, source, "MSReportFormat2", id, address, "1", false, true);
  if (batch) {
    if (ok) ok = CommitSectionBatch(destination) != FALSE;
    else AbortSectionBatch(destination);
  }
  return ok ? TRUE : FALSE;
}

BOOL MORVEX_HasCaliDataChanged(const char* first, const char* second, int32_t index, uint16_t id, uint16_t address,
                               const char* tag) {
  std::vector<STRUCT_DH_COMPOUND> a, b;
  if (!ReadTables(first, second, id, address, tag, &a, &b) || a.size() != b.size()) return CALI_DATA_NOT_COMPARED;
  bool changed = false;
  for (int32_t i : Covered(a, index)) {
    STRUCT_DH_COMPOUND copy = b[size_t(i)];
    MoveCompoundCalFields(&copy, &a[size_t(i)]);
    std::memcpy(Bytes(&copy) + 873, Bytes(&b[size_t(i)]) + 873, 840);
    if (std::memcmp(&copy, &b[size_t(i)], sizeof copy) != 0) changed = true;
  }
  return changed ? TRUE : FALSE;
}

BOOL MORVEX_OKToSaveCaliDataOnly(const char* first, const char* second, int32_t index, uint16_t id, uint16_t address,
                                 const char* tag) {
  std::vector<STRUCT_DH_COMPOUND> a, b;
  if (!ReadTables(first, second, id, address, tag, &a, &b) || a.size() != b.size()) return FALSE;
  if (a.empty()) return TRUE;
  return CompareAll(a, b, index, [](const STRUCT_DH_COMPOUND& x, const STRUCT_DH_COMPOUND& y) {
    if ((x.flags & 0x100) != (y.flags & 0x100)) return false;
    if (x.calibrationFitType == 3 && x.internalStandard != y.internalStandard) return false;
    return x.calibrationWord54 == y.calibrationWord54 && x.compoundNumber == y.compoundNumber &&
           std::memcmp(&x.massList, &y.massList, sizeof x.massList) == 0 &&
           std::memcmp(&x.chanList, &y.chanList, sizeof x.chanList) == 0 && y.integration1717 >= x.integration1717;
  });
}

BOOL MORVEX_AreCmpdParamsSame(const char* first, const char* second, int32_t index, uint16_t id, uint16_t address,
                              const char* tag, int16_t keepFlag) {
  std::vector<STRUCT_DH_COMPOUND> a, b;
  if (!ReadTables(first, second, id, address, tag, &a, &b) || a.size() != b.size()) return FALSE;
  if (a.empty()) return TRUE;
  return CompareAll(a, b, index, [keepFlag](const STRUCT_DH_COMPOUND& x, const STRUCT_DH_COMPOUND& y) {
    STRUCT_DH_COMPOUND copy = y;
    MoveCompoundCalFields(&copy, &x);
    if (keepFlag == 0) {
      copy.flags = uint16_t((copy.flags & ~kCalFlagBits) | (x.flags & kCalFlagBits));
      copy.retentionTime = x.retentionTime;
      std::memcpy(Bytes(&copy) + 2191, Bytes(&x) + 2191, 5 * 230);
      std::memcpy(Bytes(&copy) + 1757, Bytes(&x) + 1757, 1859 - 1757);
      std::memcpy(Bytes(&copy) + 3365, Bytes(&x) + 3365, 1370);
    }
    return std::memcmp(&copy, &x, sizeof copy) == 0;
  });
}

BOOL MORVEX_SaveCaliDataToMethod(const char* methodFile, const char* dataFile, int32_t index, uint16_t id,
                                 uint16_t address, const char* tag) {
  return SaveToMethod(methodFile, dataFile, index, id, address, tag, false);
}

BOOL MORVEX_SaveCmpdRecordsToMethod(const char* methodFile, const char* dataFile, int32_t index, int32_t, uint16_t id,
                                    uint16_t address, const char* tag) {
  return SaveToMethod(methodFile, dataFile, index, id, address, tag, true);
}

BOOL MORVEX_SaveCmpdRecordsWithLogs(const char* methodFile, const char* dataFile, uint16_t id, uint16_t address,
                                    int32_t index) {
  if (!MORVEX_SaveCmpdRecordsToMethod(methodFile, dataFile, index, 0, id, address, "1")) return FALSE;
  CopyBuilt(methodFile, dataFile, "CalibrationLog", id, address, "1", false);
  CopyPlain(methodFile, dataFile, kRevisionLog, false);
  return TRUE;
}
