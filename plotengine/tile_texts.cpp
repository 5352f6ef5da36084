// Tiled annotation texts: ranking, hiding, one step aside, marks.
#include "plotengine/tile_texts.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "plotengine/plot_labels.h"

using kelt::labels::DrawOctagonMark;
using kelt::labels::TextBoxesOverlap;

namespace {

int16_t g_characterSetFlag = 0;

int32_t Trunc(double v) {
  if (!(v == v)) return 0;
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483647.0) return -2147483647;
  return static_cast<int32_t>(v);
}

bool SplitsLines(int32_t r) { return (r >= 0 && r <= 900) || r >= 2700; }

// Lines of a tile text, split at line feeds (any length, any count).
std::vector<std::string> Lines(const char* text, int32_t length) {
  std::vector<std::string> out;
  std::string line;
  for (int32_t i = 0; i < length && text[i]; ++i) {
    if (text[i] == '\n') {
      out.push_back(line);
      line.clear();
    } else {
      line.push_back(text[i]);
    }
  }
  out.push_back(line);
  return out;
}

// Labels are written in the report's label size when printing.
double PrintLabelSize() {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  double size = prefs.fonts.smallSize > 0 ? prefs.fonts.smallSize : 400;
  double scale = 1.0;
  int16_t flag = 0;
  KELT_GetPlotReportOverrides(&scale, &flag);
  if (scale >= 1.0 && scale <= 10.0) size *= scale;
  return size;
}

}  // namespace

namespace kelt::labels {
void SetCharacterSetFlag(int16_t flag) { g_characterSetFlag = flag; }
int16_t CharacterSetFlag() { return g_characterSetFlag; }
}  // namespace kelt::labels

CTileTextOnPlot::CTileTextOnPlot() {
  STRUCT_CHRO_PREFS prefs{};
  KELT_GetCurrDefChroPrefs(&prefs);
  m_defaultFont = prefs.label.font;
}

CTileTextOnPlot::~CTileTextOnPlot() { FreeHolder(); }

int CTileTextOnPlot::InitHolder() {
  FreeHolder();
  m_texts = static_cast<STRUCT_TILE_TEXT**>(AllocBlock(sizeof(STRUCT_TILE_TEXT*) * TILE_FIRST_CAPACITY));
  m_order = static_cast<int16_t*>(AllocBlock(sizeof(int16_t) * TILE_FIRST_CAPACITY));
  if (!m_texts || !m_order) {
    FreeHolder();
    return 0;
  }
  m_capacity = TILE_FIRST_CAPACITY;
  return 1;
}

void CTileTextOnPlot::FreeHolder() {
  if (m_texts) {
    for (int i = 0; i < m_count; ++i)
      if (m_texts[i]) FreeBlock(m_texts[i]);
    FreeBlock(m_texts);
  }
  if (m_order) FreeBlock(m_order);
  m_texts = nullptr;
  m_order = nullptr;
  m_capacity = m_count = m_activeCount = 0;
  DeleteFonts();
}

int CTileTextOnPlot::AddTileLabelToHolder(double time, double value, double rank, STRUCT_TILE_DRAW* params,
                                          char* text) {
  if (!m_texts || !m_order || !params) return 0;
  if (m_count >= m_capacity) {
    if (m_capacity >= TILE_MOST_TEXTS) return 0;
    const int grown = m_capacity + TILE_CAPACITY_STEP;
    auto* texts =
        static_cast<STRUCT_TILE_TEXT**>(ReallocBlock(m_texts, static_cast<uint32_t>(sizeof(STRUCT_TILE_TEXT*) * grown)));
    if (texts) m_texts = texts;
    auto* order = texts ? static_cast<int16_t*>(ReallocBlock(m_order, static_cast<uint32_t>(sizeof(int16_t) * grown)))
                        : nullptr;
    if (order) m_order = order;
    if (!texts || !order) return 0;
    m_capacity = static_cast<int16_t>(grown);
  }
  const size_t length = text ? std::strlen(text) : 0;
  if (length > 32000) return 0;
  auto* rec = static_cast<STRUCT_TILE_TEXT*>(AllocBlock(static_cast<uint32_t>(TILE_TEXT_RECORD_SIZE + length)));
  if (!rec) return 0;
  rec->time = time;
  rec->value = value;
  rec->rank = rank;
  rec->hasValue = 1;
  rec->fontSlot = -1;
  rec->draw = *params;
  rec->length = static_cast<int16_t>(length);
  if (length) std::memcpy(rec->text, text, length);
  m_texts[m_count++] = rec;
  return 1;
}

