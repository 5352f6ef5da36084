// Plot labels: placing, drawing, hit tests and drag outlines.
#include "plotengine/plot_labels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "orvik32/orvik32.h"
#include "plotengine/band_drawing.h"
#include "win/win_crt.h"

using kelt::labels::TextLine;

namespace {

constexpr double kPi = 3.1415926535;

bool HasRange(double a, double b) { return !(a == 0.0 && b == 0.0); }

// An aligned copy of an area (the table is byte-packed).
struct AreaView {
  int16_t id;
  int32_t left, top, width, height;
  double lowValue, highValue, lowTime, highTime;
};

bool ViewArea(const STRUCT_AREA_TABLE* table, int16_t index, AreaView* out) {
  if (!table || index < 0 || index >= table->areaCount || index >= LABEL_AREA_MAX) return false;
  const STRUCT_LABEL_AREA& a = table->areas[index];
  *out = {a.id, a.left, a.top, a.width, a.height, a.lowValue, a.highValue, a.lowTime, a.highTime};
  return true;
}

int16_t FindArea(const STRUCT_AREA_TABLE* table, int code) {
  if (!table) return -1;
  const int n = std::min<int>(table->areaCount, LABEL_AREA_MAX);
  for (int i = 0; i < n; ++i)
    if (table->areas[i].id == code) return static_cast<int16_t>(i);
  return -1;
}

// The area lookup of a label or of its pointer end.
int16_t LookUp(const STRUCT_AREA_TABLE* table, int16_t plot, int16_t group, int16_t mode, int16_t* effective) {
  *effective = group;
  int code = group;
  if (!table) return -1;
  if (!table->sharedAreas) {
    if (group == 60 || group == 80 || group == 100) {
      code = group + plot;
      if (group == 100 && table->offsetAreas && mode == 1) {
        *effective = 120;
        code = 120 + plot;
      }
    }
  } else if (code == 100) {
    if (table->singleStrip)
      code = 100 + plot;
    else if (table->offsetAreas && mode == 1)
      code = 120 + plot;
    else if (plot >= 0 && plot < LABEL_ORIENTATION_PLOTS)
      code = 100 + table->orientation[plot];
    else
      code = 100;
  }
  return FindArea(table, code);
}

int32_t Trunc(double v) {
  if (!(v == v)) return 0;
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483647.0) return -2147483647;
  return static_cast<int32_t>(v);
}

int TurnSign(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t cx, int64_t cy) {
  return (bx - ax) * (cy - ay) > (by - ay) * (cx - ax) ? 1 : -1;
}

// The GDI state a label draw changes, given back in every case.
class DcRestore {
 public:
  explicit DcRestore(CDC* dc) : m_dc(dc), m_saved(dc->SaveDC()) {}
  ~DcRestore() {
    if (m_saved) m_dc->RestoreDC(m_saved);
  }
  DcRestore(const DcRestore&) = delete;
  DcRestore& operator=(const DcRestore&) = delete;

 private:
  CDC* m_dc;
  int m_saved;
};

}  // namespace

namespace kelt::labels {

int SegmentsCross(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4) {
  const int a = TurnSign(x1, y1, x2, y2, x3, y3) * TurnSign(x1, y1, x2, y2, x4, y4);
  const int b = TurnSign(x3, y3, x4, y4, x1, y1) * TurnSign(x3, y3, x4, y4, x2, y2);
  return a <= 0 && b <= 0 ? 1 : 0;
}

void RotatedCorners(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, int32_t* cx, int32_t* cy) {
  if (r == 0) {
    cx[0] = x, cy[0] = y;
    cx[1] = x, cy[1] = y + h;
    cx[2] = x + w, cy[2] = y + h;
    cx[3] = x + w, cy[3] = y;
    return;
  }
  const double t = r / 10.0 * kPi / 180.0;
  const double s = std::sin(-t), c = std::cos(-t);
  cx[0] = x, cy[0] = y;
  cx[1] = Trunc(x + w * c), cy[1] = Trunc(y + w * s);
  cx[2] = Trunc(x + w * c - h * s), cy[2] = Trunc(y + w * s + h * c);
  cx[3] = Trunc(x - h * s), cy[3] = Trunc(y + h * c);
}

int TextBoxesOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t r1, int32_t x2, int32_t y2, int32_t w2,
                     int32_t h2, int32_t r2) {
  if (r1 != r2) return 0;
  int32_t ax[4], ay[4], bx[4], by[4];
  RotatedCorners(x1, y1, w1, h1, r1, ax, ay);
  RotatedCorners(x2, y2, w2, h2, r2, bx, by);
  auto box = [](const int32_t* xs, const int32_t* ys, int32_t* l, int32_t* t, int32_t* rr, int32_t* b) {
    *l = *std::min_element(xs, xs + 4);
    *rr = *std::max_element(xs, xs + 4);
    *t = *std::min_element(ys, ys + 4);
    *b = *std::max_element(ys, ys + 4);
  };
  int32_t al, at, ar, ab, bl, bt, br, bb;
  box(ax, ay, &al, &at, &ar, &ab);
  box(bx, by, &bl, &bt, &br, &bb);
  if (ar < bl || br < al || ab < bt || bb < at) return 0;
  if (r1 == 0 || r1 == 900 || r1 == 1800 || r1 == 2700) return 1;
  for (int i = 0; i < 4; ++i) {
    const int i2 = (i + 1) % 4;
    for (int j = 0; j < 4; ++j) {
      const int j2 = (j + 1) % 4;
      if (SegmentsCross(ax[i], ay[i], ax[i2], ay[i2], bx[j], by[j], bx[j2], by[j2])) return 1;
    }
  }
  if (SegmentsCross(ax[0], ay[0], ax[2], ay[2], bx[1], by[1], bx[3], by[3])) return 1;
  if (SegmentsCross(ax[1], ay[1], ax[3], ay[3], bx[0], by[0], bx[2], by[2])) return 1;
  return 0;
}

