#pragma once
// The stacked-spectra drawing: one to three spectra in horizontal bands of
// one rectangle (A, B, a difference), with title lines, intensity scales,
// peak labels and buttons per band and one m/z scale under them all. It
// draws into any device context: a screen raster, a metafile page or a
// printer. Every step is virtual so that a user can replace one.
//
// The object owns nothing: spectra, device context and texts stay the
// caller's. The constructor sets every member to its default; the caller
// overwrites what it needs and calls DoJob. The drawing may change
// VertMin, VertMax, MassFrom and MassTo (automatic range, widened equal
// ends), so a caller drawing again sets them again.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "spectra/spectrum_record.h"
#include "win/win_gdi.h"

class CDC;

#define DSS_BANDS 3
#define DSS_TRACES 4
#define DSS_BOTTOM_TEXT_SIZE 24
#define DSS_MATCH_STATE_SIZE 24

#pragma pack(push, 1)

// One drawn spectrum; trace slots of band k: 0 the band's spectrum, 1 B laid
// over A (band 0 in difference mode), 2 and 3 the band's second and third.
struct STRUCT_DSS_TRACE {
  STRUCT_SPT_PLUS* spectrum;
  COLORREF colour;
  COLORREF colour2;      // marked masses; titles on report pages (bands 0 and 1)
  int16_t dense;         // more distinct m/z values in range than pixel columns
  int16_t labels;
  int16_t hasTitle1;
  int16_t hasTitle2;
  int16_t profile;       // drawn as a line
  uint32_t pairCount;
  double maxIntensity;
};

struct STRUCT_DSS_PLOTINFO {
  int16_t traceCount;
  int16_t title1Lines;
  int16_t title2Lines;
  int16_t furtherLines;  // always 0 here; dropped first when space runs out
  int16_t totalTitleLines;
  double maxIntensity;
};

// One label candidate (46 bytes).
struct STRUCT_DSS_LAB {
  double mass;
  double intensity;      // raw, not scaled
  double halfWidth;      // width at half height in m/z; 0 when not measured
  int32_t x;
  int32_t y;             // peak top
  int16_t placed;
  int32_t boxLeft;
  int32_t boxRight;
  int32_t boxTop;
};

struct STRUCT_DSS_GREYOUT {
  int16_t windowOn;
  double low, high;      // m/z window; sticks outside are grey
  int16_t perMille;      // 1..999: sticks below this share of the largest are grey
};

struct STRUCT_DSS_BUTTONS2 {
  int16_t shown[2], x[2], y[2];
  int16_t width, height;
};

struct STRUCT_DSS_BUTTONS3 {
  int16_t shown[3], x[3], y[3];
  int16_t width, height;
};

class KELT_CLASS CDrawStackedSpectra {
 public:
  CDrawStackedSpectra();
  ~CDrawStackedSpectra() {}

  virtual void DoJob();
  virtual void InitRulesBeforeCalScaleAreas();
  virtual void CalScaleAreas();
  virtual void InitRulesAfterCalScaleAreas();
  virtual void FillBackground();
  virtual void DrawSpectra();
  virtual void DrawSpectrumSticks(short plot, short trace);
  virtual void DrawSpectrumLine(short plot, short trace);
  virtual void DrawMaxSpectrumSticks(short plot, short trace);
  virtual void DrawMinMaxSpectrumLine(short plot, short trace);
  virtual void DrawVertScale(short plot);
  virtual void DrawHorzScale();
  virtual void DrawChemObject(short plot);
  virtual void DrawTitles(short plot);
  virtual void DrawMassRange();
  virtual void DrawDifferences();
  virtual void DrawDiffVertScale();
  virtual void DrawBottomLine();
  virtual void DrawSimAndRSimValues(short* xLeft, short* xRight);
  virtual void DrawOutlines();
  virtual void DrawNULLSpectrum(long pairCount, short plot);
  virtual void DrawLabels(STRUCT_DSS_LAB* labels, long count, STRUCT_SPT_PLUS* spectrum, long colour);
  virtual void DrawActivePlotButton(short plot);
  virtual void DrawDeletePlotButton(short plot);
  virtual void DrawMaxPlotButton(short plot);

