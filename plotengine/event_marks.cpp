// System event marks, special markers, search and integration windows,
// and the checks of a method's time events.
#include "plotengine/event_marks.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/section_stems.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay_internal.h"
#include "plotengine/plot_coordinates.h"
#include "win/win_kernel.h"

namespace {

using namespace kelt::plot;

// The event-mark log library, loaded by name from the program folder for
// one reading and freed afterwards.
class EventMarkLibrary {
 public:
  using OpenFn = HSECTION (*)(const void*, uint16_t, uint16_t, const char*);
  using CountFn = int32_t (*)(HSECTION);
  using ReadFn = BOOL (*)(HSECTION, int32_t, void*, int32_t);

  EventMarkLibrary() {
    char folder[MAX_PATH + 1] = {};
    if (!GetProgramDirectory(folder)) folder[0] = 0;
    std::string path = folder;
    if (!path.empty()) path += "\\";
    path += "Pelmar32.dll";
    module_ = LoadLibraryA(path.c_str());
    if (!module_) return;
    open = ProcAs<OpenFn>(GetProcAddress(module_, "OpenEventMarkLogReadOnly"));
    count = ProcAs<CountFn>(GetProcAddress(module_, "CountEventMarkLogSteps"));
    read = ProcAs<ReadFn>(GetProcAddress(module_, "ReadEventMarkLogStep"));
  }
  ~EventMarkLibrary() {
    if (module_) FreeLibrary(module_);
  }
  EventMarkLibrary(const EventMarkLibrary&) = delete;
  EventMarkLibrary& operator=(const EventMarkLibrary&) = delete;
  bool Usable() const { return open && count && read; }

  OpenFn open = nullptr;
  CountFn count = nullptr;
  ReadFn read = nullptr;

