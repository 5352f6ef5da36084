// Integration results of a processed file: peak events, baselines, peaks.
#include <cmath>
#include <string>
#include <vector>

#include "dh_store.h"
#include "holbrin.h"

namespace {

HDHTABLE Open(const char* base, const char* path, uint16_t id, uint16_t address, const char* tag,
              uint32_t size, bool forUpdate) {
  std::string name = holbrin::BuiltName(base, id, address, tag);
  return name.empty() ? nullptr : holbrin::OpenTable(path, name, size, forUpdate);
}

HDHTABLE Create(const char* base, const char* path, uint16_t id, uint16_t address, const char* tag,
                uint32_t size) {
  std::string name = holbrin::BuiltName(base, id, address, tag);
  return name.empty() ? nullptr : holbrin::CreateTable(path, name, size);
}

int16_t Count(HDHTABLE table, uint32_t size) {
  holbrin::Table* t = holbrin::Lookup(table);
  if (!t || t->raw || t->recordSize != size) return -1;
  return t->Count() > 32767 ? int16_t(32767) : int16_t(t->Count());
}

bool OfSize(HDHTABLE table, uint32_t size) {
  holbrin::Table* t = holbrin::Lookup(table);
  return t && !t->raw && t->recordSize == size;
}

bool UsableScale(float scale) { return std::isfinite(scale) && scale > 0.0f; }

}  // namespace

HOLBRIN_API HDHTABLE OpenDHEventList(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return Open("PeakEvents", path, id, address, tag, sizeof(DH_PEAK_EVENT), true);
}
HOLBRIN_API HDHTABLE OpenDHEventListReadOnly(const char* path, uint16_t id, uint16_t address,
                                             const char* tag) {
  return Open("PeakEvents", path, id, address, tag, sizeof(DH_PEAK_EVENT), false);
}
HOLBRIN_API HDHTABLE CreateDHEventList(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return Create("PeakEvents", path, id, address, tag, sizeof(DH_PEAK_EVENT));
}
HOLBRIN_API int16_t CountDHEvents(HDHTABLE events) { return Count(events, sizeof(DH_PEAK_EVENT)); }

HOLBRIN_API BOOL ReadDHEvent(HDHTABLE events, int16_t index, DH_PEAK_EVENT* item, int16_t count,
                             float scale) {
  if (!OfSize(events, sizeof(DH_PEAK_EVENT)) || !UsableScale(scale)) return FALSE;
  if (!holbrin::ReadRecords(events, index, count, item)) return FALSE;
  for (int16_t i = 0; i < count; ++i) {
    item[i].value *= scale;
    item[i].originalValue *= scale;
  }
  return TRUE;
}

HOLBRIN_API BOOL WriteDHEvent(HDHTABLE events, int16_t index, const DH_PEAK_EVENT* item,
                              int16_t count, float scale) {
  if (!OfSize(events, sizeof(DH_PEAK_EVENT)) || !UsableScale(scale) || !item || count < 1)
    return FALSE;
  std::vector<DH_PEAK_EVENT> stored(item, item + count);
  for (DH_PEAK_EVENT& e : stored) {
    e.value /= scale;
    e.originalValue /= scale;
  }
  return holbrin::WriteRecords(events, index, count, stored.data());
}

HOLBRIN_API HDHTABLE OpenDHBaselineList(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return Open("Baselines", path, id, address, tag, sizeof(DH_BASELINE), false);
}
HOLBRIN_API HDHTABLE OpenDHBaselineListForUpdate(const char* path, uint16_t id, uint16_t address,
                                                 const char* tag) {
  return Open("Baselines", path, id, address, tag, sizeof(DH_BASELINE), true);
}
HOLBRIN_API HDHTABLE CreateDHBaselineList(const char* path, uint16_t id, uint16_t address,
                                          const char* tag) {
  return Create("Baselines", path, id, address, tag, sizeof(DH_BASELINE));
}
HOLBRIN_API int16_t CountDHBaselines(HDHTABLE baselines) { return Count(baselines, sizeof(DH_BASELINE)); }
HOLBRIN_API BOOL ReadDHBaseline(HDHTABLE baselines, int16_t index, DH_BASELINE* item, int16_t count) {
  return OfSize(baselines, sizeof(DH_BASELINE)) && holbrin::ReadRecords(baselines, index, count, item);
}
HOLBRIN_API BOOL WriteDHBaseline(HDHTABLE baselines, int16_t index, const DH_BASELINE* item,
                                 int16_t count) {
  return OfSize(baselines, sizeof(DH_BASELINE)) && holbrin::WriteRecords(baselines, index, count, item);
}

HOLBRIN_API HDHTABLE OpenDHPeakList(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return Open("Peaks", path, id, address, tag, sizeof(DH_PEAK), false);
}
HOLBRIN_API HDHTABLE CreateDHPeakList(const char* path, uint16_t id, uint16_t address, const char* tag) {
  return Create("Peaks", path, id, address, tag, sizeof(DH_PEAK));
}
HOLBRIN_API int16_t CountDHPeaks(HDHTABLE peaks) { return Count(peaks, sizeof(DH_PEAK)); }
HOLBRIN_API BOOL ReadDHPeak(HDHTABLE peaks, int16_t index, DH_PEAK* item, int16_t count) {
  return OfSize(peaks, sizeof(DH_PEAK)) && holbrin::ReadRecords(peaks, index, count, item);
}
HOLBRIN_API BOOL WriteDHPeak(HDHTABLE peaks, int16_t index, const DH_PEAK* item, int16_t count) {
  return OfSize(peaks, sizeof(DH_PEAK)) && holbrin::WriteRecords(peaks, index, count, item);
}

HOLBRIN_API double DHRawToMinutes(uint32_t raw) { return double(raw) / DH_RAW_PER_MINUTE; }

HOLBRIN_API uint32_t DHMinutesToRaw(double minutes) {
  if (!(minutes > 0.0)) return 0;  // negative and NaN
  double raw = minutes * DH_RAW_PER_MINUTE + 0.5;
  if (raw >= 4294967295.0) return 0xFFFFFFFFu;
  return uint32_t(raw);
}