void CTileTextOnPlot::SetYValuesToPlotValues(STRUCT_NE_DATA_POINTS* points) {
  if (!points || !points->points || points->pointCount == 0 || !m_texts) return;
  const STRUCT_NE_POINT_BLOCK* block = points->points;
  const uint32_t n = points->pointCount;
  for (int i = 0; i < m_count; ++i) {
    STRUCT_TILE_TEXT* t = m_texts[i];
    t->hasValue = 0;
    if (NePointAt(block, 0)->time > t->time) continue;
    for (uint32_t k = 0; k < n; ++k) {
      const double pt = NePointAt(block, k)->time;
      if (pt < t->time) continue;
      if (pt == t->time || k == 0) {
        t->value = NePointValue(block, k);
      } else {
        const double t0 = NePointAt(block, k - 1)->time, v0 = NePointValue(block, k - 1),
                     v1 = NePointValue(block, k);
        t->value = pt == t0 ? v1 : v0 + (v1 - v0) * (t->time - t0) / (pt - t0);
      }
      t->hasValue = 1;
      break;
    }
  }
}

void CTileTextOnPlot::SetKeepOutBoxes(const RECT* boxes, int count) {
  m_keepOutCount = 0;
  for (int i = 0; boxes && i < count && m_keepOutCount < TILE_KEEP_OUT_BOXES; ++i)
    if (boxes[i].right > boxes[i].left && boxes[i].bottom > boxes[i].top) m_keepOut[m_keepOutCount++] = boxes[i];
}

void CTileTextOnPlot::DrawTileLabels(CDC* dc, short printing, LOGFONTA* defaultFont, double lowTime,
                                     double highTime, double lowValue, double highValue, double xScale,
                                     double yScale, long left, long right, long top, long bottom) {
  if (!dc) return;
  m_dc = dc;
  m_printing = printing;
  if (defaultFont) m_defaultFont = *defaultFont;
  m_lowTime = lowTime;
  m_highTime = highTime;
  m_lowValue = lowValue;
  m_highValue = highValue;
  m_xScale = xScale;
  m_yScale = yScale;
  m_left = static_cast<int32_t>(left);
  m_right = static_cast<int32_t>(right);
  m_top = static_cast<int32_t>(top);
  m_bottom = static_cast<int32_t>(bottom);
  ClearPositions();
  CreateFonts();
  InitPositions();
  DrawLabels();
  DeleteFonts();
  m_dc = nullptr;
}

void CTileTextOnPlot::ClearPositions() {
  if (!m_texts) return;
  for (int i = 0; i < m_count; ++i) {
    STRUCT_TILE_TEXT* t = m_texts[i];
    t->active = t->placed = t->atHome = t->hides = t->moved = 0;
    t->fontSlot = -1;
  }
  m_activeCount = 0;
}

void CTileTextOnPlot::CreateFonts() {
  DeleteFonts();
  if (!m_texts) return;
  const bool oem = g_characterSetFlag > 0;
  const double printSize = m_printing ? PrintLabelSize() : 0.0;
  for (int i = 0; i < m_count; ++i) {
    STRUCT_TILE_TEXT* t = m_texts[i];
    LOGFONTA lf = t->draw.defaultFont ? m_defaultFont : t->draw.font;
    if (m_printing) {
      lf.lfHeight = -Trunc(printSize);
      lf.lfWidth = 0;
      lf.lfWeight = 400;
      lf.lfItalic = lf.lfStrikeOut = 0;
      lf.lfOutPrecision = lf.lfClipPrecision = lf.lfQuality = lf.lfPitchAndFamily = 0;
    }
    lf.lfCharSet = oem ? OEM_CHARSET : ANSI_CHARSET;
    lf.lfEscapement = lf.lfOrientation = t->draw.rotation;
    int slot = -1;
    for (int f = 0; f < m_fontCount; ++f)
      if (std::memcmp(&m_fontDescs[f], &lf, sizeof(LOGFONTA)) == 0) {
        slot = f;
        break;
      }
    if (slot < 0 && m_fontCount < TILE_MOST_FONTS) {
      auto* font = new CFont;
      if (font->CreateFontIndirect(&lf)) {
        slot = m_fontCount;
        m_fonts[slot] = font;
        m_fontDescs[slot] = lf;
        ++m_fontCount;
      } else {
        delete font;
      }
    }
    t->fontSlot = static_cast<int16_t>(slot);
  }
}