void DrawOctagonMark(CDC* dc, int32_t left, int32_t bottom, int32_t right, int32_t top, bool filled) {
  if (!dc) return;
  const int32_t dx = (right - left) >> 4, dy = (bottom - top) >> 4;
  const int32_t a = left + 5 * dx, b = right - 5 * dx, c = bottom - 5 * dy, d = top + 5 * dy;
  const POINT p[9] = {{a, bottom}, {left, c}, {left, d}, {a, top}, {b, top},
                      {right, d},  {right, c}, {b, bottom}, {a, bottom}};
  if (filled)
    dc->Polygon(p, 9);
  else
    dc->Polyline(p, 9);
}

std::vector<TextLine> SplitLabelLines(const char* text, int32_t length) {
  std::vector<TextLine> lines;
  if (!text || length <= 0) return lines;
  int32_t start = 0;
  int32_t i = 0;
  while (i < length && text[i]) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      lines.push_back({start, i - start});
      // A CR LF pair is one break; a lone CR or LF takes nothing else.
      if (ch == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
      ++i;
      start = i;
      continue;
    }
    ++i;
  }
  if (i > start) lines.push_back({start, i - start});
  return lines;
}

void FreeLabelMark(CLabelInfo* label) {
  if (!label || !label->m_mark) return;
  if (label->m_type == LABEL_TYPE_AREA) {
    auto* area = static_cast<STRUCT_LAB_AREA*>(label->m_mark);
    if (area->points) FreeBlock(area->points);
  }
  FreeBlock(label->m_mark);
  label->m_mark = nullptr;
}

}  // namespace kelt::labels

using namespace kelt::labels;

// ---- Text records -------------------------------------------------------------------

void LABS_FreeLabelText(STRUCT_LAB_TEXT* text) {
  if (!text) return;
  if (text->text) FreeBlock(text->text);
  FreeBlock(text);
}

STRUCT_LAB_TEXT* LABS_CopyLabelText(STRUCT_LAB_TEXT* text) {
  if (!text) return nullptr;
  auto* copy = static_cast<STRUCT_LAB_TEXT*>(AllocBlock(sizeof(STRUCT_LAB_TEXT)));
  if (!copy) return nullptr;
  if (!text->text || text->length <= 0) return copy;
  auto* chars = static_cast<char*>(AllocBlock(static_cast<uint32_t>(text->length) + 10));
  if (!chars) {
    FreeBlock(copy);
    return nullptr;
  }
  std::memcpy(chars, text->text, static_cast<size_t>(text->length));
  copy->text = chars;
  copy->length = text->length;
  return copy;
}

namespace {
kelt::labels::EditLabelDialog g_editLabelDialog = nullptr;
}  // namespace

void kelt::labels::SetEditLabelDialog(EditLabelDialog dialog) { g_editLabelDialog = dialog; }

int LABS_EditLabelText(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteRequested,
                       short* centreRequested) {
  if (deleteRequested) *deleteRequested = 0;
  if (centreRequested) *centreRequested = 0;
  const kelt::labels::EditLabelDialog dialog = g_editLabelDialog;
  if (!text || !params || !dialog) return 2;
  STRUCT_LAB_TEXT* copy = LABS_CopyLabelText(text);
  if (!copy) return 2;
  int result = 2;
  try {
    STRUCT_MARKER_PARAMS edited = *params;
    short deleteLabel = 0, centreLabel = 0;
    result = dialog(copy, &edited, &deleteLabel, &centreLabel);
    if (result == 1) {
      if (text->text) FreeBlock(text->text);
      text->text = copy->text;
      text->length = copy->length;
      copy->text = nullptr;
      *params = edited;
      if (deleteRequested) *deleteRequested = deleteLabel;
      if (centreRequested) *centreRequested = centreLabel;
    } else {
      result = 2;
    }
  } catch (...) {
    result = 2;
  }
  LABS_FreeLabelText(copy);
  return result;
}

// ---- Construction and records ------------------------------------------------------------

CLabelInfo::CLabelInfo() = default;

CLabelInfo::~CLabelInfo() { LABS_FreeLabelText(m_text); }

