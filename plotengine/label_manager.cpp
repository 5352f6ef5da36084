// The label manager: slots, areas, drawing order and the mouse protocol.
#include "plotengine/label_manager.h"

#include <algorithm>
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "win/win_crt.h"
#include "win/win_resources.h"
#include "win/win_user.h"

using kelt::labels::FreeLabelMark;

namespace {

constexpr int kMostSlots = 32700;  // the slot index is 16-bit

// The cursors are the library's own resources, added on first use.
void SetLibraryCursor(LPCSTR name) {
  const HMODULE module = kelt::lib::ModuleHandle();
  HCURSOR c = LoadCursorA(module, name);
  if (!c) {
    win::resources::AddCursor(module, LABEL_MOVE_CURSOR);
    win::resources::AddCursor(module, LABEL_HOLD_CURSOR);
    win::resources::AddCursor(module, LABEL_POINTER_CURSOR_ID);
    c = LoadCursorA(module, name);
  }
  if (c) SetCursor(c);
}

bool SameText(const CLabelInfo* a, const CLabelInfo* b) {
  const char* ta = a->m_text && a->m_text->text ? a->m_text->text : "";
  const char* tb = b->m_text && b->m_text->text ? b->m_text->text : "";
  return lstrcmpA(ta, tb) == 0;
}

bool Contains(const STRUCT_LABEL_AREA& a, int32_t x, int32_t y) {
  return a.left <= x && x < a.left + a.width && a.top <= y && y < a.top + a.height;
}

}  // namespace

CLabelManager::CLabelManager(CWnd* window) : m_window(window) {
  m_labels = static_cast<CLabelInfo**>(AllocBlock(sizeof(CLabelInfo*) * LABEL_SLOT_GROWTH));
  if (m_labels) m_capacity = LABEL_SLOT_GROWTH;
  m_areas = static_cast<STRUCT_AREA_TABLE*>(AllocBlock(sizeof(STRUCT_AREA_TABLE)));
  m_cursor = static_cast<STRUCT_LAB_CURSOR*>(AllocBlock(sizeof(STRUCT_LAB_CURSOR)));
}

CLabelManager::~CLabelManager() {
  if (m_labels) {
    for (int i = 0; i < m_capacity; ++i) {
      if (CLabelInfo* label = m_labels[i]) {
        FreeLabelMark(label);
        delete label;
      }
    }
    FreeBlock(m_labels);
  }
  if (m_areas) FreeBlock(m_areas);
  if (m_cursor) FreeBlock(m_cursor);
}

CLabelInfo* CLabelManager::Label(short slot) const { return ValidSlot(slot) ? m_labels[slot] : nullptr; }

short CLabelManager::AddLabel(CLabelInfo* label, short areaGroup, short plot, short centre) {
  if (!label || !m_labels) return -1;
  int slot = -1;
  for (int i = 0; i < m_capacity; ++i)
    if (!m_labels[i]) {
      slot = i;
      break;
    }
  if (slot < 0) {
    if (m_capacity + LABEL_SLOT_GROWTH > kMostSlots) return -1;
    const int grown = m_capacity + LABEL_SLOT_GROWTH;
    auto* bigger = static_cast<CLabelInfo**>(
        ReallocBlock(m_labels, static_cast<uint32_t>(sizeof(CLabelInfo*) * static_cast<size_t>(grown))));
    if (!bigger) return -1;
    for (int i = m_capacity; i < grown; ++i) bigger[i] = nullptr;
    m_labels = bigger;
    slot = m_capacity;
    m_capacity = static_cast<int16_t>(grown);
  }
  if (label->m_params.positionMode == 2) label->m_params.pointerMode = 0;
  m_labels[slot] = label;
  label->SetAreaIndexes(m_areas, plot, areaGroup, plot, areaGroup);
  if (label->m_moveable && centre) label->SetCenterPosition(m_areas);

  if (label->m_type == LABEL_TYPE_VALUE) {
    label->AdjustLabelToArea(m_areas);
    label->m_labelShown = 0;
    const STRUCT_LABEL_AREA* area =
        m_areas && label->m_areaIndex >= 0 && label->m_areaIndex < m_areas->areaCount ? &m_areas->areas[label->m_areaIndex]
                                                                                     : nullptr;
    for (int i = 0; i < m_capacity; ++i) {
      CLabelInfo* old = m_labels[i];
      if (!old || i == slot || old->m_type != LABEL_TYPE_VALUE || !old->m_labelShown) continue;
      const bool twin = old->m_areaGroup == label->m_areaGroup && old->m_effectiveGroup == label->m_effectiveGroup &&
                        old->m_kind == label->m_kind && old->m_labelX == label->m_labelX &&
                        old->m_labelY == label->m_labelY && SameText(old, label);
      if (twin) continue;
      CRgn rgn;
      if (!rgn.CreateRectRgn(old->m_anchorX, old->m_anchorY, old->m_anchorX + old->m_boxWidth,
                             old->m_anchorY + old->m_boxHeight))
        continue;
      const int32_t w = old->m_boxWidth, h = old->m_boxHeight;
      const int32_t left = label->m_anchorX - w / 2;
      int32_t top = label->m_anchorY - h - h / 3;
      if (area && top < area->top) top = area->top;
      const RECT r{left, top, left + w, top + h};
      if (rgn.RectInRegion(&r)) DeleteLabel(static_cast<short>(i), 1, static_cast<short>(slot));
    }
  }
  return static_cast<short>(slot);
}

