// Title lines and segment titles of the plots, the outline of a printed
// drawing, the delete and maximise buttons, and integration baselines.
#include "plotengine/titles_and_buttons.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/list_text_helpers.h"
#include "common/plot_titles.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "plotengine/overlay_internal.h"
#include "plotengine/plot_coordinates.h"
#include "quorna/quorna.h"
#include "ulbrec32/ulbrec32.h"

namespace {

using namespace kelt::plot;

std::string Field(const char* s, size_t size) { return std::string(s, strnlen(s, size)); }

bool DigitsOnly(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool NoMassList(const OVERLAY_SLOT& s) { return s.massList.count == 0; }

// Item 0: the trace name of the slot's kind.
std::string TraceName(const OVERLAY_SLOT& s) {
  const STRUCT_WORK_FILE* wf = s.workFile;
  const unsigned kind = s.plotKind;
  char buf[512] = {};
  if (kind == 301 && s.scanFunArray) {
    SCAN_FUN_GetPlotTitle(wf, &s.massList, s.scanFunArray, buf, TITLE_TRACE_NAME_SIZE);
    return buf;
  }
  if (kind == DATA_TYPE_DETECTOR) {
    KELT_MakeWSPlotTitle(buf, wf, static_cast<int16_t>(s.trace ? s.trace->detectorChannel : s.plotSubKind));
    return buf;
  }
  if ((kind == 0 || kind == 1) && NoMassList(s)) return "TIC";
  if (kind == 1) {
    if (!FormatMassListText(buf, &s.massList, kelt::wff::MassDecimals(wf))) return {};
    const std::string ions = buf;
    if (ions == "RIC") return ions;
    return (DigitsOnly(ions) ? "Ion: " : "Ions: ") + ions;
  }
  if (kind == 2) return "Intensity of Base Peak";
  if (kind == 3) return "Base Peak Ion";
  if (kind >= 4 && kind <= 99) {
    const MS_INFO_BLOCK* info = kelt::wff::Info(wf);
    const unsigned k = kind - 4;
    if (info && k < info->extraColumnCount && k < MS_MAX_EXTRA_COLUMNS)
      return kelt::text::WideToAnsi(info->extraColumnNames[k], 14);
  }
  return {};
}

// Item 1: the short trace name.
std::string ShortTraceName(const OVERLAY_SLOT& s) {
  const unsigned kind = s.plotKind;
  if (kind == 301 || kind == DATA_TYPE_DETECTOR) return TraceName(s);
  if ((kind == 0 || kind == 1) && NoMassList(s)) return "TIC";
  if (kind == 300) return {};
  char buf[256] = {};
  if (!FormatChanList(buf, &s.chanList)) return {};
  return buf;
}

std::string OffsetText(double offset) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%f", offset);
  std::string t = buf;
  if (t.find('.') != std::string::npos) {
    while (!t.empty() && t.back() == '0') t.pop_back();
    if (!t.empty() && t.back() == '.') t.pop_back();
  }
  return t + " min offset";
}

std::string Item(int code, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int slot, uint16_t optionA,
                 bool& traceNameDone) {
  const OVERLAY_SLOT& s = o->slots[slot];
  const STRUCT_WORK_FILE* wf = s.workFile;
  switch (code) {
    case TITLE_ITEM_TRACE_NAME:
    case TITLE_ITEM_SHORT_TRACE_NAME: {
      // The long and short names of these kinds are one text, written once.
      const bool once = s.plotKind == 301 || s.plotKind == DATA_TYPE_DETECTOR ||
                        ((s.plotKind == 0 || s.plotKind == 1) && NoMassList(s));
      if (once && traceNameDone) return {};
      if (once) traceNameDone = true;
      return code == TITLE_ITEM_TRACE_NAME ? TraceName(s) : ShortTraceName(s);
    }
    case TITLE_ITEM_FILE_NAME: {
      if (optionA != 0) return {};
      if (s.displayFileName[0]) {
        char buf[ULBREC_DISPLAY_NAME_SIZE] = {};
        MakeDisplayFileName(Field(s.displayFileName, sizeof s.displayFileName).c_str(), buf);
        return buf;
      }
      if (!wf) return {};
      return wf->displayName[0] ? Field(wf->displayName, sizeof wf->displayName)
                                : Field(wf->filePath, sizeof wf->filePath);
    }
    case TITLE_ITEM_VERSION: {
      if (optionA != 0 || !s.versionNumber || !s.versionCount) return {};
      char buf[64];
      std::snprintf(buf, sizeof buf, "Version %d of %d", s.versionNumber, s.versionCount);
      return buf;
    }
    case TITLE_ITEM_MODULE: {
      if (!IsMSKind(wf)) return {};
      char buf[256] = {};
      HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, wf->fileType);
      if (!config || !GetModuleConfigString(config, MODULE_CONFIG_NAME_ITEM, buf)) return {};
      return Field(buf, sizeof buf);
    }
    case TITLE_ITEM_ACQUISITION_MODE:
      if (!IsMSKind(wf) || !(wf->centroid || wf->profile)) return {};
      return wf->profile ? "Profile" : "Centroid";
    case TITLE_ITEM_FILTERED:
      return SizesUseProcessed(sz, slot) ? "Filtered" : "";
    case TITLE_ITEM_OFFSET:
      if (!o->tail.timeOffsetsOn || o->tail.timeOffsets[slot] == 0) return {};
      return OffsetText(o->tail.timeOffsets[slot]);
    default:
      return {};
  }
}