void CLabelInfo::SetTextLabel(char* text, STRUCT_MARKER_PARAMS* params, short moveable) {
  LABS_FreeLabelText(m_text);
  m_text = nullptr;
  m_kind = 2;
  if (text) {
    m_kind = 1;
    const int32_t n = lstrlenA(text);
    m_text = static_cast<STRUCT_LAB_TEXT*>(AllocBlock(sizeof(STRUCT_LAB_TEXT)));
    if (m_text) {
      m_text->text = static_cast<char*>(AllocBlock(static_cast<uint32_t>(n) + 10));
      if (m_text->text) {
        std::memcpy(m_text->text, text, static_cast<size_t>(n));
        m_text->length = n;
      }
    }
  }
  if (params) m_params = *params;
  m_positionMode = m_params.positionMode;
  m_pointerMode = m_params.pointerMode;
  m_moveable = moveable;
  m_labelShown = 0;
  m_pointerShown = 0;
  m_type = 0;
}

void CLabelInfo::SetTextLabelPosition(short type, double x, double y, double pointerX, double pointerY) {
  m_type = type;
  m_labelX = x;
  m_labelY = y;
  if (type == LABEL_TYPE_AREA) {
    m_pointerX = x;
    m_pointerY = y;
  } else {
    m_pointerX = pointerX;
    m_pointerY = pointerY;
  }
}

int CLabelInfo::GetTextLabelInfoForEdit(STRUCT_LAB_TEXT** text, STRUCT_MARKER_PARAMS* params, short* type) {
  if (m_kind != 1) return 0;
  if (text) *text = LABS_CopyLabelText(m_text);
  if (params) *params = m_params;
  if (type) *type = m_type;
  return 1;
}

void CLabelInfo::SetTextLabelInfoFromEdit(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params) {
  if (m_kind != 1) return;
  if (text != m_text) LABS_FreeLabelText(m_text);
  m_text = text;
  if (params) m_params = *params;
  m_positionMode = m_params.positionMode;
  m_pointerMode = m_params.pointerMode;
}

// ---- Areas ------------------------------------------------------------------------

void CLabelInfo::SetAreaIndexes(STRUCT_AREA_TABLE* table, short plot, short areaGroup, short pointerPlot,
                                short pointerAreaGroup) {
  m_plot = plot;
  m_areaGroup = areaGroup;
  m_pointerPlot = pointerPlot;
  m_pointerAreaGroup = pointerAreaGroup;
  UpdateAreaIndexes(table);
}

void CLabelInfo::UpdateAreaIndexes(STRUCT_AREA_TABLE* table) {
  m_areaIndex = LookUp(table, m_plot, m_areaGroup, m_positionMode, &m_effectiveGroup);
  if (m_pointerMode != 0)
    m_pointerAreaIndex = LookUp(table, m_pointerPlot, m_pointerAreaGroup, m_pointerMode, &m_pointerEffectiveGroup);
  else
    m_pointerAreaIndex = -1;
}

void CLabelInfo::SetCenterPosition(STRUCT_AREA_TABLE* table) {
  UpdateAreaIndexes(table);
  if (AreaView av{}; ViewArea(table, m_areaIndex, &av)) {
    const AreaView* a = &av;
    if (m_positionMode == 1) {
      m_labelX = (a->lowTime + a->highTime) / 2.0;
      m_labelY = (a->lowValue + a->highValue) / 2.0;
    } else if (m_positionMode == 2) {
      m_labelX = 0.5;
      m_labelY = 0.5;
    }
  }
  if (AreaView av{}; ViewArea(table, m_pointerAreaIndex, &av)) {
    const AreaView* a = &av;
    if (m_pointerMode == 1) {
      m_pointerX = a->lowTime + (a->highTime - a->lowTime) / 3.0;
      m_pointerY = a->lowValue + (a->highValue - a->lowValue) / 3.0;
    } else if (m_pointerMode == 2) {
      m_pointerX = 0.4;
      m_pointerY = 0.4;
    }
  }
}