void CLabelManager::DeleteOne(short slot) {
  CLabelInfo* label = m_labels[slot];
  FreeLabelMark(label);
  delete label;
  m_labels[slot] = nullptr;
}

short CLabelManager::DeleteLabel(short slot, short keepOne, short keepSlot) {
  if (!ValidSlot(slot)) return 0;
  short result = 0;
  if (CLabelInfo* label = m_labels[slot]) {
    const int16_t group = label->m_areaGroup, effective = label->m_effectiveGroup, kind = label->m_kind,
                  type = label->m_type;
    const double x = label->m_labelX, y = label->m_labelY;
    DeleteOne(slot);
    for (int i = 0; i < m_capacity; ++i) {
      CLabelInfo* other = m_labels[i];
      if (!other || (keepOne && i == keepSlot)) continue;
      if (other->m_areaGroup == group && other->m_effectiveGroup == effective && other->m_kind == kind &&
          other->m_type == type && other->m_labelX == x && other->m_labelY == y) {
        DeleteOne(static_cast<short>(i));
        if (m_draggedLabel == i || m_companionLabel == i) m_draggedLabel = m_companionLabel = -1;
        if (m_draggedPointerEnd == i) m_draggedPointerEnd = -1;
      }
    }
    result = 1;
  }
  if (m_draggedLabel == slot || m_companionLabel == slot) m_draggedLabel = m_companionLabel = -1;
  if (m_draggedPointerEnd == slot) m_draggedPointerEnd = -1;
  return result;
}

void CLabelManager::CenterLabelInArea(short slot) {
  if (CLabelInfo* label = Label(slot)) label->SetCenterPosition(m_areas);
}

void CLabelManager::DeletePlotValueLabelsForPlot(short plot) {
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (l && l->m_plot == plot && l->m_type == LABEL_TYPE_USER && (l->m_positionMode == 1 || l->m_pointerMode == 1))
      DeleteLabel(static_cast<short>(i), 0, 0);
  }
}

void CLabelManager::DeleteLabelsForPlot(short plot) {
  for (int i = 0; i < m_capacity; ++i)
    if (m_labels[i] && m_labels[i]->m_plot == plot) DeleteLabel(static_cast<short>(i), 0, 0);
}

void CLabelManager::DeleteSomeLabelsForPlot(short plot, short type) {
  for (int i = 0; i < m_capacity; ++i)
    if (m_labels[i] && m_labels[i]->m_plot == plot && m_labels[i]->m_type == type)
      DeleteLabel(static_cast<short>(i), 0, 0);
}

short CLabelManager::HaveSomeLabelsForPlot(short plot, short type) {
  for (int i = 0; i < m_capacity; ++i)
    if (m_labels[i] && m_labels[i]->m_plot == plot && m_labels[i]->m_type == type) return 1;
  return 0;
}

short CLabelManager::DeleteLabelForPlotAtTime(short plot, short type, double time) {
  short deleted = 0;
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (l && l->m_plot == plot && l->m_type == type && l->m_labelX >= time - 0.00001 &&
        l->m_labelX <= time + 0.00001) {
      DeleteLabel(static_cast<short>(i), 0, 0);
      deleted = 1;
    }
  }
  return deleted;
}

void CLabelManager::ExchangePlotIndexes(short plotA, short plotB) {
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (!l) continue;
    if (l->m_plot == plotA)
      l->m_plot = plotB;
    else if (l->m_plot == plotB)
      l->m_plot = plotA;
    if (l->m_pointerPlot == plotA)
      l->m_pointerPlot = plotB;
    else if (l->m_pointerPlot == plotB)
      l->m_pointerPlot = plotA;
  }
}