void Append(std::string& line, const std::string& item) {
  if (item.empty()) return;
  if (!line.empty()) line += ' ';
  line += item;
}

std::string LineText(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int slot, uint16_t optionA,
                     const STRUCT_OPLOT_CALLER_TITLE* ct) {
  const OVERLAY_SLOT& s = o->slots[slot];
  std::string line;
  if (s.reference) Append(line, "REFERENCE");
  Append(line, Field(s.labelText, sizeof s.labelText));
  if (s.plotKind == 300) Append(line, "SEGMENT PLOTS");
  const std::string own = Field(s.title, sizeof s.title);
  if (!own.empty()) {
    Append(line, own);
    return line;
  }
  const bool titlesOn = !ct || ct->plotTitlesOn;
  if (!titlesOn) return line;
  int codes[TITLE_MOST_ITEMS];
  int n = 0;
  if (ct) {
    n = ct->itemCount < 0 ? 0 : (ct->itemCount > TITLE_MOST_ITEMS ? TITLE_MOST_ITEMS : ct->itemCount);
    for (int i = 0; i < n; ++i) codes[i] = ct->items[i];
  } else {
    for (n = 0; n < TITLE_MOST_ITEMS; ++n) codes[n] = n;
  }
  bool traceNameDone = false;
  for (int i = 0; i < n; ++i) Append(line, Item(codes[i], o, sz, slot, optionA, traceNameDone));
  return line;
}

int32_t Width(HDC dc, const std::string& s) {
  if (s.empty()) return 0;
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
  return size.cx;
}