void CTileTextOnPlot::DeleteFonts() {
  for (int f = 0; f < m_fontCount; ++f) {
    delete m_fonts[f];
    m_fonts[f] = nullptr;
  }
  m_fontCount = 0;
}

bool CTileTextOnPlot::OverlapsAt(const STRUCT_TILE_TEXT* a, int32_t ax, int32_t ay, const STRUCT_TILE_TEXT* b) const {
  const int32_t bx = b->atHome ? b->x : b->altX, by = b->atHome ? b->y : b->altY;
  return TextBoxesOverlap(ax, ay, a->width, a->height, a->draw.rotation, bx, by, b->width, b->height,
                          b->draw.rotation) != 0;
}

void CTileTextOnPlot::InitPositions() {
  if (!m_texts || !m_order) return;
  // Activation.
  m_activeCount = 0;
  for (int i = 0; i < m_count; ++i) {
    STRUCT_TILE_TEXT* t = m_texts[i];
    const bool kept = t->draw.keepInPlot && t->draw.rotation == 900;
    if (t->hasValue && t->time >= m_lowTime && t->time <= m_highTime &&
        (kept || (t->value >= m_lowValue && t->value <= m_highValue))) {
      t->active = 1;
      if (t->rank == -1.0) t->rank = t->value;
      m_order[m_activeCount++] = static_cast<int16_t>(i);
    }
  }
  // Ranking: highest rank first, ties by higher value.
  for (int i = 0; i + 1 < m_activeCount; ++i)
    for (int j = i + 1; j < m_activeCount; ++j) {
      const STRUCT_TILE_TEXT* a = m_texts[m_order[i]];
      const STRUCT_TILE_TEXT* b = m_texts[m_order[j]];
      if (b->rank > a->rank || (b->rank == a->rank && a->value < b->value)) std::swap(m_order[i], m_order[j]);
    }
  // Measuring.
  CFont* firstReplaced = nullptr;
  bool replaced = false;
  int lastSlot = -2;
  for (int k = 0; k < m_activeCount; ++k) {
    STRUCT_TILE_TEXT* t = m_texts[m_order[k]];
    if (t->fontSlot != lastSlot && t->fontSlot >= 0) {
      CFont* old = m_dc->SelectObject(m_fonts[t->fontSlot]);
      if (!replaced) firstReplaced = old, replaced = true;
      lastSlot = t->fontSlot;
    }
    const CSize plus = m_dc->GetTextExtent(" + ", 3);
    const int32_t mw = m_printing ? 3 * plus.cx : plus.cx;
    const int32_t mh = m_printing ? plus.cy / 2 : plus.cy / 4;
    int32_t w = 0, h = 0;
    if (SplitsLines(t->draw.rotation)) {
      for (const std::string& line : Lines(t->text, t->length)) {
        const CSize e = m_dc->GetTextExtent(line.c_str(), static_cast<int>(line.size()));
        w = std::max<int32_t>(w, e.cx);
        h += e.cy;
      }
    } else {
      const CSize e = m_dc->GetTextExtent(t->text, t->length);
      w = e.cx;
      h = e.cy;
    }
    t->width = w + mw;
    t->height = h + mh;
    t->x = m_left + Trunc((t->time - m_lowTime) * m_xScale);
    t->y = m_bottom - Trunc((t->value - m_lowValue) * m_yScale);
    if (t->draw.rotation == 900) t->y -= m_pointGap;
    if (t->draw.keepInPlot && t->draw.rotation == 900) {
      if (t->y - t->width < m_top) t->y = t->draw.markStyle == 1 ? m_bottom - mh : m_top + t->width;
      // A value below the scale would put the text under the plot.
      if (t->y > m_bottom - mh) t->y = m_bottom - mh;
    } else if (t->draw.rotation == 900 && t->y - t->width < m_top) {
      // An upright text starts at its point. Over a peak near the top its
      // run would pass the plot's top and be cut off there: only then it
      // starts just low enough to end at the top. Its mark stays at the
      // data point (see DrawLabels).
      t->y = std::min(m_top + t->width, m_bottom - mh);
    }
    // Over the caller's title the text would lie on another text: it
    // starts just below the title instead, while the plot has room.
    // A box passed may uncover another below it: each is tried again.
    for (int pass = 0; pass < m_keepOutCount; ++pass) {
      bool lowered = false;
      for (int b = 0; b < m_keepOutCount; ++b) {
        const RECT& k = m_keepOut[b];
        // Packed fields: copied, not bound.
        const int32_t x = t->x, y = t->y, w = t->width, h = t->height;
        int32_t to = y;
        if (t->draw.rotation == 900 && x < k.right && x + h > k.left && y - w < k.bottom && y > k.top)
          to = std::max(y, std::min(static_cast<int32_t>(k.bottom) + w, m_bottom - mh));
        else if (t->draw.rotation == 0 && x < k.right && x + w > k.left && y < k.bottom && y + h > k.top)
          to = std::max(y, std::min(static_cast<int32_t>(k.bottom), m_bottom - h));
        if (to != y) {
          t->y = to;
          lowered = true;
        }
      }
      if (!lowered) break;
    }
    t->altX = t->x;
    t->altY = t->y;
    t->placed = 1;
    t->atHome = 1;
  }
  if (replaced && firstReplaced) m_dc->SelectObject(firstReplaced);
  // Hiding.
  for (int k = 0; k < m_activeCount; ++k) {
    STRUCT_TILE_TEXT* a = m_texts[m_order[k]];
    if (!a->atHome && !a->moved) continue;
    const int32_t ax = a->atHome ? a->x : a->altX, ay = a->atHome ? a->y : a->altY;
    for (int j = 0; j < m_activeCount; ++j) {
      if (j == k) continue;
      STRUCT_TILE_TEXT* b = m_texts[m_order[j]];
      if (!b->atHome && !b->moved) continue;
      if (OverlapsAt(a, ax, ay, b)) {
        b->atHome = b->moved = 0;
        b->hiddenBy = m_order[k];
        ++a->hides;
      }
    }
  }
  // One step aside.
  for (int k = 0; k < m_activeCount; ++k) {
    STRUCT_TILE_TEXT* a = m_texts[m_order[k]];
    if (a->atHome || a->moved) continue;
    if (a->hiddenBy < 0 || a->hiddenBy >= m_count) continue;
    STRUCT_TILE_TEXT* h = m_texts[a->hiddenBy];
    const int32_t r = a->draw.rotation;
    int32_t nx = a->x, ny = a->y;
    bool vertical;
    if (r >= 0 && r <= 450) {
      const int32_t d = a->height + a->height / 4;
      ny = a->y < h->y ? a->y - d : a->y + d;
      if (!(m_top <= ny && ny + d <= m_bottom)) continue;
      vertical = true;
    } else if (r >= 451 && r <= 900) {
      const int32_t d = a->height;
      nx = a->x < h->x ? a->x - d : a->x + d;
      if (!(m_left <= nx && nx <= m_right)) continue;
      vertical = false;
    } else {
      continue;
    }
    bool free = true;
    for (int j = 0; j < m_activeCount && free; ++j) {
      STRUCT_TILE_TEXT* b = m_texts[m_order[j]];
      if (b == a) continue;
      if (OverlapsAt(a, nx, ny, b)) free = false;
      // No other point lies between the old and the new place (the hiding
      // text's own point is where the move starts from).
      if (free && b != h && (b->atHome || b->moved)) {
        const int32_t c = vertical ? b->y : b->x;
        const int32_t from = vertical ? a->y : a->x, to = vertical ? ny : nx;
        const int32_t lo = std::min(from, to), hi = std::max(from, to);
        if (c >= lo && c <= hi) free = false;
      }
    }
    if (!free) continue;
    a->moved = 1;
    a->altX = nx;
    a->altY = ny;
    --h->hides;
  }
}