void CLabelInfo::AdjustLabelToArea(STRUCT_AREA_TABLE* table) {
  m_labelShown = 0;
  AreaView aView{};
  const AreaView* a = ViewArea(table, m_areaIndex, &aView) ? &aView : nullptr;
  if (!a) return;
  int32_t x;
  if (m_positionMode == 1 && HasRange(a->lowTime, a->highTime) && a->highTime != a->lowTime) {
    x = a->left + Trunc(a->width * (m_labelX - a->lowTime) / (a->highTime - a->lowTime));
    if (x < 0) return;
  } else {
    x = a->left + Trunc(a->width * m_labelX);
  }
  x = std::clamp(x, a->left, a->left + a->width);
  int32_t y = m_anchorY;
  if (m_positionMode == 1 && HasRange(a->lowValue, a->highValue) && a->highValue != a->lowValue) {
    y = Trunc((a->top + a->height) - (a->height * (m_labelY - a->lowValue) / (a->highValue - a->lowValue)));
    y = std::clamp(y, a->top, a->top + a->height);
  } else if (m_positionMode == 1 || m_positionMode == 2) {
    y = a->top + Trunc(a->height * m_labelY);
    y = std::clamp(y, a->top, a->top + a->height);
  }
  m_anchorX = x;
  m_anchorY = y;
  const bool inX = a->left <= x && x < a->left + a->width;
  switch (m_type) {
    case LABEL_TYPE_VALUE:
    case LABEL_TYPE_HORIZONTAL:
      m_labelShown = inX && y < a->top + a->height;
      break;
    case LABEL_TYPE_TOKEN:
      m_labelShown = inX;
      break;
    case LABEL_TYPE_AREA: {
      bool ok = m_kind != 1 || inX;
      const auto* area = static_cast<const STRUCT_LAB_AREA*>(m_mark);
      bool inside = false;
      if (area && area->points) {
        for (uint32_t i = 0; i < area->pointCount && !inside; ++i) {
          const STRUCT_NE_POINT& p = area->points[i];
          const double v = area->valuesAreDouble ? p.value.d : static_cast<double>(p.value.i);
          inside = v >= a->lowValue && v <= a->highValue;
        }
      }
      m_labelShown = ok && inside;
      break;
    }
    default:
      m_labelShown = inX && a->top <= y && y < a->top + a->height;
  }
}

void CLabelInfo::AdjustPointerEndToArea(STRUCT_AREA_TABLE* table) {
  m_pointerShown = 0;
  if (m_pointerMode == 0) return;
  AreaView aView{};
  const AreaView* a = ViewArea(table, m_pointerAreaIndex, &aView) ? &aView : nullptr;
  if (!a) return;
  int32_t x, y;
  if (m_pointerMode == 1 && HasRange(a->lowTime, a->highTime) && a->highTime != a->lowTime)
    x = a->left + Trunc(a->width * (m_pointerX - a->lowTime) / (a->highTime - a->lowTime));
  else
    x = a->left + Trunc(a->width * m_pointerX);
  if (m_pointerMode == 1 && HasRange(a->lowValue, a->highValue) && a->highValue != a->lowValue)
    y = a->top + a->height - Trunc(a->height * (m_pointerY - a->lowValue) / (a->highValue - a->lowValue));
  else
    y = a->top + Trunc(a->height * m_pointerY);
  m_pointerEndX = x;
  m_pointerEndY = y;
  m_pointerShown = a->left <= x && x < a->left + a->width && a->top <= y && y < a->top + a->height;
}

// ---- Hit tests ----------------------------------------------------------------------

short CLabelInfo::IsMoveable() const { return m_moveable; }

int CLabelInfo::IsPointOverLabel(CPoint point, short evenIfFixed) const {
  if (!m_moveable && !evenIfFixed) return 0;
  if (m_positionMode == 0) return 0;
  POINT p[5];
  for (int i = 0; i < 4; ++i) p[i] = {m_cornerX[i], m_cornerY[i]};
  p[4] = p[0];
  CRgn rgn;
  if (!rgn.CreatePolygonRgn(p, 5, WINDING)) return 0;
  return rgn.PtInRegion(point.x, point.y) ? 1 : 0;
}

int CLabelInfo::IsPointOverPointerEnd(CPoint point) const {
  if (!m_moveable || m_pointerMode == 0) return 0;
  return std::abs(static_cast<int64_t>(point.x) - m_pointerEndX) <= 3 &&
                 std::abs(static_cast<int64_t>(point.y) - m_pointerEndY) <= 3
             ? 1
             : 0;
}

namespace {

// The nearest of the eight candidate points of a box to (ex, ey).
void NearestCandidate(const int32_t* cx, const int32_t* cy, int64_t ex, int64_t ey, long* ox, long* oy) {
  double bestX = cx[0], bestY = cy[0];
  double best = -1.0;
  for (int k = 0; k < 8; ++k) {
    double x, y;
    if (k < 4) {
      x = cx[k];
      y = cy[k];
    } else {
      const int i = k - 4, j = (i + 1) % 4;
      const double xi = cx[i], yi = cy[i], xj = cx[j], yj = cy[j];
      if (xi != xj) {
        x = xi + static_cast<double>(static_cast<int64_t>(xj - xi) / 2);
        y = yi == yj ? yi : yi + (yj - yi) * (x - xi) / (xj - xi);
      } else {
        x = xi;
        y = yi + static_cast<double>(static_cast<int64_t>(yj - yi) / 2);
      }
    }
    const double d = (x - ex) * (x - ex) + (y - ey) * (y - ey);
    if (best < 0 || d < best) {
      best = d;
      bestX = x;
      bestY = y;
    }
  }
  *ox = Trunc(bestX);
  *oy = Trunc(bestY);
}

}  // namespace

void CLabelInfo::CalculatePointerStart(long endX, long endY, long* cornerX, long* cornerY, long* originX,
                                       long* originY) const {
  int32_t cx[4], cy[4];
  for (int i = 0; i < 4; ++i) {
    cx[i] = static_cast<int32_t>(cornerX[i]);
    cy[i] = static_cast<int32_t>(cornerY[i]);
  }
  NearestCandidate(cx, cy, endX, endY, originX, originY);
}