void Text(HDC dc, int32_t x, int32_t y, const std::string& s) {
  if (!s.empty()) TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

struct Fitting {
  int32_t xStart;
  int32_t right;        // the drawing's right less the right scale
  int32_t cw, ch;
  bool leftAligned;
};

// Draws a title as lines from y while they fit above bottom; returns the
// y after the last line drawn, and in *firstY the first line's y (-1: none).
// With box set nothing is drawn: the lines' text cells are added to *box.
int32_t DrawLines(HDC dc, std::string text, int32_t y, int32_t bottom, int32_t buttonsRoom, const Fitting& f,
                  int32_t* firstY, RECT* box = nullptr) {
  *firstY = -1;
  auto put = [&](int32_t x, const std::string& line) {
    if (!box) {
      Text(dc, x, y, line);
      return;
    }
    const RECT r{x, y, x + Width(dc, line), y + f.ch};
    if (box->right <= box->left) {
      *box = r;
    } else {
      box->left = std::min(box->left, r.left);
      box->top = std::min(box->top, r.top);
      box->right = std::max(box->right, r.right);
      box->bottom = std::max(box->bottom, r.bottom);
    }
  };
  const int32_t breakLimit = f.right - 2 * f.cw;
  while (!text.empty() && y + f.ch <= bottom) {
    const int32_t x = f.right - buttonsRoom - f.cw - Width(dc, text);
    if (x >= f.xStart) {
      put(f.leftAligned ? f.xStart : x, text);
      text.clear();
    } else {
      size_t cut = std::string::npos;
      for (size_t i = text.size(); i-- > 1;) {
        const char c = text[i];
        if ((c == ' ' || c == '+' || c == '-') && f.xStart + Width(dc, text.substr(0, i)) <= breakLimit) {
          cut = i;
          break;
        }
      }
      std::string first, rest;
      if (cut != std::string::npos) {
        first = text.substr(0, cut);
        rest = text.substr(text[cut] == ' ' ? cut + 1 : cut);
      } else {
        size_t n = text.size() - 1;
        while (n > 0 && f.xStart + Width(dc, text.substr(0, n)) > breakLimit) --n;
        if (n == 0) break;
        first = text.substr(0, n);
        rest = text.substr(n);
      }
      put(f.xStart, first);
      text = rest;
    }
    if (*firstY < 0) *firstY = y;
    y += f.ch;
  }
  return y;
}

struct Span {
  std::string title;
  double from, to;
  bool firstInRange, lastInRange;
};

// Whether a point of the slot's shown range lies in from..to.
bool PointsIn(const SVW_OVERLAY* o, int slot, double from, double to) {
  const STRUCT_NE_DATA_POINTS* dp = o->slots[slot].trace;
  if (!dp || !dp->points || dp->pointCount == 0) return false;
  const double off = TimeOffset(o, slot);
  int64_t first = o->tail.firstShownIndex[slot], last = o->tail.lastShownIndex[slot];
  if (first < 0) first = 0;
  if (last >= static_cast<int64_t>(dp->pointCount)) last = dp->pointCount - 1;
  for (int64_t k = first; k <= last; ++k) {
    const double t = NePointAt(dp->points, static_cast<uint32_t>(k))->time + off;
    if (t >= from && t <= to) return true;
  }
  return false;
}

std::string SegmentTitle(const OVERLAY_SLOT& s, int segment, const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount) {
  char buf[TITLE_SEGMENT_SIZE + 1] = {};
  if (s.scanFunArray) {
    SCAN_FUN_GetSegmentTitle(s.scanFunArray, static_cast<int16_t>(segment), buf, TITLE_SEGMENT_SIZE);
    return buf;
  }
  if (s.segPlots) {
    if (segment >= s.segPlots->count) return {};
    return Field(s.segPlots->entries[segment].title, sizeof s.segPlots->entries[segment].title);
  }
  if (!info) return {};
  const int function = s.chanList.count == 1 ? s.chanList.entries[0].low : 0;
  for (int i = 0; i < infoCount; ++i) {
    if (ScanFunInfoInSegment(info[i], segment) && info[i].channel == function)
      return Field(info[i].shortName, sizeof info[i].shortName);
  }
  return {};
}

// The segment titles of a slot on the line at y; true when the line was used.
// With boxes set nothing is drawn: each title's text cell is appended while
// *count is below room.
bool DrawSegmentTitles(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int slot, int32_t y,
                       RECT* boxes = nullptr, int* boxCount = nullptr, int room = 0) {
  const OVERLAY_SLOT& s = o->slots[slot];
  const STRUCT_WORK_FILE* wf = s.workFile;
  const int count = WorkFileSegmentCount(wf);
  const double vs = o->tail.viewStart, ve = o->tail.viewEnd;
  if (count < 1 || !(ve - vs > 0)) return false;
  const double off = TimeOffset(o, slot);
  int first = -1, last = -1;
  for (int i = 0; i < count; ++i) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, i);
    if (!seg) break;
    const double end = seg->endTime + off;
    if (first < 0 && end > vs) first = i;
    if (first >= 0) {
      last = i;
      if (end >= ve) break;
    }
  }
  if (first < 0) return false;
  // The scan-function entries serve files of one function, or a plot of one function.
  const bool oneFunction = kelt::wff::MostScanFunctions(wf) == 1 ||
                           (s.chanList.kind == 1 && s.chanList.count == 1 &&
                            s.chanList.entries[0].low == s.chanList.entries[0].high);
  STRUCT_SCAN_FUN_INFO* info = nullptr;
  int16_t infoCount = 0;
  if (!s.scanFunArray && !s.segPlots && oneFunction) info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
  std::vector<Span> spans;
  for (int i = first; i <= last; ++i) {
    const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, i);
    const double from = seg->startTime + off, to = seg->endTime + off;
    const std::string title = SegmentTitle(s, i, info, infoCount);
    if (title.empty() || !PointsIn(o, slot, from, to)) continue;
    if (!spans.empty() && spans.back().title == title) {
      spans.back().to = to;
      spans.back().lastInRange = i == last;
      continue;
    }
    spans.push_back({title, from, to, i == first, i == last});
  }
  if (info) FreeBlock(info);
  if (spans.empty()) return false;
  const int32_t cw = sz->charWidth;
  const int32_t left = sz->params.left + sz->leftScaleWidth;
  auto xOf = [&](double t) { return left + static_cast<int32_t>(std::trunc(sz->plotWidth * (t - vs) / (ve - vs))); };
  for (Span& sp : spans) {
    int32_t xa = xOf(Greater(sp.from, vs)), xb = xOf(Lesser(sp.to, ve));
    if (sp.firstInRange) xa += cw / 2;
    if (sp.lastInRange) xb -= cw / 2;
    std::string t = sp.title;
    while (Width(dc, t) + 2 * cw >= xb - xa && t.size() >= 6) t = t.substr(0, t.size() - 4) + "...";
    if (Width(dc, t) + 2 * cw >= xb - xa) continue;
    if (!boxes) {
      Text(dc, xa, y, t);
    } else if (*boxCount < room) {
      boxes[(*boxCount)++] = RECT{xa, y, xa + Width(dc, t), y + sz->charHeight};
    }
  }
  return true;
}