  // Width at half height, in m/z, of the profile peak at pair i of a
  // spectrum's MS data; 0 when it cannot be measured.
  static double HalfHeightWidth(const STRUCT_SPT_PLUS* spectrum, long i);
  // The piece of text from `from` on that fits in width (words kept, a
  // label and its value after a colon kept together), else a hyphenated
  // cut; 1 when a piece was found. done: the piece is the whole rest.
  static int FitTextToWidth(CDC* dc, int width, const char* text, int from, int* first, int* length, int* done);
  static int TruncateWithHyphen(CDC* dc, int width, const char* text, int from, int* first, int* length, int* done);

  // ---- computed and input members, in their stored order ----
  STRUCT_DSS_TRACE Traces[DSS_BANDS][DSS_TRACES]{};
  STRUCT_DSS_PLOTINFO PlotInfo[DSS_BANDS]{};
  int16_t OriginX{};
  int16_t BandTop{};
  int16_t TitlesBottom{};
  int16_t DrawHeight{};
  int16_t DrawTop{};
  int16_t DrawBottom{};
  int16_t BaselineY{};
  int16_t LabelLineY{};
  double XScale{};
  double YScale{};
  COLORREF ForeColor{};
  int16_t KeepSmallScale{};
  int16_t ShowVertScale{};
  int16_t NullScale{};
  double CountsReference{};
  int16_t ShowHorzScale{};
  int16_t ShowStructure{};
  int16_t ShowTitle1[DSS_BANDS]{};
  int16_t ShowTitle2[DSS_BANDS]{};
  int16_t ShowRangeMarks{};
  int16_t SearchMatchMode{};
  int16_t UseKeptMatchValues{};
  int16_t MatchStateKept{};
  uint8_t MatchState[DSS_MATCH_STATE_SIZE]{};
  int16_t MatchValuesValid{};
  int32_t ForwardMatch{};
  int32_t ReverseMatch{};
  int16_t PaintBackground{};
  int16_t ShowActiveButtons{};
  int16_t ShowDeleteButtons{};
  int16_t MarkSparsePoints{};
  int16_t ShowMaxButtons{};
  int16_t Maximized{};
  int16_t MaximizedPlot{};
  int16_t DifferenceMode{};
  int16_t CountsScale{};
  int16_t LabelMasses{};
  int16_t LabelIntensities{};
  int16_t LabelHalfHeights{};
  int16_t LabelThreshold{};
  char BottomText[DSS_BOTTOM_TEXT_SIZE]{};
  STRUCT_SPTS_SCREEN_COLORS ScreenColors{};
  STRUCT_SPTS_RPTS_COLORS ReportColors{};
  CDC* DC{};
  int16_t ReportMode{};
  int16_t Left{}, Bottom{}, Right{}, Top{};
  int16_t CharWidth{}, CharHeight{};
  STRUCT_AXIS_PARAMS VertAxis{};
  STRUCT_AXIS_PARAMS HorzAxis{};
  STRUCT_SPT_PLUS* Spectra[DSS_BANDS]{};
  STRUCT_SPT_PLUS* SecondSpectra[2]{};
  STRUCT_SPT_PLUS* ThirdSpectra[2]{};
  int16_t RangeMarks[4]{};
  void* SearchParams{};
  int16_t ActiveWindowNumber{};
  int16_t ActiveSpectrum{};
  int16_t WindowNumber{};
  int16_t ForceLine[DSS_BANDS]{};
  int16_t GreyOut[2]{};
  STRUCT_DSS_GREYOUT GreyOutParams[2]{};
  double VertMin[DSS_BANDS]{};
  double VertMax[DSS_BANDS]{};
  double MassFrom{}, MassTo{};
  int16_t LayoutDone{};
  int16_t VertScaleWidth{};
  int16_t PlotWidth{};
  int16_t HorzScaleHeight{};
  int16_t BandHeight[DSS_BANDS]{};
  int16_t DiffOverlay{};
  STRUCT_DSS_BUTTONS2 ActiveButtons{};
  STRUCT_DSS_BUTTONS3 DeleteButtons{};
  STRUCT_DSS_BUTTONS3 MaxButtons{};
};

#pragma pack(pop)

static_assert(sizeof(STRUCT_DSS_LAB) == 46);
static_assert(sizeof(STRUCT_DSS_TRACE) == 38);
static_assert(sizeof(STRUCT_DSS_PLOTINFO) == 18);