// ---- Drawing ------------------------------------------------------------------------

void CLabelInfo::DisplayLabel(CDC* dc, short printing, short offsetX, short offsetY, short drawPointer,
                              STRUCT_AREA_TABLE* table, short printFontHeight, short printScale,
                              LOGFONTA* callerFont, CLabelInfo** labels, short labelCount, short ownIndex) {
  if (!dc) return;
  if (!m_labelShown || m_kind == 0) {
    m_labelShown = 0;
    m_pointerShown = 0;
    return;
  }
  AreaView areaView{};
  const AreaView* area = ViewArea(table, m_areaIndex, &areaView) ? &areaView : nullptr;
  DcRestore restore(dc);
  const COLORREF ink = printing ? m_params.printColor : m_params.screenColor;
  int32_t rotation = 0;
  int32_t ownFontHeight = m_params.font.lfHeight;
  CFont font;
  bool hasText = false;

  if (m_kind == 1) {
    const char* chars = m_text ? m_text->text : nullptr;
    const int32_t length = m_text ? m_text->length : 0;
    if (length < 1 || !chars) return;
    const std::vector<TextLine> all = SplitLabelLines(chars, length);

    LOGFONTA lf = (m_params.fontSource && callerFont) ? *callerFont : m_params.font;
    lf.lfEscapement = m_params.angle;
    lf.lfOrientation = m_params.angle;
    if (printing) {
      int32_t h = printFontHeight;
      if (!h) h = printScale ? m_params.font.lfHeight * 400 / printScale : 400;
      if (h > 0) h = -h;
      lf.lfHeight = h;
    }
    ownFontHeight = lf.lfHeight;
    if (font.CreateFontIndirect(&lf)) {
      dc->SelectObject(&font);
      rotation = m_params.angle;
    }

    std::vector<TextLine> lines;
    std::vector<int32_t> widths;
    int32_t w = 0, h = 0;
    for (const TextLine& l : all) {
      if (l.length <= 0) continue;
      const CSize e = dc->GetTextExtent(chars + l.start, l.length);
      lines.push_back(l);
      widths.push_back(e.cx);
      w = std::max<int32_t>(w, e.cx);
      h += e.cy;
    }
    if (lines.empty()) return;
    m_boxWidth = w;
    m_boxHeight = h;
    const int n = static_cast<int>(lines.size());

    // Corners.
    const int32_t x = m_anchorX, y = m_anchorY;
    const bool centred = m_type == LABEL_TYPE_VALUE || m_type == LABEL_TYPE_HORIZONTAL ||
                         (m_type == LABEL_TYPE_AREA && rotation == 0);
    if (centred) {
      const int32_t gap = m_type == LABEL_TYPE_VALUE ? h / 3 : m_type == LABEL_TYPE_HORIZONTAL ? h / n : h / 2;
      int32_t top = y - h - gap;
      if (area) top = std::max(top, area->top);
      // The plot's title line runs along the top of its area: a label that
      // would reach into it goes down below it, while it still stays above
      // its point, half its usual gap off it at least.
      const int32_t titleBand = (h / n) + (h / n) / 4;
      if (area && top < area->top + titleBand && area->top + titleBand + h + gap / 2 <= y)
        top = area->top + titleBand;
      const int32_t hw = w >> 1;
      m_cornerX[0] = x - hw, m_cornerY[0] = top;
      m_cornerX[1] = x - hw, m_cornerY[1] = top + h;
      m_cornerX[2] = x + hw, m_cornerY[2] = top + h;
      m_cornerX[3] = x + hw, m_cornerY[3] = top;
      m_anchorX = m_cornerX[0];
      m_anchorY = m_cornerY[0];
    } else {
      RotatedCorners(x, y, w, h, rotation, m_cornerX, m_cornerY);
    }

    // A horizontal plot label gives way to earlier shown labels.
    if (m_type == LABEL_TYPE_HORIZONTAL && labels) {
      CRgn own;
      if (own.CreateRectRgn(m_anchorX, m_anchorY, m_anchorX + w, m_anchorY + h)) {
        for (int i = 0; i < ownIndex && i < labelCount; ++i) {
          const CLabelInfo* other = labels[i];
          if (!other || other == this || !other->m_labelShown) continue;
          const RECT r{other->m_anchorX, other->m_anchorY, other->m_anchorX + other->m_boxWidth,
                       other->m_anchorY + other->m_boxHeight};
          if (own.RectInRegion(&r)) {
            m_labelShown = 0;
            m_pointerShown = 0;
            return;
          }
        }
      }
    }

    // Fill.
    if (!printing && m_params.transparent == 0) {
      POINT p[4];
      for (int i = 0; i < 4; ++i) p[i] = {m_cornerX[i] + offsetX, m_cornerY[i] + offsetY};
      CPen pen(PS_SOLID, 0, m_params.backColor);
      CBrush brush(m_params.backColor);
      CPen* oldPen = pen.GetSafeHandle() ? dc->SelectObject(&pen) : nullptr;
      CBrush* oldBrush = brush.GetSafeHandle() ? dc->SelectObject(&brush) : nullptr;
      dc->Polygon(p, 4);
      if (oldPen) dc->SelectObject(oldPen);
      if (oldBrush) dc->SelectObject(oldBrush);
    }

    // Text.
    if (!printing) dc->SetBkColor(m_params.backColor);
    dc->SetTextColor(ink);
    int32_t tx = m_anchorX, ty = m_anchorY;
    if (m_type == LABEL_TYPE_TOKEN && area) {
      const TextLine& last = lines.back();
      const int32_t lw = widths.back();
      const int32_t m = 2 * lw / last.length + lw;
      ty = std::max(ty, area->top + m);
      ty = std::min(ty, area->top + area->height);
    }
    const double t = rotation / 10.0 * kPi / 180.0;
    const double s = std::sin(-t), c = std::cos(-t);
    for (int i = 0; i < n; ++i) {
      const int32_t d = (h / n) * i;
      int32_t lx = tx, ly = ty + d;
      if (rotation != 0) {
        lx = Trunc(tx - d * s);
        ly = Trunc(ty + d * c);
      }
      if (m_type == LABEL_TYPE_HORIZONTAL) lx += (w - widths[static_cast<size_t>(i)]) / 2;
      dc->TextOut(lx + offsetX, ly + offsetY, chars + lines[static_cast<size_t>(i)].start,
                  lines[static_cast<size_t>(i)].length);
    }
    hasText = true;
  }

  // Marks and the pointer.
  if (hasText && m_pointerMode != 0 && m_positionMode == 1 && drawPointer) {
    const auto* mark = m_type == LABEL_TYPE_VALUE ? static_cast<const STRUCT_LAB_MARK*>(m_mark) : nullptr;
    const int width = m_type == LABEL_TYPE_VALUE ? (printing ? 60 : 2) : 0;
    CPen pen(PS_SOLID, width, ink);
    if (pen.GetSafeHandle()) dc->SelectObject(&pen);
    long ox = m_anchorX, oy = m_anchorY;
    if (m_labelShown) {
      long cx[4], cy[4];
      for (int i = 0; i < 4; ++i) cx[i] = m_cornerX[i], cy[i] = m_cornerY[i];
      CalculatePointerStart(m_pointerEndX, m_pointerEndY, cx, cy, &ox, &oy);
    }
    m_pointerOriginX = static_cast<int32_t>(ox);
    m_pointerOriginY = static_cast<int32_t>(oy);
    if (mark && m_labelShown && area && area->highTime != area->lowTime && area->highValue != area->lowValue) {
      const int32_t left = area->left, right = area->left + area->width, top = area->top,
                    bottom = area->top + area->height;
      const double xs = area->width / (area->highTime - area->lowTime);
      const double ys = area->height / (area->highValue - area->lowValue);
      auto X = [&](double tt) { return left + Trunc((tt - area->lowTime) * xs); };
      auto Y = [&](double vv) { return bottom - Trunc((vv - area->lowValue) * ys); };
      const int32_t ax = X(mark->apexTime), ay = Y(mark->apexValue);
      if (m_params.peakBoxStyle == 0) {
        const int32_t k = printing ? 520 : std::abs(ownFontHeight);
        const int32_t y0 = std::clamp(ay - k, top, bottom), y1 = std::clamp(ay + k, top, bottom);
        dc->MoveTo(ax + offsetX, y0 + offsetY);
        dc->LineTo(ax + offsetX, y1 + offsetY);
      } else {
        if (ax >= left && ax <= right) {
          const int32_t by = std::clamp(Y(mark->baselineValue), top, bottom);
          dc->MoveTo(ax + offsetX, std::max(ay, top) + offsetY);
          dc->LineTo(ax + offsetX, by + offsetY);
          const int32_t beginY = Y(mark->beginValue);
          if (beginY >= top && beginY <= bottom)
            dc->LineTo(std::clamp(X(mark->beginTime), left, right) + offsetX, beginY + offsetY);
        }
        int32_t bx0 = X(mark->boxBeginTime), bx1 = X(mark->boxEndTime);
        int32_t by0 = Y(mark->boxLowValue), by1 = Y(mark->boxHighValue);
        if (bx0 > bx1) std::swap(bx0, bx1);
        if (by0 > by1) std::swap(by0, by1);
        const int32_t least = printing ? 25 : 1;
        if (by1 - by0 < least) by0 = by1 - least;
        if (bx1 >= left && bx0 <= right && by1 >= top && by0 <= bottom) {
          bx0 = std::max(bx0, left), bx1 = std::min(bx1, right);
          by0 = std::max(by0, top), by1 = std::min(by1, bottom);
          const POINT p[5] = {{bx0 + offsetX, by0 + offsetY},
                              {bx1 + offsetX, by0 + offsetY},
                              {bx1 + offsetX, by1 + offsetY},
                              {bx0 + offsetX, by1 + offsetY},
                              {bx0 + offsetX, by0 + offsetY}};
          dc->Polyline(p, 5);
        }
      }
      if (m_pointerShown) {
        dc->MoveTo(static_cast<int>(ox) + offsetX, static_cast<int>(oy) + offsetY);
        dc->LineTo(m_pointerEndX + offsetX, m_pointerEndY + offsetY);
      }
    } else if (!mark && m_pointerShown) {
      if (m_type != LABEL_TYPE_TOKEN && m_type != LABEL_TYPE_HORIZONTAL) {
        dc->MoveTo(static_cast<int>(ox) + offsetX, static_cast<int>(oy) + offsetY);
        dc->LineTo(m_pointerEndX + offsetX, m_pointerEndY + offsetY);
        const CSize em = dc->GetTextExtent("M", 1);
        const int32_t hx = em.cx / 4, hy = em.cy / 4;
        DrawOctagonMark(dc, m_pointerEndX - hx + offsetX, m_pointerEndY + hy + offsetY, m_pointerEndX + hx + offsetX,
                        m_pointerEndY - hy + offsetY, false);
      } else if (m_mark && *static_cast<const int16_t*>(m_mark) != 0) {
        const int32_t k = printing ? 400 : 20;
        dc->MoveTo(m_pointerEndX + offsetX, m_pointerEndY - k + offsetY);
        dc->LineTo(m_pointerEndX + offsetX, m_pointerEndY + k + offsetY);
      }
    }
  }

  // The filled area of an area label.
  if (m_type == LABEL_TYPE_AREA && m_mark && area && area->highTime != area->lowTime &&
      area->highValue != area->lowValue) {
    const auto* rec = static_cast<const STRUCT_LAB_AREA*>(m_mark);
    if (rec->points && rec->pointCount > 0) {
      const int saved = dc->SaveDC();
      const int32_t left = area->left, top = area->top, bottom = area->top + area->height;
      dc->IntersectClipRect(left + offsetX, top + offsetY, left + area->width + offsetX, bottom + offsetY);
      CBrush brush(rec->fillColor);
      if (brush.GetSafeHandle()) dc->SelectObject(&brush);
      const double xs = area->width / (area->highTime - area->lowTime);
      const double ys = area->height / (area->highValue - area->lowValue);
      std::vector<POINT> pts;
      pts.reserve(rec->pointCount + 1);
      for (uint32_t i = 0; i < rec->pointCount; ++i) {
        const STRUCT_NE_POINT& p = rec->points[i];
        const double v = rec->valuesAreDouble ? p.value.d : static_cast<double>(p.value.i);
        pts.push_back({left + Trunc((p.time - area->lowTime) * xs) + offsetX,
                       bottom - Trunc((v - area->lowValue) * ys) + offsetY});
      }
      pts.push_back(pts.front());
      KELT_YCutPolygon(dc->GetSafeHdc(), pts.data(), static_cast<int32_t>(pts.size()), bottom + offsetY,
                       top + offsetY);
      if (saved) dc->RestoreDC(saved);
    }
  }
}