void Line(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

int32_t AreaBottom(const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz) {
  int32_t b = sz->params.top;
  if (o->head.displayMode == OVERLAY_MODE_STACKED) {
    for (int i = 0; i < OVERLAY_SLOTS; ++i) b += sz->plotHeights[i];
  } else {
    b += sz->overlaidPlotHeight;
  }
  return b;
}

// The boxes of one button kind; draw gets the box (x0, y0, x1, y1).
template <class Draw>
void ForEachButton(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int32_t x0, const int16_t* shown,
                   Draw draw) {
  const int32_t limit = AreaBottom(o, sz);
  for (int slot = 0; slot < OVERLAY_SLOTS; ++slot) {
    if (!shown[slot] || sz->buttonY[slot] == 0) continue;
    const int32_t y0 = sz->buttonY[slot], x1 = x0 + sz->charWidth, y1 = y0 + sz->charHeight - 2;
    if (y1 > limit) break;
    GdiObject pen(CreatePen(PS_SOLID, 1, sz->params.colors[CHRO_COLOR_PLOT0 + slot]));
    SavedDC saved(dc);
    SelectObject(dc, pen.get());
    draw(slot, x0, y0, x1, y1);
  }
}

void Box(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  POINT p[5] = {{x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}, {x0, y1}};
  Polyline(dc, p, 5);
}

}  // namespace