void CTileTextOnPlot::DrawLabels() {
  if (!m_texts || !m_dc) return;
  CDC* dc = m_dc;
  // Restored before the pens and brushes go, whatever was selected.
  const int saved = dc->SaveDC();
  COLORREF colours[TILE_MOST_FONTS];
  CPen* pens[TILE_MOST_FONTS] = {};
  CBrush* brushes[TILE_MOST_FONTS] = {};
  int colourCount = 0;
  CFont* firstFont = nullptr;
  CPen* firstPen = nullptr;
  CBrush* firstBrush = nullptr;
  bool fontReplaced = false, penReplaced = false;
  int lastSlot = -2;
  bool haveTextColour = false;
  COLORREF lastTextColour = 0;
  for (int i = 0; i < m_count; ++i) {
    STRUCT_TILE_TEXT* t = m_texts[i];
    if (!t->active || (!t->atHome && !t->moved)) continue;
    int c = -1;
    for (int k = 0; k < colourCount; ++k)
      if (colours[k] == t->draw.color) c = k;
    if (c < 0 && colourCount < TILE_MOST_FONTS) {
      c = colourCount++;
      colours[c] = t->draw.color;
      pens[c] = new CPen(PS_SOLID, 0, t->draw.color);
      brushes[c] = new CBrush(t->draw.color);
    }
    std::string text = t->hides > 0 ? "+ " : "";
    text.append(t->text, static_cast<size_t>(t->length));
    if (text.size() > TILE_MOST_DRAWN_CHARS) text.resize(TILE_MOST_DRAWN_CHARS);
    if (t->fontSlot >= 0 && t->fontSlot != lastSlot) {
      CFont* old = dc->SelectObject(m_fonts[t->fontSlot]);
      if (!fontReplaced) firstFont = old, fontReplaced = true;
      lastSlot = t->fontSlot;
    }
    const CSize em = dc->GetTextExtent("M", 1);
    const int32_t gx = em.cx / 8, gy = em.cy / 8;
    if (!haveTextColour || lastTextColour != t->draw.color) {
      dc->SetTextColor(t->draw.color);
      lastTextColour = t->draw.color;
      haveTextColour = true;
    }
    if (!m_printing) {
      dc->SetBkMode(t->draw.transparent ? TRANSPARENT : OPAQUE);
      if (!t->draw.transparent) dc->SetBkColor(t->draw.backColor);
    }
    int32_t x = t->moved ? t->altX : t->x, y = t->moved ? t->altY : t->y;
    const int32_t r = t->draw.rotation;
    if ((r >= 0 && r <= 900) || r > 2700) {
      const int32_t step = em.cx + gx;
      for (const std::string& line : Lines(text.c_str(), static_cast<int32_t>(text.size()))) {
        if (!line.empty()) dc->TextOut(x, y, line.c_str(), static_cast<int>(line.size()));
        if (r == 0) {
          y += step;
        } else if (r == 900) {
          x += step;
        } else if (r < 2701) {
          x += step;
          y += step;
        } else {
          x -= step;
          y += step;
        }
      }
    } else {
      if (!text.empty()) dc->TextOut(x, y, text.c_str(), static_cast<int>(text.size()));
    }
    if (c >= 0) {
      CPen* oldPen = pens[c]->GetSafeHandle() ? dc->SelectObject(pens[c]) : nullptr;
      CBrush* oldBrush = brushes[c]->GetSafeHandle() ? dc->SelectObject(brushes[c]) : nullptr;
      if (!penReplaced && (oldPen || oldBrush)) firstPen = oldPen, firstBrush = oldBrush, penReplaced = true;
    }
    const int style = t->draw.markStyle;
    // The mark's point: the text's own, but the data point for an upright
    // text that was lowered only to keep its run inside the plot.
    const int32_t px = t->x;
    int32_t py = t->y + (r == 900 ? m_pointGap : 0);
    if (!t->draw.keepInPlot && (r == 900 || r == 0))
      py = std::min(py, m_bottom - Trunc((t->value - m_lowValue) * m_yScale));
    if (style == 0 || style == 2 || style == 3) {
      DrawOctagonMark(dc, px - gx, py + gy, px + gx, py - gy, true);
      if (t->moved) {
        dc->MoveTo(px, py);
        dc->LineTo(t->altX, t->altY);
        DrawOctagonMark(dc, t->altX - gx, t->altY + gy, t->altX + gx, t->altY - gy, false);
      }
      if ((style == 2 || style == 3) && t->draw.tick) {
        dc->MoveTo(px, py - em.cy);
        dc->LineTo(px, py + em.cy);
      }
    } else if (style == 1) {
      dc->MoveTo(px, py);
      dc->LineTo(px, m_bottom);
    }
  }
  if (fontReplaced && firstFont) dc->SelectObject(firstFont);
  if (penReplaced) {
    if (firstPen) dc->SelectObject(firstPen);
    if (firstBrush) dc->SelectObject(firstBrush);
  }
  if (saved) dc->RestoreDC(saved);
  for (int k = 0; k < colourCount; ++k) {
    delete pens[k];
    delete brushes[k];
  }
}