// ---- Dragging -----------------------------------------------------------------------

void CLabelInfo::SaveLabelLButtonDown(CPoint point, STRUCT_LAB_CURSOR* cursor) const {
  if (!cursor) return;
  cursor->itemCount = 4;
  for (int i = 0; i < 4; ++i) {
    cursor->dx[i] = static_cast<int16_t>(m_cornerX[i] - point.x);
    cursor->dy[i] = static_cast<int16_t>(m_cornerY[i] - point.y);
  }
}

void CLabelInfo::SavePointerEndLButtonDown(CPoint point, STRUCT_LAB_CURSOR* cursor) const {
  if (!cursor) return;
  cursor->itemCount = 1;
  cursor->dx[0] = static_cast<int16_t>(m_pointerEndX - point.x);
  cursor->dy[0] = static_cast<int16_t>(m_pointerEndY - point.y);
}

void CLabelInfo::OutlineBox(CDC* dc, const int32_t* x, const int32_t* y, bool withPointer, int32_t originX,
                            int32_t originY) const {
  dc->MoveTo(x[3], y[3]);
  for (int i = 0; i < 4; ++i) dc->LineTo(x[i], y[i]);
  if (withPointer) {
    dc->MoveTo(originX, originY);
    dc->LineTo(m_pointerEndX, m_pointerEndY);
  }
}