namespace {

// Where the titles go, instead of drawing them: boxes[0] the text cells of
// the title lines, then one box per segment title, at most room in all.
struct TitleBoxes {
  int slot;
  RECT* boxes;
  int room;
  int count;
};

// With where set nothing is drawn: the boxes of where->slot are gathered.
void DrawTitles(HDC dc, SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz, uint16_t titleOptionA, uint16_t titleOptionB,
                const STRUCT_OPLOT_CALLER_TITLE* ct, TitleBoxes* where = nullptr) {
  // A caller title with neither plot nor segment titles asks for none.
  if (ct && !ct->plotTitlesOn && !ct->segmentTitles) return;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  const bool print = p.printFlag != 0;
  const int32_t cw = sz->charWidth, ch = sz->charHeight;
  Fitting f{p.left + sz->leftScaleWidth + 2 * cw, p.right - sz->rightScaleWidth, cw, ch,
            (titleOptionB ? titleOptionB : (ct ? ct->leftAlignedLines : 0)) != 0};
  const bool stacked = o->head.displayMode == OVERLAY_MODE_STACKED;
  const bool segmentTitles = !ct || ct->segmentTitles;
  const int32_t plotLeft = p.left + sz->leftScaleWidth, plotRight = plotLeft + sz->plotWidth;

  GdiObject pen(CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, p.colors[CHRO_COLOR_AXES]));
  SavedDC saved(dc);
  SelectObject(dc, pen.get());
  if (!print) SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP);

  const int32_t areaBottom = p.top + sz->overlaidPlotHeight;
  if (!stacked) IntersectClipRect(dc, plotLeft, p.top, plotRight, areaBottom);
  int32_t y = p.top + ch / 4;
  int32_t stripTop = p.top;
  for (int slot = 0; slot < OVERLAY_SLOTS; ++slot) {
    const int32_t stripHeight = stacked ? sz->plotHeights[slot] : 0;
    const int32_t thisStripTop = stripTop;
    stripTop += stripHeight;
    if (!sz->plotShown[slot] || !o->slots[slot].workFile) continue;
    int32_t bottom = areaBottom;
    std::unique_ptr<SavedDC> stripClip;
    if (stacked) {
      y = thisStripTop + ch / 4;
      bottom = thisStripTop + stripHeight;
      stripClip = std::make_unique<SavedDC>(dc);
      IntersectClipRect(dc, plotLeft, thisStripTop, plotRight, bottom);
    } else if (y + ch > bottom) {
      break;
    }
    SetTextColor(dc, p.colors[CHRO_COLOR_PLOT0 + slot]);
    const int32_t buttonsRoom = (sz->deleteButtonShown[slot] ? cw : 0) + (sz->maximiseButtonShown[slot] ? cw : 0);
    int32_t firstY = -1;
    if (where) {
      // A strip's own titles, or in the overlaid modes every slot's (they
      // share the one area).
      if (stacked && slot != where->slot) continue;
      y = DrawLines(dc, LineText(o, sz, slot, titleOptionA, ct), y, bottom, buttonsRoom, f, &firstY,
                    &where->boxes[0]);
      if (where->count == 0 && where->boxes[0].right > where->boxes[0].left) where->count = 1;
      if (segmentTitles && IsMSKind(o->slots[slot].workFile) && y + ch <= bottom) {
        // Slot 0 of the boxes is the title lines' own, kept even when they are none.
        if (where->count == 0) where->count = 1;
        if (DrawSegmentTitles(dc, o, sz, slot, y, where->boxes, &where->count, where->room)) y += ch;
      }
      if (stacked) return;
      continue;
    }
    y = DrawLines(dc, LineText(o, sz, slot, titleOptionA, ct), y, bottom, buttonsRoom, f, &firstY);
    if (!stacked && (sz->deleteButtonShown[slot] || sz->maximiseButtonShown[slot]))
      sz->buttonY[slot] = static_cast<int16_t>(firstY >= 0 ? firstY : 0);
    if (segmentTitles && IsMSKind(o->slots[slot].workFile) && y + ch <= bottom &&
        DrawSegmentTitles(dc, o, sz, slot, y))
      y += ch;
  }
}

void DrawBaselines(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t count,
                   const STRUCT_OPLOT_BASELINE_RESULT* records);

}  // namespace

int32_t OPLOT_GetTitleBoxes(HDC dc, SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz, uint16_t titleOptionA,
                            uint16_t titleOptionB, const STRUCT_OPLOT_CALLER_TITLE* ct, int16_t slot, RECT* boxes,
                            int32_t room) {
  if (!dc || !o || !sz || !boxes || room < 1 || slot < 0 || slot >= OVERLAY_SLOTS) return 0;
  for (int32_t i = 0; i < room; ++i) boxes[i] = RECT{0, 0, 0, 0};
  TitleBoxes where{slot, boxes, room, 0};
  try {
    DrawTitles(dc, o, sz, titleOptionA, titleOptionB, ct, &where);
  } catch (...) {
    return 0;
  }
  return where.count;
}

