#pragma once
// The labels of one plot window: their slots, the table of areas they are
// placed in, and the drag of a label box or pointer end in progress.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_gdi.h"
#include "framework/framework_types.h"
#include "framework/framework_wnd.h"
#include "plotengine/plot_labels.h"

#define LABEL_SLOT_GROWTH 100
#define LABEL_MOVE_CURSOR "MOVE_CURSOR"
#define LABEL_HOLD_CURSOR "HOLD_CURSOR"
#define LABEL_POINTER_CURSOR_ID 700

class KELT_CLASS CLabelManager {
 public:
  explicit CLabelManager(CWnd* window);
  virtual ~CLabelManager();
  CLabelManager(const CLabelManager&) = delete;
  CLabelManager& operator=(const CLabelManager&) = delete;

  short AddLabel(CLabelInfo* label, short areaGroup, short plot, short centre);
  short DeleteLabel(short slot, short keepOne, short keepSlot);
  void CenterLabelInArea(short slot);
  void DeletePlotValueLabelsForPlot(short plot);
  void DeleteLabelsForPlot(short plot);
  void DeleteSomeLabelsForPlot(short plot, short type);
  short HaveSomeLabelsForPlot(short plot, short type);
  short DeleteLabelForPlotAtTime(short plot, short type, double time);
  void ExchangePlotIndexes(short plotA, short plotB);
  short GetLabelCount();
  void DrawNoTokenLabels(CDC* dc, short printing, short plotCount, short* plotShown, short offsetX, short offsetY,
                         short printFontHeight, short printScale, LOGFONTA* font);
  void DrawTokenLabels(CDC* dc, short printing, short plot, short type, short offsetX, short offsetY,
                       short printFontHeight, short printScale, LOGFONTA* font, STRUCT_MARKER_PARAMS* params);
  void EmptyAreas(short sharedAreas, short singleStrip, short offsetAreas);
  void SetLeftRightOrientation(short* orientation);
  void AddArea(short id, long left, long top, long width, long height, double lowTime, double highTime,
               double lowValue, double highValue);
  void AdjustLabels();
  void AdjustLabelsForPlot(short plot, short show);
  int CanUseLBDown(CPoint point, short* onLabelBox);
  int CanUseRBDown(CPoint point, short* slot, short* type);
  int CanUseLBUp(CPoint point);
  int CanUseMouseMove(UINT flags, CPoint point);
  int ShowMovingLabelCursor(POINT point);
  int CanUseDBLCLK(CPoint point);
  int EditLabel(short slot, short deleteOnCancel);

  // Read access for the overlay code and tests.
  CLabelInfo* Label(short slot) const;
  short Capacity() const { return m_capacity; }
  STRUCT_AREA_TABLE* AreaTable() const { return m_areas; }
  short DraggedLabel() const { return m_draggedLabel; }
  short CompanionLabel() const { return m_companionLabel; }
  short DraggedPointerEnd() const { return m_draggedPointerEnd; }
  const STRUCT_LAB_CURSOR* DragState() const { return m_cursor; }

 private:
  bool ValidSlot(short slot) const { return m_labels && slot >= 0 && slot < m_capacity; }
  void DeleteOne(short slot);
  void CancelDrag();
  // The window's DC mapped on the frame area; null without a window.
  CDC* OutlineDC();
  void ReleaseOutlineDC(CDC* dc);
  int EditSlot(short slot, short deleteOnCancel, bool* changed);

  CWnd* m_window;
  CLabelInfo** m_labels = nullptr;
  int16_t m_capacity = 0;
  int16_t m_draggedLabel = -1;
  int16_t m_companionLabel = -1;
  int16_t m_draggedPointerEnd = -1;
  STRUCT_LAB_CURSOR* m_cursor = nullptr;
  STRUCT_AREA_TABLE* m_areas = nullptr;
  int16_t m_frameArea = 0;
};
