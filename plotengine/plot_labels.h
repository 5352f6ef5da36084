#pragma once
// Plot labels: a text placed on a chromatogram or spectrum plot in data
// units (or as fractions of its area), with an optional pointer ending at a
// point of the data, optional fill and rotation, and for value and area
// labels a mark record the label owns. Every draw converts the place into
// pixels through the label-area table of the label manager.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/data_points.h"
#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_gdi.h"
#include "framework/framework_types.h"
#include "win/win_gdi.h"

// Label types (callers pass them, the manager filters on them).
#define LABEL_TYPE_USER 0
#define LABEL_TYPE_VALUE 231
#define LABEL_TYPE_TOKEN 232
#define LABEL_TYPE_AREA 233
#define LABEL_TYPE_HORIZONTAL 234

// Room of the label-area table.
#define LABEL_AREA_MAX 82
#define LABEL_ORIENTATION_PLOTS 20

// Area id groups.
#define LABEL_AREA_GROUP_PLOT 100
#define LABEL_AREA_GROUP_OFFSET 120
#define LABEL_AREA_FRAME 140

// Records holding pointers live only in memory and keep natural alignment.
// A label's text; the characters sit in a block of length + 10 bytes.
struct STRUCT_LAB_TEXT {
  int32_t length;
  char* text;
};

// The trace filled under an area label.
struct STRUCT_LAB_AREA {
  uint32_t pointCount;
  STRUCT_NE_POINT* points;   // 20-byte points
  uint32_t valuesAreDouble;  // nonzero: f64 values, else 64-bit integers
  COLORREF fillColor;
};

#pragma pack(push, 1)

// Peak box and apex of a value label, in data units.
struct STRUCT_LAB_MARK {
  double boxBeginTime;
  double boxEndTime;
  double boxLowValue;
  double boxHighValue;
  double beginTime;
  double beginValue;
  double apexTime;
  double apexValue;
  double baselineValue;
};

struct STRUCT_LABEL_AREA {
  int16_t id;
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  double lowValue;
  double highValue;
  double lowTime;
  double highTime;
};

struct STRUCT_AREA_TABLE {
  int16_t areaCount;
  int16_t sharedAreas;
  int16_t singleStrip;
  int16_t offsetAreas;
  STRUCT_LABEL_AREA areas[LABEL_AREA_MAX];
  int16_t orientation[LABEL_ORIENTATION_PLOTS];
};

struct STRUCT_LAB_CURSOR {
  int16_t itemCount;  // 4 for a box, 1 for a pointer end
  int16_t drawn;
  int32_t x[5];       // four corners, then the pointer origin
  int32_t y[5];
  int16_t dx[4];
  int16_t dy[4];
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_MARKER_PARAMS) == 92);
static_assert(sizeof(STRUCT_LAB_MARK) == 72);
static_assert(sizeof(STRUCT_LABEL_AREA) == 50);
static_assert(sizeof(STRUCT_AREA_TABLE) == 4148);
static_assert(sizeof(STRUCT_LAB_CURSOR) == 60);

KELT_API void LABS_FreeLabelText(STRUCT_LAB_TEXT* text);
KELT_API STRUCT_LAB_TEXT* LABS_CopyLabelText(STRUCT_LAB_TEXT* text);
// The "Edit Label" dialog on copies; 1 on OK, 2 on Cancel (also when the
// copy cannot be made or no dialog is set).
KELT_API int LABS_EditLabelText(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteRequested,
                                short* centreRequested);

class KELT_CLASS CLabelInfo {
 public:
  CLabelInfo();
  virtual ~CLabelInfo();