KELT_API void OPLOT_DrawTitles(HDC dc, SVW_OVERLAY* o, STRUCT_OVER_SIZES* sz, uint16_t titleOptionA,
                               uint16_t titleOptionB, const STRUCT_OPLOT_CALLER_TITLE* ct) {
  if (!dc || !o || !sz) return;
  // The texts are built in containers; nothing thrown leaves the export.
  try {
    DrawTitles(dc, o, sz, titleOptionA, titleOptionB, ct);
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawBaselineResults(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t count,
                                        const STRUCT_OPLOT_BASELINE_RESULT* records) {
  if (!dc || !o || !sz || !records || count <= 0) return;
  try {
    DrawBaselines(dc, o, sz, count, records);
  } catch (...) {
  }
}

KELT_API void OPLOT_DrawOutline(HDC dc, const STRUCT_OVER_SIZES* sz) {
  if (!dc || !sz) return;
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  GdiObject pen(CreatePen(PS_SOLID, p.printFlag ? PrintPenWidth() : 1, p.colors[CHRO_COLOR_AXES]));
  SavedDC saved(dc);
  SelectObject(dc, pen.get());
  MoveToEx(dc, p.left, p.bottom, nullptr);
  LineTo(dc, p.left, p.top);
  LineTo(dc, p.right, p.top);
  LineTo(dc, p.right, p.bottom);
  LineTo(dc, p.left, p.bottom);
}

KELT_API void OPLOT_DrawDeleteButtons(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz) {
  if (!dc || !o || !sz) return;
  ForEachButton(dc, o, sz, sz->deleteButtonX, sz->deleteButtonShown,
                [&](int, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
                  Box(dc, x0, y0, x1, y1);
                  Line(dc, x0, y0, x1, y1);
                  Line(dc, x0, y1, x1, y0);
                });
}

KELT_API void OPLOT_DrawMaximizeButtons(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz) {
  if (!dc || !o || !sz) return;
  const bool stacked = o->head.displayMode == OVERLAY_MODE_STACKED;
  ForEachButton(dc, o, sz, sz->maximiseButtonX, sz->maximiseButtonShown,
                [&](int slot, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
                  const int32_t w = x1 - x0, h = y1 - y0;
                  if ((o->head.maximised && o->head.maximisedSlot == slot) || !stacked) {
                    // Restore: two smaller boxes, bottom-left and top-right.
                    const int32_t bw = w * 2 / 3, bh = h * 2 / 3;
                    Box(dc, x0, y1 - bh, x0 + bw, y1);
                    Box(dc, x1 - bw, y0, x1, y0 + bh);
                  } else {
                    Box(dc, x0, y0, x1, y1);
                    Box(dc, x0 + w / 3, y0 + h / 3, x1 - w / 3, y1 - h / 3);
                  }
                });
}

namespace {

void DrawBaselines(HDC dc, const SVW_OVERLAY* o, const STRUCT_OVER_SIZES* sz, int16_t count,
                   const STRUCT_OPLOT_BASELINE_RESULT* records) {
  const STRUCT_OPLOT_PLOT_PARAMS& p = sz->params;
  const bool print = p.printFlag != 0;
  const double vs = o->tail.viewStart, ve = o->tail.viewEnd;
  GdiObject pen(CreatePen(PS_SOLID, print ? PrintPenWidth() : 0, p.colors[CHRO_COLOR_BASELINES]));
  SavedDC saved(dc);
  SelectObject(dc, pen.get());
  for (int i = 0; i < count; ++i) {
    const STRUCT_OPLOT_BASELINE_RESULT& r = records[i];
    const int slot = r.slot;
    if (r.baselineStartTime == 0 && r.baselineEndTime == 0) continue;
    if (!OverlaySlotIndex(slot) || !sz->plotShown[slot] || !sz->plotInView[slot]) continue;
    if (r.baselineStartTime >= ve || r.baselineEndTime < vs) continue;
    int32_t left, bottom, right, top;
    double low, high, ymult;
    if (!OPLOT_GetChromatogramArea(o, sz, static_cast<int16_t>(slot), &left, &bottom, &right, &top)) continue;
    if (!OPLOT_GetVerticalScaleValues(o, sz, static_cast<int16_t>(slot), SizesUseProcessed(sz, slot), &low, &high) ||
        !OPLOT_GetYMult(o, sz, static_cast<int16_t>(slot), &ymult))
      continue;
    // A zero window or range has no pixels.
    if (!(ve - vs > 0) || !std::isfinite(ymult)) continue;
    const double t0 = r.baselineStartTime, v0 = r.baselineStartValue;
    const double t1 = r.baselineEndTime, v1 = r.baselineEndValue;
    auto baseline = [&](double t) { return t1 == t0 ? v0 : v0 + (t - t0) * (v1 - v0) / (t1 - t0); };
    std::vector<std::pair<double, double>> pts;
    const double ps = r.peakStartTime, pe = r.peakEndTime;
    if (ps >= vs && ps <= ve) pts.push_back({ps, double{r.peakStartValue}});
    const double a = Greater(ps, vs), b = Lesser(pe, ve);
    pts.push_back({a, baseline(a)});
    pts.push_back({b, baseline(b)});
    if (pe < ve) pts.push_back({pe, double{r.peakEndValue}});
    auto X = [&](double t) { return left + (t - vs) * sz->xFactor; };
    auto Y = [&](double v) { return bottom - (v - low) * ymult; };
    for (size_t k = 0; k + 1 < pts.size(); ++k) {
      int32_t out[4];
      if (KELT_Clipper(out, X(pts[k].first), Y(pts[k].second), X(pts[k + 1].first), Y(pts[k + 1].second), left,
                       bottom, right, top))
        Line(dc, out[0], out[1], out[2], out[3]);
    }
  }
}

}  // namespace