 private:
  HMODULE module_ = nullptr;
};

void ReadSlotMarks(OVERLAY_SLOT& s) {
  STRUCT_SECTION_ARRAY* sections = KELT_GetSectionsFromStem(s.workFile ? s.workFile->filePath : nullptr, "EventMarkLog");
  if (!sections) {
    s.eventMarksLookedUp = 1;
    return;
  }
  {
    EventMarkLibrary lib;
    for (int16_t i = 0; lib.Usable() && i < sections->count && s.eventMarkCount < OVERLAY_EVENT_MARKS; ++i) {
      char stem[73] = {};
      uint16_t id = 0, address = 0, tagNumber = 0;
      const std::string name(sections->entries[i].name, strnlen(sections->entries[i].name, sizeof sections->entries[i].name));
      if (std::sscanf(name.c_str(), " %72[^.].%4hx.%4hx.%4hx", stem, &id, &address, &tagNumber) != 4) continue;
      char tag[16];
      std::snprintf(tag, sizeof tag, "%d", tagNumber);
      HSECTION h = lib.open(s.workFile, id, address, tag);
      if (!h) continue;
      int32_t n = lib.count(h);
      if (n > 0) {
        if (!s.eventMarks) s.eventMarks = AllocBlock(OVERLAY_EVENT_MARKS * EVENT_MARK_SIZE);
        // A log longer than the room left gives as many of its marks as fit.
        const int32_t room = OVERLAY_EVENT_MARKS - s.eventMarkCount;
        if (n > room) n = room;
        auto* at = static_cast<uint8_t*>(s.eventMarks);
        if (at && lib.read(h, 0, at + size_t{EVENT_MARK_SIZE} * static_cast<size_t>(s.eventMarkCount), n))
          s.eventMarkCount = static_cast<int16_t>(s.eventMarkCount + n);
      }
      CloseSection(h);
    }
  }
  if (s.eventMarkCount == 0) {
    s.eventMarksLookedUp = 1;
    if (s.eventMarks) {
      FreeBlock(s.eventMarks);
      s.eventMarks = nullptr;
    }
  }
  KELT_FreeSectionArray(sections);
}

// The font of a drawing's texts, made from the caller's description.
HFONT MakeFont(const LOGFONTA* font, int32_t angle, bool print) {
  if (!font) return nullptr;
  LOGFONTA f = *font;
  f.lfEscapement = f.lfOrientation = angle;
  if (print) {
    STRUCT_REPORT_PREFS report;
    KELT_GetCurrDefReportPrefs(&report);
    double height = report.fonts.smallSize;
    double scale = 1.0;
    int16_t flag = 0;
    KELT_GetPlotReportOverrides(&scale, &flag);
    if (scale > 1.0 && scale <= 10.0) height *= scale;
    f.lfHeight = static_cast<LONG>(height);
  }
  return CreateFontIndirectA(&f);
}

std::string MarkText(const STRUCT_EVENT_MARK& m) { return std::string(m.text, strnlen(m.text, sizeof m.text)); }

bool MarksDrawn(const SVW_OVERLAY* o, int slot) {
  const OVERLAY_SLOT& s = o->slots[slot];
  return s.workFile && s.eventMarkCount > 0 && s.eventMarks && !s.eventMarksLookedUp && o->head.shown[slot] &&
         o->tail.inView[slot];
}

const STRUCT_EVENT_MARK* MarksOf(const OVERLAY_SLOT& s) { return static_cast<const STRUCT_EVENT_MARK*>(s.eventMarks); }

int16_t MarkCount(const OVERLAY_SLOT& s) {
  return s.eventMarkCount < OVERLAY_EVENT_MARKS ? s.eventMarkCount : static_cast<int16_t>(OVERLAY_EVENT_MARKS);
}

void TextAt(HDC dc, int32_t x, int32_t y, const std::string& s) {
  TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

// The pixel column of a time in the view [vs, ve] drawn scale pixels a
// minute from left; false for a time outside the view or no number at all
// (a damaged log's time is never turned into a column).
bool ColumnOf(double t, double vs, double ve, double scale, int32_t left, int32_t* x) {
  if (!(t >= vs && t <= ve)) return false;
  const double offset = std::trunc((t - vs) * scale);
  if (!(offset >= 0 && offset <= 1e9)) return false;
  *x = left + static_cast<int32_t>(offset);
  return true;
}

}  // namespace

KELT_API void OPLOT_ReadSystemEventMarks(SVW_OVERLAY* o) {
  try {
    if (!o) return;
    for (OVERLAY_SLOT& s : o->slots) {
      if (!s.workFile || s.workFile->directHeader || s.eventMarkCount != 0 || s.eventMarksLookedUp) continue;
      ReadSlotMarks(s);
    }
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawSystemEventMarks(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz,
                                         const LOGFONTA* font) {
  try {
    if (!dc || !o || !sz) return;
    const double vs = o->tail.viewStart, ve = o->tail.viewEnd;
    if (!(ve > vs)) return;
    std::vector<int> slots;
    if (o->head.displayMode == OVERLAY_MODE_STACKED) {
      for (int i = 0; i < OVERLAY_SLOTS; ++i) slots.push_back(i);
    } else if (OverlaySlotIndex(o->head.activePlot)) {
      slots.push_back(o->head.activePlot);
    }
    bool any = false;
    for (int i : slots) {
      if (!MarksDrawn(o, i)) continue;
      const STRUCT_EVENT_MARK* marks = MarksOf(o->slots[i]);
      for (int16_t k = 0; k < MarkCount(o->slots[i]) && !any; ++k) any = marks[k].time >= vs && marks[k].time <= ve;
    }
    if (!any) return;
    const bool print = sz->params.printFlag != 0;
    GdiObject pen(CreatePen(PS_DOT, 0, sz->params.colors[CHRO_COLOR_AXES]));
    GdiObject upright(MakeFont(font, 900, print));
    SavedDC saved(dc);
    SelectObject(dc, pen.get());
    if (upright.get()) SelectObject(dc, upright.get());
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    if (!print) SetBkMode(dc, TRANSPARENT);
    const double xScale = sz->plotWidth / (ve - vs);
    for (int i : slots) {
      if (!MarksDrawn(o, i)) continue;
      int32_t left, bottom, right, top;
      if (!OPLOT_GetChromatogramArea(o, sz, static_cast<int16_t>(i), &left, &bottom, &right, &top)) continue;
      // Marks of one time share one line and one text.
      struct Entry {
        double time;
        std::string text;
      };
      std::vector<Entry> entries;
      const STRUCT_EVENT_MARK* marks = MarksOf(o->slots[i]);
      for (int16_t k = 0; k < MarkCount(o->slots[i]); ++k) {
        const double t = marks[k].time;
        const std::string text = MarkText(marks[k]);
        bool merged = false;
        for (Entry& e : entries) {
          if (e.time != t) continue;
          if (e.text.size() + 5 + text.size() < 100) {
            e.text += "     " + text;
            merged = true;
          }
          break;
        }
        if (!merged) entries.push_back({t, text.substr(0, 104)});
      }
      for (const Entry& e : entries) {
        int32_t x;
        if (!ColumnOf(e.time, vs, ve, xScale, left, &x)) continue;
        MoveToEx(dc, x, bottom, nullptr);
        LineTo(dc, x, top);
        TextAt(dc, x, bottom, e.text);
      }
    }
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawSpecialMarkers(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, const LOGFONTA* font,
                                       const STRUCT_OPLOT_SPECIAL_MARKER* markers, int16_t count) {
  try {
    if (!dc || !o || !sz || !markers || count <= 0) return;
    if (count > OPLOT_MOST_SPECIAL_MARKERS) count = OPLOT_MOST_SPECIAL_MARKERS;
    const bool print = sz->params.printFlag != 0;
    const int32_t cw = sz->charWidth;
    GdiObject textFont(font ? CreateFontIndirectA(font) : nullptr);
    SavedDC saved(dc);
    if (textFont.get()) SelectObject(dc, textFont.get());
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    if (!print) SetBkMode(dc, TRANSPARENT);
    for (int16_t k = 0; k < count; ++k) {
      const STRUCT_OPLOT_SPECIAL_MARKER& m = markers[k];
      const int16_t slot = m.slot;
      int32_t left, bottom, right, top;
      if (!OPLOT_GetChromatogramArea(o, sz, slot, &left, &bottom, &right, &top)) continue;
      const double t = m.time;
      if (!(t > o->tail.viewStart && t < o->tail.viewEnd)) continue;
      double at = 0, v = 0;
      int32_t x = 0, y = 0;
      if (!OPLOT_GetInterpolatedValueFromTime(o, slot, t, &at, &v)) continue;
      if (!OPLOT_GetXPixelFromTime(t, o, sz, 0, &x) || !OPLOT_GetYPixelFromValue(v, slot, o, sz, 1, &y)) continue;
      bool crowded = false;
      for (int16_t e = 0; e < k && !crowded; ++e)
        crowded = markers[e].slot == slot && std::fabs(markers[e].time - t) < 0.001;
      const int32_t h = (bottom - top) / (crowded ? 16 : 8);
      const COLORREF colour = m.colour;
      GdiObject pen(CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, colour));
      HGDIOBJ old = SelectObject(dc, pen.get());
      MoveToEx(dc, x, y + h, nullptr);
      LineTo(dc, x, y - h);
      MoveToEx(dc, x - cw, y + h, nullptr);
      LineTo(dc, x + cw, y + h);
      MoveToEx(dc, x - cw, y - h, nullptr);
      LineTo(dc, x + cw, y - h);
      SelectObject(dc, old);
      const std::string text(m.text, strnlen(m.text, sizeof m.text));
      if (!text.empty()) {
        SetTextColor(dc, colour);
        TextAt(dc, x - cw, y + h, text);
      }
    }
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawSearchAndIntegrationWindows(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz,
                                                    int16_t slot, double time, int32_t searchWindow,
                                                    int32_t integrationWindow, const LOGFONTA* font) {
  try {
    if (!dc || !o || !sz) return;
    int32_t left, bottom, right, top;
    if (!OPLOT_GetChromatogramArea(o, sz, slot, &left, &bottom, &right, &top)) return;
    const int32_t H = bottom + 1 - top;
    if (H < 4 * sz->charHeight) return;
    const double vs = o->tail.viewStart, ve = o->tail.viewEnd;
    const double search = searchWindow / 1000.0, integration = integrationWindow / 1000.0;
    struct Edge {
      double time;
      bool isLeft, isSearch;
    };
    const Edge edges[] = {{time - search, true, true},
                          {time + search, false, true},
                          {time - integration, true, false},
                          {time + integration, false, false}};
    bool any = false;
    for (const Edge& e : edges) any = any || (e.time >= vs && e.time <= ve);
    if (!any) return;
    const bool print = sz->params.printFlag != 0;
    GdiObject pen(CreatePen(PS_SOLID, 0, sz->params.colors[CHRO_COLOR_AXES]));
    GdiObject textFont(font && !print ? CreateFontIndirectA(font) : nullptr);
    SavedDC saved(dc);
    SelectObject(dc, pen.get());
    if (textFont.get()) SelectObject(dc, textFont.get());
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    if (!print) SetBkMode(dc, TRANSPARENT);
    SIZE start{};
    GetTextExtentPoint32A(dc, "Start", 5, &start);
    const int32_t h = start.cy > 0 ? start.cy : 1, m = start.cx / 5;
    int32_t searchTop, integrationTop;
    if (H / h >= 16) {
      integrationTop = bottom - H / 2;
      searchTop = integrationTop + 4 * h;
    } else if (H / h >= 8) {
      searchTop = top + h;
      integrationTop = searchTop + 4 * h;
    } else {
      searchTop = top + h / 4;
      integrationTop = searchTop + 2 * h;
    }
    auto place = [&](int32_t x, const std::string& s, bool endsAtX, int32_t y) {
      SIZE w{};
      GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &w);
      int32_t at = endsAtX ? x - w.cx : x;
      if (at + w.cx > right - m / 2) at = right - m / 2 - w.cx;
      if (at < left + m / 2) at = left + m / 2;
      TextAt(dc, at, y, s);
    };
    for (const Edge& e : edges) {
      int32_t x;
      if (!ColumnOf(e.time, vs, ve, sz->xFactor, left, &x)) continue;
      const int32_t upper = e.isSearch ? searchTop : integrationTop;
      MoveToEx(dc, x, bottom, nullptr);
      LineTo(dc, x, upper);
      place(x, e.isLeft ? "Start" : "End", e.isLeft, upper);
      place(x, e.isSearch ? "Search" : "Integration", e.isLeft, upper + h);
    }
  } catch (...) {
  }
}

namespace {

bool RangeCode(int16_t c) { return c == 4 || c == 7 || c == 8 || c == 9; }

void Message(STRUCT_TIME_EVENT_ERRORS* list, const char* format, int a, int b) {
  if (list->messageCount >= TIME_EVENT_ERROR_MESSAGES) return;
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  CopyText(list->messages[list->messageCount], TIME_EVENT_ERROR_TEXT_SIZE, text);
  ++list->messageCount;
}

}  // namespace

KELT_API STRUCT_TIME_EVENT_ERRORS* OPLOT_CheckForTimeEventErrorsEx(const char* path, uint16_t moduleId,
                                                                   uint16_t moduleAddress, const char* tag,
                                                                   int32_t* read) {
  try {
    if (read) *read = 0;
    if (!path || !tag) return nullptr;
    auto* list = static_cast<STRUCT_TIME_EVENT_ERRORS*>(AllocBlock(sizeof(STRUCT_TIME_EVENT_ERRORS)));
    if (!list) return nullptr;
    std::vector<DH_TIME_EVENT> events;
    bool ok = false;
    if (HSECTION section = OpenDHSection(path, moduleId, moduleAddress, tag)) {
      const int16_t count = CountDHItems(section);
      ok = count >= 0;
      if (ok) events.resize(static_cast<size_t>(count));
      for (int16_t i = 0; ok && i < count; ++i) ok = ReadDHItem(section, i, &events[size_t(i)], 1) != 0;
      CloseSection(section);
    }
    if (!ok) {
      FreeBlock(list);
      return nullptr;
    }
    if (read) *read = 1;
    const int n = static_cast<int>(events.size());
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j)
        if (events[i].time == events[j].time && events[i].type == events[j].type) {
          ++list->duplicateCount;
          Message(list, "#%d is duplicate of #%d", j + 1, i + 1);
        }
    for (int i = 0; i < n; ++i) {
      const int16_t ci = events[i].type;
      const bool single = ci == 1 || ci == 2 || ci == 3 || ci == 5;
      if (!single && !RangeCode(ci)) continue;
      for (int j = i + 1; j < n; ++j) {
        const int16_t cj = events[j].type;
        if (single ? cj != ci : !RangeCode(cj)) continue;
        const int32_t si = events[i].time, ei = events[i].endTime, sj = events[j].time, ej = events[j].endTime;
        if ((si <= sj && sj <= ei) || (sj < si && si <= ej)) {
          ++list->overlapCount;
          Message(list, "#%d overlaps #%d", j + 1, i + 1);
        }
      }
    }
    for (int i = 0; i < n; ++i) {
      const int16_t c = events[i].type;
      if (((c >= 1 && c <= 5) || (c >= 7 && c <= 9)) && !(events[i].time < events[i].endTime)) {
        ++list->invalidCount;
        Message(list, "#%d is invalid", i + 1, 0);
      }
    }
    if (list->duplicateCount == 0 && list->overlapCount == 0 && list->invalidCount == 0) {
      FreeBlock(list);
      return nullptr;
    }
    return list;
  } catch (...) {
    return nullptr;
  }
}

KELT_API STRUCT_TIME_EVENT_ERRORS* OPLOT_CheckForTimeEventErrors(const char* path, uint16_t moduleId,
                                                                 uint16_t moduleAddress, const char* tag) {
  return OPLOT_CheckForTimeEventErrorsEx(path, moduleId, moduleAddress, tag, nullptr);
}

KELT_API void OPLOT_FreeTimeEventErrors(STRUCT_TIME_EVENT_ERRORS* errors) {
  if (errors) FreeBlock(errors);
}