short CLabelManager::GetLabelCount() {
  short n = 0;
  for (int i = 0; i < m_capacity; ++i)
    if (m_labels[i]) ++n;
  return n;
}

void CLabelManager::DrawNoTokenLabels(CDC* dc, short printing, short plotCount, short* plotShown, short offsetX,
                                      short offsetY, short printFontHeight, short printScale, LOGFONTA* font) {
  if (m_cursor) m_cursor->drawn = 0;
  if (!dc || !m_labels) return;
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (!l || i == m_draggedLabel || i == m_companionLabel) continue;
    if (l->m_type != LABEL_TYPE_USER || l->m_plot < 0 || l->m_plot >= plotCount) continue;
    if (!plotShown || !plotShown[l->m_plot]) continue;
    std::fill(l->m_cornerX, l->m_cornerX + 4, 0);
    std::fill(l->m_cornerY, l->m_cornerY + 4, 0);
    l->DisplayLabel(dc, printing, offsetX, offsetY, i == m_draggedPointerEnd ? 0 : 1, m_areas, printFontHeight,
                    printScale, font, m_labels, m_capacity, static_cast<short>(i));
  }
}

void CLabelManager::DrawTokenLabels(CDC* dc, short printing, short plot, short type, short offsetX, short offsetY,
                                    short printFontHeight, short printScale, LOGFONTA* font,
                                    STRUCT_MARKER_PARAMS* params) {
  if (m_cursor) m_cursor->drawn = 0;
  if (!dc || !m_labels) return;
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (!l || i == m_draggedLabel || i == m_companionLabel) continue;
    if (l->m_plot != plot || l->m_type != type) continue;
    if (params) l->m_params = *params;
    std::fill(l->m_cornerX, l->m_cornerX + 4, 0);
    std::fill(l->m_cornerY, l->m_cornerY + 4, 0);
    l->DisplayLabel(dc, printing, offsetX, offsetY, i == m_draggedPointerEnd ? 0 : 1, m_areas, printFontHeight,
                    printScale, font, m_labels, m_capacity, static_cast<short>(i));
  }
}

void CLabelManager::EmptyAreas(short sharedAreas, short singleStrip, short offsetAreas) {
  if (!m_areas) return;
  std::memset(m_areas, 0, sizeof(STRUCT_AREA_TABLE));
  m_areas->sharedAreas = sharedAreas;
  m_areas->singleStrip = singleStrip;
  m_areas->offsetAreas = offsetAreas;
  m_frameArea = 0;
}

void CLabelManager::SetLeftRightOrientation(short* orientation) {
  if (!m_areas || !orientation) return;
  std::memcpy(m_areas->orientation, orientation, sizeof(m_areas->orientation));
}

void CLabelManager::AddArea(short id, long left, long top, long width, long height, double lowTime, double highTime,
                            double lowValue, double highValue) {
  if (!m_areas || m_areas->areaCount >= LABEL_AREA_MAX) return;
  STRUCT_LABEL_AREA& a = m_areas->areas[m_areas->areaCount];
  a.id = id;
  a.left = static_cast<int32_t>(left);
  a.top = static_cast<int32_t>(top);
  a.width = static_cast<int32_t>(width);
  a.height = static_cast<int32_t>(height);
  a.lowTime = lowTime;
  a.highTime = highTime;
  a.lowValue = lowValue;
  a.highValue = highValue;
  if (id == LABEL_AREA_FRAME) m_frameArea = m_areas->areaCount;
  ++m_areas->areaCount;
}

// The table is rebuilt before each draw, so the indexes into it are looked
// up again first.
void CLabelManager::AdjustLabels() {
  for (int i = 0; i < m_capacity; ++i)
    if (CLabelInfo* l = m_labels[i]) {
      l->UpdateAreaIndexes(m_areas);
      l->AdjustLabelToArea(m_areas);
      l->AdjustPointerEndToArea(m_areas);
    }
}

void CLabelManager::AdjustLabelsForPlot(short plot, short show) {
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (!l) continue;
    if (show && (l->m_plot == plot || l->m_pointerPlot == plot)) l->UpdateAreaIndexes(m_areas);
    if (l->m_plot == plot) {
      if (show)
        l->AdjustLabelToArea(m_areas);
      else
        l->m_labelShown = 0;
    }
    if (l->m_pointerPlot == plot) {
      if (show)
        l->AdjustPointerEndToArea(m_areas);
      else
        l->m_pointerShown = 0;
    }
  }
}

// ---- Mouse --------------------------------------------------------------------------