void CLabelInfo::DrawLabelAsCursor(CDC* dc, CPoint point, STRUCT_LAB_CURSOR* cursor) const {
  if (!dc || !cursor || m_kind != 1) return;
  const bool black = m_params.backColor != 0;
  CGdiObject* oldPen = dc->SelectStockObject(black ? BLACK_PEN : WHITE_PEN);
  const int oldRop = dc->SetROP2(black ? R2_NOTXORPEN : R2_XORPEN);
  const bool withPointer = m_pointerMode != 0 && m_pointerShown;
  if (cursor->drawn) OutlineBox(dc, cursor->x, cursor->y, withPointer, cursor->x[4], cursor->y[4]);
  cursor->drawn = 0;
  if (!(point.x == -1 && point.y == -1)) {
    for (int i = 0; i < 4; ++i) {
      cursor->x[i] = point.x + cursor->dx[i];
      cursor->y[i] = point.y + cursor->dy[i];
    }
    long ox = 0, oy = 0;
    if (withPointer) NearestCandidate(cursor->x, cursor->y, m_pointerEndX, m_pointerEndY, &ox, &oy);
    cursor->x[4] = static_cast<int32_t>(ox);
    cursor->y[4] = static_cast<int32_t>(oy);
    OutlineBox(dc, cursor->x, cursor->y, withPointer, cursor->x[4], cursor->y[4]);
    cursor->drawn = 1;
  }
  dc->SetROP2(oldRop);
  if (oldPen) dc->SelectObject(oldPen->GetSafeHandle());
}

