// A compound's own integration settings: its time events in and out of
// time-event tables, and the one-compound method the engine integrates.
#include "quant/compound_method.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32_batches.h"
#include "win/win_kernel.h"

namespace {

constexpr int kMaxCompoundEvents = 10;

// Kind-0 values are kept five times larger in compound records.
int32_t TableWidthValue(int32_t value) { return std::max<int32_t>(1, value / 5); }

// One event of the compound as it goes into a table, or false when it
// falls outside the window [low, high] (ten-thousandths of a minute).
bool ClipIntoWindow(DH_TIME_EVENT* e, int64_t low, int64_t high) {
  if (e->type == 0) e->endTime = TableWidthValue(e->endTime);
  if (IsRangeTimeEvent(e->type)) {
    if (!(e->time < high && low < e->endTime)) return false;
    if (e->time < low) e->time = int32_t(low + 10);
    if (e->endTime > high) e->endTime = int32_t(high - 10);
    // A clipped event must still span more than 0.01 minute.
    return int64_t(e->time) + 100 < int64_t(e->endTime);
  }
  return low < e->time && e->time < high;
}

// Each of the compound's time events clipped into its window (events
// wholly outside it left out), in order.
template <class Use>
void ForEachEventInWindow(const STRUCT_DH_COMPOUND& compound, Use use) {
  const int64_t rt = compound.retentionTime, window = compound.windowHalfWidth;
  const int64_t low = (rt - window) * 10, high = (rt + window) * 10;
  for (int i = 0; i < CompoundTimeEventCount(compound); ++i) {
    DH_TIME_EVENT e;
    std::memcpy(&e, &compound.timeEvents[i], sizeof e);
    if (ClipIntoWindow(&e, low, high)) use(e);
  }
}

bool InForceOrGroupWindow(const DH_TIME_EVENT& e, double time) {
  if (e.type != 3 && e.type != 5) return false;
  const float t = float(time);
  return float(e.time / 10000.0) <= t && float(e.endTime / 10000.0) >= t;
}

std::string TempTableName(uint16_t moduleId, uint16_t moduleAddress) {
  char name[64];
  if (!BuildDHSectionName(name, "TimeEvents", moduleId, moduleAddress, TEMP_TIME_EVENT_TAG)) return {};
  return name;
}

}  // namespace

bool IsRangeTimeEvent(int16_t kind) { return (kind >= 1 && kind <= 5) || (kind >= 7 && kind <= 9); }

int CompoundTimeEventCount(const STRUCT_DH_COMPOUND& compound) {
  return std::clamp<int>(compound.timeEventCount, 0, kMaxCompoundEvents);
}

