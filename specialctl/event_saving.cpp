// Writing the edited time events and peak events back into the data file.
// Every save is staged as one batch of the file's sections and committed
// whole: a failure or an interrupted process leaves the old set of events,
// never a part of the new one.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/data_file_utils.h"
#include "common/value_scale.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "plotengine/event_marks.h"
#include "specialctl/event_edit_control.h"

namespace {

// Aborts the batch unless it was committed.
class Batch {
 public:
  explicit Batch(const char* path) : path_(path), open_(BeginSectionBatch(path) != 0) {}
  ~Batch() {
    if (open_) AbortSectionBatch(path_);
  }
  bool open() const { return open_; }
  bool Commit() {
    open_ = false;
    return CommitSectionBatch(path_) != 0;
  }

 private:
  const char* path_;
  bool open_;
};

struct Section {
  explicit Section(HSECTION s) : h(s) {}
  ~Section() {
    if (h) CloseSection(h);
  }
  bool Close() {
    const bool ok = h && CloseSection(h);
    h = nullptr;
    return ok;
  }
  HSECTION h;
};

struct Table {
  explicit Table(HDHTABLE t) : h(t) {}
  ~Table() {
    if (h) CloseSection(h);
  }
  HDHTABLE h;
};

}  // namespace

int CCtlOPlot2::SaveTimeEvents() {
  if (!m_timeEventFile[0]) return 0;
  uint16_t id = 0, address = 0;
  char tag[OP2_SECTION_SIZE] = {};
  if (!KELT_FromSectionGetModuleIDAddressChannel(m_timeEventSection, &id, &address, tag)) return 0;
  const char* path = m_timeEventFile;
  bool ok = true, errorsFound = false, reread = false;
  {
    Batch batch(path);
    ok = batch.open();
    // The new items: every record not deleted, in array order. Records
    // neither moved nor new keep the file's own item.
    std::vector<DH_TIME_EVENT> items;
    if (ok) {
      Section old(OpenDHSection(path, id, address, tag));
      const int16_t stored = old.h ? CountDHItems(old.h) : 0;
      ok = stored >= 0;
      for (int i = 0; ok && i < m_timeEventCount; ++i) {
        STRUCT_OPLOT_TIME_EVENT& e = m_timeEvents[i];
        if (TimeEventDeleted(e)) continue;
        DH_TIME_EVENT item{e.time, e.type, e.endTime};
        if (!TimeEventMoved(e) && !TimeEventNew(e)) {
          // The array follows the file: an unedited record stands at its item's index.
          ok = i < stored && ReadDHItem(old.h, static_cast<int16_t>(i), &item, 1);
        }
        items.push_back(item);
      }
    }
    if (ok) {
      Section s(CreateDHSection(path, id, address, tag));
      ok = s.h != nullptr;
      for (size_t i = 0; ok && i < items.size(); ++i) ok = WriteDHItem(s.h, static_cast<int16_t>(i), &items[i], 1);
      ok = s.Close() && ok;
    }
    if (ok) {
      Section s(OpenDHSectionForUpdate(path, id, address, tag));
      int32_t changed = 0;
      ok = s.h && SortDHItems(s.h, &changed);
      reread = changed != 0;
      ok = s.Close() && ok;
    }
    if (ok) {
      if (STRUCT_TIME_EVENT_ERRORS* errors = OPLOT_CheckForTimeEventErrors(path, id, address, tag)) {
        Dlg_ViewTimeEventErrors(errors);
        OPLOT_FreeTimeEventErrors(errors);
        errorsFound = true;
        ok = false;
      }
    }
    if (ok) ok = batch.Commit();
  }
  if (!ok) {
    // The section kept what it held before the save; the display shows it again.
    if (errorsFound) Notify(OP2N_TIMEEVENTSRESTORED);
    ReloadTimeEvents();
    RepaintIfAllowed2();
    return 0;
  }
  if (reread) {
    ReloadTimeEvents();
  } else {
    int kept = 0;
    for (int i = 0; i < m_timeEventCount; ++i) {
      STRUCT_OPLOT_TIME_EVENT e = m_timeEvents[i];
      if (TimeEventDeleted(e)) continue;
      TimeEventMoved(e) = TimeEventNew(e) = 0;
      m_timeEvents[kept++] = e;
    }
    m_timeEventCount = static_cast<int16_t>(kept);
    if (kept == 0) FreeTimeEvents();
  }
  RepaintIfAllowed2();
  return 1;
}