void CLabelInfo::DrawPointerEndAsCursor(CDC* dc, CPoint point, STRUCT_LAB_CURSOR* cursor) const {
  if (!dc || !cursor || m_kind != 1) return;
  const bool black = m_params.backColor != 0;
  CGdiObject* oldPen = dc->SelectStockObject(black ? BLACK_PEN : WHITE_PEN);
  const int oldRop = dc->SetROP2(black ? R2_NOTXORPEN : R2_XORPEN);
  if (cursor->drawn) {
    dc->MoveTo(cursor->x[0], cursor->y[0]);
    dc->LineTo(cursor->x[4], cursor->y[4]);
  }
  cursor->drawn = 0;
  if (!(point.x == -1 && point.y == -1)) {
    cursor->x[0] = point.x + cursor->dx[0];
    cursor->y[0] = point.y + cursor->dy[0];
    long ox, oy;
    NearestCandidate(m_cornerX, m_cornerY, cursor->x[0], cursor->y[0], &ox, &oy);
    cursor->x[4] = static_cast<int32_t>(ox);
    cursor->y[4] = static_cast<int32_t>(oy);
    dc->MoveTo(cursor->x[0], cursor->y[0]);
    dc->LineTo(cursor->x[4], cursor->y[4]);
    cursor->drawn = 1;
  }
  dc->SetROP2(oldRop);
  if (oldPen) dc->SelectObject(oldPen->GetSafeHandle());
}

namespace {

void PixelsToPosition(const AreaView& a, int16_t mode, int32_t x, int32_t y, double* px, double* py) {
  if (a.width != 0) {
    if (mode == 1 && HasRange(a.lowTime, a.highTime))
      *px = a.lowTime + (x - a.left) * (a.highTime - a.lowTime) / a.width;
    else
      *px = static_cast<double>(x - a.left) / a.width;
  }
  if (a.height != 0) {
    if ((a.lowValue == 0.0 && a.highValue == 0.0) || mode == 2)
      *py = static_cast<double>(y - a.top) / a.height;
    else if (mode == 1)
      *py = a.lowValue + (a.top + a.height - y) * (a.highValue - a.lowValue) / a.height;
  }
}

}  // namespace

void CLabelInfo::HandleLabelLButtonUp(short x, short y, short areaIndex, STRUCT_AREA_TABLE* table) {
  AreaView aView{};
  const AreaView* a = ViewArea(table, areaIndex, &aView) ? &aView : nullptr;
  if (!a) return;
  if (m_type == LABEL_TYPE_USER) {
    m_areaIndex = areaIndex;
    m_areaGroup = static_cast<int16_t>(a->id / 20 * 20);
    m_effectiveGroup = m_areaGroup;
    if (!table->sharedAreas) m_plot = static_cast<int16_t>(a->id - m_areaGroup);
  }
  int32_t px = x, py = y;
  const bool unrotated = m_params.angle == 0;
  if (unrotated && (m_type == LABEL_TYPE_VALUE || m_type == LABEL_TYPE_HORIZONTAL)) {
    px = x + m_boxWidth / 2;
    py = y + m_boxHeight + m_boxHeight / 2;
    py = std::min(py, a->top + a->height - m_boxHeight);
  } else if (unrotated && m_type == LABEL_TYPE_AREA) {
    px = x + m_boxWidth / 2;
    py = y + m_boxHeight + m_boxHeight / 2;
  }
  m_anchorX = px;
  m_anchorY = py;
  PixelsToPosition(*a, m_positionMode, px, py, &m_labelX, &m_labelY);
}

void CLabelInfo::HandlePointerEndLButtonUp(short x, short y, short areaIndex, STRUCT_AREA_TABLE* table) {
  AreaView aView{};
  const AreaView* a = ViewArea(table, areaIndex, &aView) ? &aView : nullptr;
  if (!a) return;
  if (m_type == LABEL_TYPE_USER) {
    m_pointerAreaIndex = areaIndex;
    m_pointerAreaGroup = static_cast<int16_t>(a->id / 20 * 20);
    m_pointerEffectiveGroup = m_pointerAreaGroup;
    if (!table->sharedAreas) m_pointerPlot = static_cast<int16_t>(a->id - m_pointerAreaGroup);
  }
  m_pointerEndX = x;
  m_pointerEndY = y;
  PixelsToPosition(*a, m_pointerMode, x, y, &m_pointerX, &m_pointerY);
}