BOOL MORVEX_IsForceOrGroupCmpd(const STRUCT_DH_COMPOUND* compound, double time, DH_TIME_EVENT* item) {
  if (item) std::memset(item, 0, sizeof *item);
  if (!compound) return FALSE;
  for (int i = 0; i < CompoundTimeEventCount(*compound); ++i) {
    DH_TIME_EVENT e;
    std::memcpy(&e, &compound->timeEvents[i], sizeof e);
    if (InForceOrGroupWindow(e, time)) {
      if (item) *item = e;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL IsForceOrGroupInTable(const char* file, uint16_t moduleId, uint16_t moduleAddress, const char* tag,
                           double time, DH_TIME_EVENT* item) {
  if (item) std::memset(item, 0, sizeof *item);
  if (!file || !tag) return FALSE;
  HSECTION s = OpenDHSection(file, moduleId, moduleAddress, tag);
  if (!s) return FALSE;
  BOOL found = FALSE;
  const int16_t n = CountDHItems(s);
  for (int16_t i = 0; i < n && !found; ++i) {
    DH_TIME_EVENT e;
    if (!ReadDHItem(s, i, &e, 1) || !InForceOrGroupWindow(e, time)) continue;
    if (item) *item = e;
    found = TRUE;
  }
  CloseSection(s);
  return found;
}

BOOL MORVEX_CreateTempTESection(const char* file, uint16_t moduleId, uint16_t moduleAddress) {
  if (!file) return FALSE;
  HSECTION s = CreateDHSection(file, moduleId, moduleAddress, TEMP_TIME_EVENT_TAG);
  if (!s) return FALSE;
  return CloseSection(s);
}

BOOL MORVEX_AddTempTESection(const char* file, uint16_t moduleId, uint16_t moduleAddress,
                             const STRUCT_DH_COMPOUND* compound) {
  if (!file || !compound) return FALSE;
  HSECTION s = CreateDHSection(file, moduleId, moduleAddress, TEMP_TIME_EVENT_TAG);
  if (!s) return FALSE;
  MORVEX_CopyCmpdTEToTESection(s, compound);
  return CloseSection(s);
}

BOOL MORVEX_ClearTempTESection(const char* file, const char* sectionName) {
  if (!file || !sectionName) return FALSE;
  HSECTION s = CreateSection(file, sectionName, nullptr);
  if (!s) return FALSE;
  return CloseSection(s);
}

BOOL MORVEX_DeleteTempTESection(const char* file, uint16_t moduleId, uint16_t moduleAddress) {
  if (!file) return FALSE;
  const std::string name = TempTableName(moduleId, moduleAddress);
  if (name.empty()) return FALSE;
  if (SectionExists(file, name.c_str()) && !DeleteSection(file, name.c_str())) return FALSE;
  return TRUE;
}

int32_t MORVEX_CopyCmpdTEToTESection(HSECTION section, const STRUCT_DH_COMPOUND* compound) {
  if (!section || !compound) return 0;
  int32_t written = 0;
  ForEachEventInWindow(*compound, [&](DH_TIME_EVENT& e) {
    if (WriteDHItem(section, int16_t(written), &e, 1)) ++written;
  });
  return written;
}

BOOL MORVEX_CopyTESectionToCmpdTE(HSECTION section, STRUCT_DH_COMPOUND* compound) {
  if (!section || !compound) return FALSE;
  const int16_t n = CountDHItems(section);
  if (n < 0) return FALSE;
  int16_t read = 0;
  for (int16_t i = 0; i < n && read < kMaxCompoundEvents; ++i) {
    DH_TIME_EVENT e;
    if (!ReadDHItem(section, i, &e, 1)) break;
    if (e.type == 0) e.endTime *= 5;
    std::memcpy(&compound->timeEvents[read++], &e, sizeof e);
  }
  compound->timeEventCount = read;
  return TRUE;
}

BOOL MORVEX_WrapCopyCmpdTEToTESection(const char* file, const char* sectionName, const STRUCT_DH_COMPOUND* compound) {
  if (!file || !sectionName || !compound) return FALSE;
  HSECTION s = CreateSection(file, sectionName, nullptr);
  if (!s) return FALSE;
  MORVEX_CopyCmpdTEToTESection(s, compound);
  return CloseSection(s);
}

BOOL MORVEX_WrapCopyTESectionToCmpdTE(const char* file, const char* sectionName, STRUCT_DH_COMPOUND* compound) {
  if (!file || !sectionName || !compound) return FALSE;
  HSECTION s = OpenSectionReadOnlyShared(file, sectionName, nullptr);
  if (!s) return FALSE;
  const BOOL ok = MORVEX_CopyTESectionToCmpdTE(s, compound);
  CloseSection(s);
  return ok;
}

BOOL MakeTempFileName(const char* prefix, char* path260) {
  if (!prefix || !path260) return FALSE;
  path260[0] = 0;
  char folder[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, folder);
  if (n == 0 || n >= MAX_PATH) return FALSE;
  return GetTempFileNameA(folder, prefix, 0, path260) != 0 ? TRUE : FALSE;
}

BOOL CreateCompoundMethod(STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound, char* tempPath,
                          uint16_t moduleId, uint16_t moduleAddress, const char* tag) {
  if (!tempPath) return TRUE;
  tempPath[0] = 0;
  if (!compound || !tag || !MakeTempFileName("MTH", tempPath)) return TRUE;
  // A file that could not be made is left for the caller to find wanting.
  if (MakeCompoundMethodFile(tempPath) &&
      !FillCompoundMethod(tempPath, global, compound, moduleId, moduleAddress, tag, nullptr)) {
    DeleteFileA(tempPath);
    tempPath[0] = 0;
  }
  return TRUE;
}

BOOL MakeCompoundMethodFile(const char* path) {
  // Only this run opens the method, and it deletes it when done.
  MarkScratchSectionFile(path);
  if (!CreateSectionFileAtPath(path, ONE_COMPOUND_METHOD_TYPE, 0, 1)) return FALSE;
  const HSECTFILE f = OpenSectionFile(path, nullptr, 0xC0000000u, 0);
  if (f == -1) return FALSE;
  CloseSectionFile(f);
  return TRUE;
}

BOOL ClearSections(const char* path) {
  HSECTION list = FindSectionsByStem(path, "");
  if (!list) return FALSE;
  std::vector<std::string> names;
  const int32_t n = CountSectionMatches(list);
  for (int32_t i = 0; i < n; ++i) {
    char name[MAX_PATH] = {};
    if (GetSectionMatchName(list, i, name, int32_t(sizeof name))) names.emplace_back(name);
  }
  CloseSection(list);
  bool ok = n >= 0;
  for (const std::string& name : names) ok = DeleteSection(path, name.c_str()) && ok;
  return ok ? TRUE : FALSE;
}

void SetCompoundQuantBlock(STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound) {
  DH_QUANT_BLOCK& q = global->quant;
  q.integration78 = 0;
  q.integration356 = 0;
  q.integration82 = compound->integration1749;
  q.integration80 = compound->integration1745;
  q.peakWidthFifths = int16_t(TableWidthValue(compound->peakWidth));
  q.integration24 = compound->integration1713;
  q.integration26 = compound->integration1721;
  q.integration44 = compound->integration1717;
  q.integration46 = compound->integration1729;
  q.integration20 = compound->integration1753;
  q.windowSpareA = q.windowSpareB = 0;
  const int16_t second = int16_t((compound->secondWindowHalfWidth + 5) / 10);
  if (compound->flags & 0x0001) q.secondWindowA = second;
  else q.secondWindowB = second;
}

int32_t CompoundMethodEvents(const STRUCT_DH_COMPOUND* compound, DH_TIME_EVENT* events) {
  int32_t n = 0;
  ForEachEventInWindow(*compound, [&](DH_TIME_EVENT& e) { events[n++] = e; });
  // The width event goes after the events kept, so that the table never
  // has a gap when some fell outside the window.
  events[n++] = DH_TIME_EVENT{10, 0, TableWidthValue(compound->peakWidth)};
  // In time order, as a finished time-event table keeps them.
  std::stable_sort(events, events + n, [](const DH_TIME_EVENT& a, const DH_TIME_EVENT& b) { return a.time < b.time; });
  return n;
}

void* BeginCompoundMethodInMemory(const char* path, STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound,
                                  uint16_t moduleId, uint16_t moduleAddress, const char* tag, const char* tablesFrom) {
  if (!path || !*path || !compound || !tag) return nullptr;
  if (global) SetCompoundQuantBlock(global, compound);
  DH_TIME_EVENT events[COMPOUND_METHOD_EVENTS];
  const int32_t n = CompoundMethodEvents(compound, events);
  return BeginDHMethodInMemory(path, tablesFrom, moduleId, moduleAddress, tag, global, compound, events, n);
}

BOOL FillCompoundMethod(const char* tempPath, STRUCT_DH_GLOBAL_PARAMS* global, const STRUCT_DH_COMPOUND* compound,
                        uint16_t moduleId, uint16_t moduleAddress, const char* tag, const char* tablesFrom) {
  if (!tempPath || !*tempPath || !compound || !tag) return FALSE;
  // The method's sections go into the file in one commit, in place of
  // whatever an earlier compound left there.
  const bool batch = BeginSectionBatch(tempPath) != FALSE;
  if (!ClearSections(tempPath)) {
    if (batch) AbortSectionBatch(tempPath);
    return FALSE;
  }
  if (HDHTABLE t = CreateCompoundTable(tempPath, moduleId, moduleAddress, tag)) {
    PutDHRecord(t, 0, compound);
    FreeDHRecordSet(t);
  }
  if (HDHTABLE t = CreateGlobalTable(tempPath, moduleId, moduleAddress, tag)) {
    if (global) {
      SetCompoundQuantBlock(global, compound);
      WriteGlobalTable(t, global);
    }
    FreeDHRecordSet(t);
  }
  if (HSECTION s = CreateDHSection(tempPath, moduleId, moduleAddress, tag)) {
    DH_TIME_EVENT events[COMPOUND_METHOD_EVENTS];
    const int32_t n = CompoundMethodEvents(compound, events);
    WriteDHItem(s, 0, events, int16_t(n));
    CloseSection(s);
  }
  if (HDHTABLE t = CreateCalibrationLog(tempPath, moduleId, moduleAddress, tag)) FreeDHRecordSet(t);
  if (tablesFrom && *tablesFrom)
    for (const char* base : {"CalibrationLog", "GlobalParams"}) {
      char name[64];
      if (BuildDHSectionName(name, base, moduleId, moduleAddress, tag) && SectionExists(tablesFrom, name))
        CopySection(tablesFrom, name, tempPath, name);
    }
  return !batch || CommitSectionBatch(tempPath) ? TRUE : FALSE;
}

BOOL MORVEX_GetCmpdWindowLimits(const STRUCT_DH_COMPOUND* compound, CMPD_WINDOW_LIMITS* limits) {
  if (!compound || !limits) return FALSE;
  const double centre = compound->retentionTime * 0.001;
  const double window = compound->windowHalfWidth * 0.001;
  const double second = compound->secondWindowHalfWidth * 0.001;
  limits->centre = centre;
  limits->low = centre - window;
  limits->high = centre + window;
  limits->secondLow = centre - second;
  limits->secondHigh = centre + second;
  return TRUE;
}

BOOL WriteInternalStandardSection(const char* file, const void* record60, const STRUCT_DH_COMPOUND* compound) {
  if (!file || !record60 || !compound) return FALSE;
  HSECTION s = CreateSection(file, INTERNAL_STANDARD_SECTION, nullptr);
  if (!s) return FALSE;
  bool ok = WriteSection(s, record60, INTERNAL_STANDARD_RECORD_SIZE) == INTERNAL_STANDARD_RECORD_SIZE;
  ok = ok && WriteSection(s, compound, sizeof *compound) == sizeof *compound;
  const bool closed = CloseSection(s);
  return ok && closed ? TRUE : FALSE;
}