int CCtlOPlot2::SavePeakEvents(short slot) {
  STRUCT_OPLOT_DRAW_EVENTS* r = SlotEvents(slot);
  if (!m_pOverlay || slot != m_editSlot || !r || !r->events) return 0;
  STRUCT_WORK_FILE* wf = m_pOverlay->slots[slot].workFile;
  if (!wf) return 0;
  const char* path = wf->filePath;
  const float scale = static_cast<float>(WorkFileValueFactor(wf));
  bool ok = true;
  {
    Batch batch(path);
    ok = batch.open();
    std::vector<DH_PEAK_EVENT> items;
    if (ok) {
      Table events(OpenDHEventListReadOnly(path, wf->fileType, wf->module, "1"));
      const int16_t stored = events.h ? CountDHEvents(events.h) : -1;
      ok = stored >= 0;
      items.resize(ok ? static_cast<size_t>(stored) : 0);
      for (int16_t i = 0; ok && i < stored; ++i) ok = ReadDHEvent(events.h, i, &items[size_t(i)], 1, scale);
      // The record must still describe this file: its own events first, one for each item,
      // then the ones it added.
      for (int i = 0; ok && i < r->eventCount; ++i) ok = (i < stored) == (r->events[i].controlFlag == 0);
      ok = ok && stored <= r->eventCount;
    }
    bool structural = false;
    std::vector<int16_t> newIndex(size_t(std::max<int16_t>(r->eventCount, 0)), -1);
    std::vector<DH_PEAK_EVENT> out;
    if (ok) {
      // Moved events keep where integration put them as their original place.
      for (int i = 0; i < r->eventCount; ++i) {
        const STRUCT_OPLOT_PEAK_EVENT& e = r->events[i];
        if (!e.moved || e.hidden || e.controlFlag) continue;
        DH_PEAK_EVENT& item = items[size_t(i)];
        if (item.edited && e.rawTime == item.originalRawTime && e.value == item.originalValue) {
          item.originalRawTime = 0;
          item.originalValue = 0;
          item.edited = 0;
        } else if (!item.edited) {
          item.originalRawTime = item.rawTime;
          item.originalValue = item.value;
          item.edited = 1;
        }
        item.rawTime = e.rawTime;
        item.value = e.value;
      }
      // New events go in before the first existing item that lies later.
      std::vector<int> added;
      for (int i = 0; i < r->eventCount; ++i)
        if (r->events[i].controlFlag && !r->events[i].hidden) added.push_back(i);
      std::stable_sort(added.begin(), added.end(),
                       [r](int a, int b) { return r->events[a].rawTime < r->events[b].rawTime; });
      size_t next = 0;
      auto insertNew = [&](const DH_PEAK_EVENT* before) {
        while (next < added.size() && (!before || r->events[added[next]].rawTime < before->rawTime)) {
          const STRUCT_OPLOT_PEAK_EVENT& e = r->events[added[next]];
          DH_PEAK_EVENT item{};
          item.rawTime = e.rawTime;
          item.value = e.value;
          item.code = e.code;
          item.edited = 1;
          item.originalRawTime = e.rawTime;
          item.originalValue = e.value;
          newIndex[size_t(added[next])] = static_cast<int16_t>(out.size());
          out.push_back(item);
          ++next;
          structural = true;
        }
      };
      for (size_t i = 0; i < items.size(); ++i) {
        const bool deleted = i < size_t(r->eventCount) && r->events[i].hidden && !r->events[i].controlFlag;
        // A deleted event's references move on to the event that follows it.
        newIndex[i] = static_cast<int16_t>(out.size());
        if (deleted) {
          structural = true;
          continue;
        }
        insertNew(&items[i]);
        newIndex[i] = static_cast<int16_t>(out.size());
        out.push_back(items[i]);
      }
      insertNew(nullptr);
      ok = out.size() < size_t(INT16_MAX);
    }
    if (ok) {
      Table events(CreateDHEventList(path, wf->fileType, wf->module, "1"));
      ok = events.h && (out.empty() || WriteDHEvent(events.h, 0, out.data(), static_cast<int16_t>(out.size()), scale));
    }
    // The peak table follows the events' new numbers (and merged peaks).
    if (ok && r->baselines) {
      std::vector<DH_BASELINE> table;
      for (int b = 0; b < r->baselineCount; ++b) {
        const STRUCT_OPLOT_BASELINE& bl = r->baselines[b];
        const int16_t s = bl.altStartEvent != -1 ? bl.altStartEvent : bl.startEvent;
        const int16_t e = bl.altEndEvent != -1 ? bl.altEndEvent : bl.endEvent;
        if (s < 0 || e < 0 || s >= r->eventCount || e >= r->eventCount) continue;
        const int16_t ns = newIndex[size_t(s)], ne = newIndex[size_t(e)];
        if (ns < 0 || ne < 0) continue;
        table.push_back({static_cast<int16_t>(ns + 1), static_cast<int16_t>(ne + 1), bl.code});
      }
      Table peaks(CreateDHBaselineList(path, wf->fileType, wf->module, "1"));
      ok = peaks.h && (table.empty() || WriteDHBaseline(peaks.h, 0, table.data(), static_cast<int16_t>(table.size())));
    }
    if (ok) ok = batch.Commit();
  }
  if (!ok) return 0;
  // The record is read again so that it stands for what the file now holds.
  char file[sizeof r->path + 1] = {};
  std::memcpy(file, path, std::min(sizeof file - 1, std::strlen(path)));
  OPLOT_FreeDrawEvents(r);
  if (!OPLOT_ReadDrawEvents(file, slot, r)) {
    FreeSlotEvents(slot);
  } else {
    r->hasEvents = 1;
  }
  RepaintIfAllowed2();
  return 1;
}