  void SetTextLabel(char* text, STRUCT_MARKER_PARAMS* params, short moveable);
  void SetTextLabelPosition(short type, double x, double y, double pointerX, double pointerY);
  int GetTextLabelInfoForEdit(STRUCT_LAB_TEXT** text, STRUCT_MARKER_PARAMS* params, short* type);
  void SetTextLabelInfoFromEdit(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params);
  void SetAreaIndexes(STRUCT_AREA_TABLE* table, short plot, short areaGroup, short pointerPlot,
                      short pointerAreaGroup);
  void UpdateAreaIndexes(STRUCT_AREA_TABLE* table);
  void SetCenterPosition(STRUCT_AREA_TABLE* table);
  void AdjustLabelToArea(STRUCT_AREA_TABLE* table);
  void AdjustPointerEndToArea(STRUCT_AREA_TABLE* table);
  short IsMoveable() const;
  int IsPointOverLabel(CPoint point, short evenIfFixed) const;
  int IsPointOverPointerEnd(CPoint point) const;
  void CalculatePointerStart(long endX, long endY, long* cornerX, long* cornerY, long* originX,
                             long* originY) const;
  void DisplayLabel(CDC* dc, short printing, short offsetX, short offsetY, short drawPointer,
                    STRUCT_AREA_TABLE* table, short printFontHeight, short printScale, LOGFONTA* callerFont,
                    CLabelInfo** labels, short labelCount, short ownIndex);
  void SaveLabelLButtonDown(CPoint point, STRUCT_LAB_CURSOR* cursor) const;
  void SavePointerEndLButtonDown(CPoint point, STRUCT_LAB_CURSOR* cursor) const;
  void DrawLabelAsCursor(CDC* dc, CPoint point, STRUCT_LAB_CURSOR* cursor) const;
  void DrawPointerEndAsCursor(CDC* dc, CPoint point, STRUCT_LAB_CURSOR* cursor) const;
  void HandleLabelLButtonUp(short x, short y, short areaIndex, STRUCT_AREA_TABLE* table);
  void HandlePointerEndLButtonUp(short x, short y, short areaIndex, STRUCT_AREA_TABLE* table);

  // Fields in their documented order; the label manager and the overlay
  // code read and set them directly.
  int32_t m_anchorX = 0, m_anchorY = 0;
  int32_t m_boxWidth = 0, m_boxHeight = 0;
  int16_t m_labelShown = 0;
  int32_t m_cornerX[4] = {0, 0, 0, 0};
  int32_t m_cornerY[4] = {0, 0, 0, 0};
  int16_t m_pointerShown = 0;
  int32_t m_pointerEndX = 0, m_pointerOriginX = 0, m_pointerEndY = 0, m_pointerOriginY = 0;
  int16_t m_positionMode = 0, m_pointerMode = 0;
  double m_labelX = 0.0, m_labelY = 0.0;
  double m_pointerX = 0.0, m_pointerY = 0.0;
  int16_t m_kind = 0;  // 0 new, 1 text label, 2 label without text
  int16_t m_type = 0;
  STRUCT_LAB_TEXT* m_text = nullptr;
  void* m_mark = nullptr;  // STRUCT_LAB_MARK (231) or STRUCT_LAB_AREA (233)
  STRUCT_MARKER_PARAMS m_params{};
  int16_t m_moveable = 0;
  int16_t m_plot = 0, m_areaGroup = 0, m_effectiveGroup = 0, m_areaIndex = -1;
  int16_t m_pointerPlot = 0, m_pointerAreaGroup = 0, m_pointerEffectiveGroup = 0, m_pointerAreaIndex = -1;

 private:
  void OutlineBox(CDC* dc, const int32_t* x, const int32_t* y, bool withPointer, int32_t originX,
                  int32_t originY) const;
};

namespace kelt::labels {
// Segment 1-2 and segment 3-4 cross or touch (64-bit products).
KELT_CLASS int SegmentsCross(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                             int32_t y4);
// Two text boxes at (x, y) of w by h turned by r tenths of a degree.
KELT_CLASS int TextBoxesOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t r1, int32_t x2, int32_t y2,
                                int32_t w2, int32_t h2, int32_t r2);
// The corners of a turned box, in drawing order.
KELT_CLASS void RotatedCorners(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, int32_t* cx, int32_t* cy);
// The eight-sided mark, filled with the current pen and brush or outlined.
KELT_CLASS void DrawOctagonMark(CDC* dc, int32_t left, int32_t bottom, int32_t right, int32_t top, bool filled);
// The lines of a label text: a CR LF pair is one break, a lone CR or LF
// one break; a text ending in a break has no empty last line. Each line is
// (start, length).
struct TextLine {
  int32_t start;
  int32_t length;
};
KELT_CLASS std::vector<TextLine> SplitLabelLines(const char* text, int32_t length);
// Frees a label's mark record by its type (an area label's points first).
KELT_CLASS void FreeLabelMark(CLabelInfo* label);
// The dialog that edits a label: the text record's characters are
// replaced and the parameters and flags set on OK; 1 (OK) or 2 (Cancel).
// The dialog lives with the dialogs, a floor above the drawing engine, so
// the library's start-up hands it in.
using EditLabelDialog = int (*)(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteLabel,
                                short* centreLabel);
KELT_CLASS void SetEditLabelDialog(EditLabelDialog dialog);
}  // namespace kelt::labels