CDC* CLabelManager::OutlineDC() {
  if (!m_window || !m_window->GetSafeHwnd() || !m_areas) return nullptr;
  CDC* dc = m_window->GetDC();
  if (!dc) return nullptr;
  if (m_frameArea >= 0 && m_frameArea < m_areas->areaCount) {
    const STRUCT_LABEL_AREA& f = m_areas->areas[m_frameArea];
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetViewportOrg(f.left, f.top);
    dc->SetWindowOrg(f.left, f.top);
    if (f.width > 0 && f.height > 0) {
      dc->SetWindowExt(f.width, f.height);
      dc->SetViewportExt(f.width, f.height);
    }
  }
  return dc;
}

void CLabelManager::ReleaseOutlineDC(CDC* dc) {
  if (dc && m_window) m_window->ReleaseDC(dc);
}

void CLabelManager::CancelDrag() {
  m_draggedLabel = m_companionLabel = m_draggedPointerEnd = -1;
}

int CLabelManager::CanUseLBDown(CPoint point, short* onLabelBox) {
  if (onLabelBox) *onLabelBox = 0;
  if (!m_labels || !m_cursor) return 0;
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (!l || !l->m_labelShown) continue;
    if (l->m_moveable && l->IsPointOverLabel(point, 0)) {
      m_draggedLabel = static_cast<int16_t>(i);
      m_cursor->drawn = 0;
      l->SaveLabelLButtonDown(point, m_cursor);
      if (onLabelBox) *onLabelBox = 1;
      m_companionLabel = -1;
      for (int j = 0; j < m_capacity; ++j) {
        CLabelInfo* o = m_labels[j];
        if (!o || j == i) continue;
        if (o->m_areaGroup == l->m_areaGroup && o->m_effectiveGroup == l->m_effectiveGroup && o->m_kind == l->m_kind &&
            o->m_type == l->m_type && o->m_labelX == l->m_labelX && o->m_labelY == l->m_labelY) {
          m_companionLabel = static_cast<int16_t>(j);
          break;
        }
      }
      return 1;
    }
    if (l->IsPointOverPointerEnd(point)) {
      m_draggedPointerEnd = static_cast<int16_t>(i);
      m_cursor->drawn = 0;
      l->SavePointerEndLButtonDown(point, m_cursor);
      return 1;
    }
  }
  return 0;
}

int CLabelManager::ShowMovingLabelCursor(POINT point) {
  if (!m_labels) return 0;
  if (m_draggedLabel < 0 && m_draggedPointerEnd < 0) {
    for (int i = 0; i < m_capacity; ++i) {
      CLabelInfo* l = m_labels[i];
      if (!l) continue;
      if ((l->m_labelShown && l->m_moveable && l->IsPointOverLabel(point, 0)) ||
          (l->m_pointerShown && l->IsPointOverPointerEnd(point))) {
        SetLibraryCursor(LABEL_MOVE_CURSOR);
        return 1;
      }
    }
    return 0;
  }
  CDC* dc = OutlineDC();
  if (m_draggedLabel < 0) {
    if (dc && m_labels[m_draggedPointerEnd]) m_labels[m_draggedPointerEnd]->DrawPointerEndAsCursor(dc, point, m_cursor);
    SetLibraryCursor(MAKEINTRESOURCEA(LABEL_POINTER_CURSOR_ID));
  } else {
    if (dc && m_labels[m_draggedLabel]) m_labels[m_draggedLabel]->DrawLabelAsCursor(dc, point, m_cursor);
    SetLibraryCursor(LABEL_HOLD_CURSOR);
  }
  ReleaseOutlineDC(dc);
  return 1;
}

int CLabelManager::CanUseMouseMove(UINT flags, CPoint point) {
  (void)point;
  if (m_draggedLabel < 0 && m_draggedPointerEnd < 0) return 0;
  if (flags & MK_LBUTTON) return 0;
  // The button went up outside the window: wipe the outline and cancel.
  if (CDC* dc = OutlineDC()) {
    const CPoint none(-1, -1);
    if (m_draggedLabel >= 0) {
      if (m_labels[m_draggedLabel]) m_labels[m_draggedLabel]->DrawLabelAsCursor(dc, none, m_cursor);
      if (m_companionLabel >= 0 && m_labels[m_companionLabel])
        m_labels[m_companionLabel]->DrawLabelAsCursor(dc, none, m_cursor);
    } else if (m_labels[m_draggedPointerEnd]) {
      m_labels[m_draggedPointerEnd]->DrawPointerEndAsCursor(dc, none, m_cursor);
    }
    ReleaseOutlineDC(dc);
  }
  CancelDrag();
  return 1;
}

int CLabelManager::CanUseLBUp(CPoint point) {
  if (m_draggedLabel < 0 && m_draggedPointerEnd < 0) return 0;
  const bool box = m_draggedLabel >= 0;
  CLabelInfo* label = m_labels[box ? m_draggedLabel : m_draggedPointerEnd];
  // The outline goes; the window repaints the label where it now stands.
  if (CDC* dc = OutlineDC()) {
    if (label) {
      if (box)
        label->DrawLabelAsCursor(dc, CPoint(-1, -1), m_cursor);
      else
        label->DrawPointerEndAsCursor(dc, CPoint(-1, -1), m_cursor);
    }
    ReleaseOutlineDC(dc);
  }
  if (!label || !m_areas) {
    CancelDrag();
    return 1;
  }
  int32_t x = point.x + m_cursor->dx[0];
  const int32_t y = point.y + m_cursor->dy[0];
  int16_t found = -1;
  for (int i = 0; i < m_areas->areaCount; ++i) {
    const STRUCT_LABEL_AREA& a = m_areas->areas[i];
    if (a.id != LABEL_AREA_FRAME && Contains(a, x, y)) {
      found = static_cast<int16_t>(i);
      break;
    }
  }
  if (found < 0 && x < 0) {
    for (int i = 0; i < m_areas->areaCount; ++i) {
      const STRUCT_LABEL_AREA& a = m_areas->areas[i];
      if (a.id != LABEL_AREA_FRAME && a.left < 10 && a.left > x && a.top <= y && y < a.top + a.height) {
        found = static_cast<int16_t>(i);
        x = a.left;
        break;
      }
    }
  }
  if (box && found >= 0 && found != label->m_areaIndex &&
      (label->m_type == LABEL_TYPE_AREA || label->m_type == LABEL_TYPE_VALUE ||
       label->m_type == LABEL_TYPE_HORIZONTAL)) {
    CancelDrag();
    return 1;
  }
  if (found >= 0) {
    const short sx = static_cast<short>(std::clamp<int32_t>(x, -32768, 32767));
    const short sy = static_cast<short>(std::clamp<int32_t>(y, -32768, 32767));
    if (box) {
      label->HandleLabelLButtonUp(sx, sy, found, m_areas);
      if (m_companionLabel >= 0 && m_labels[m_companionLabel])
        m_labels[m_companionLabel]->HandleLabelLButtonUp(sx, sy, found, m_areas);
    } else {
      label->HandlePointerEndLButtonUp(sx, sy, found, m_areas);
    }
  }
  CancelDrag();
  return 1;
}

int CLabelManager::CanUseRBDown(CPoint point, short* slot, short* type) {
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (l && l->IsPointOverLabel(point, 1)) {
      if (slot) *slot = static_cast<short>(i);
      if (type) *type = l->m_type;
      return 1;
    }
  }
  return 0;
}

// 1 when the label could be edited (a text label of type 0); *changed when
// it changed or was deleted.
int CLabelManager::EditSlot(short slot, short deleteOnCancel, bool* changed) {
  *changed = false;
  CLabelInfo* l = Label(slot);
  if (!l) return 0;
  STRUCT_LAB_TEXT* text = nullptr;
  STRUCT_MARKER_PARAMS params{};
  short type = 0;
  if (!l->GetTextLabelInfoForEdit(&text, &params, &type)) return 0;
  if (type != LABEL_TYPE_USER) {
    LABS_FreeLabelText(text);
    return 0;
  }
  short del = 0, centre = 0;
  const int r = text ? LABS_EditLabelText(text, &params, &del, &centre) : 2;
  if (r == 1 && !del) {
    l->SetTextLabelInfoFromEdit(text, &params);
    if (centre) l->SetCenterPosition(m_areas);
    *changed = true;
    return 1;
  }
  LABS_FreeLabelText(text);
  if ((r == 1 && del) || (r != 1 && deleteOnCancel)) {
    DeleteLabel(slot, 0, 0);
    *changed = true;
  }
  return 1;
}

int CLabelManager::CanUseDBLCLK(CPoint point) {
  for (int i = 0; i < m_capacity; ++i) {
    CLabelInfo* l = m_labels[i];
    if (!l || !l->IsPointOverLabel(point, 1)) continue;
    if (i == m_draggedLabel) m_draggedLabel = m_companionLabel = -1;
    bool changed = false;
    if (EditSlot(static_cast<short>(i), 0, &changed)) return 1;
  }
  return 0;
}

int CLabelManager::EditLabel(short slot, short deleteOnCancel) {
  bool changed = false;
  EditSlot(slot, deleteOnCancel, &changed);
  return changed ? 1 : 0;
}
