// The control's own drawing of its plots: the title line above them, the
// trace form chosen by the control kind, the print record a drawing into a
// printer fills, the printed annotation font and the system event marks.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "common/number_format.h"
#include "framework/framework_gdi.h"
#include "host/sample_overlay.h"
#include "overlayctl/tests/control_fixture.h"
#include "spectra/spectrum_managers.h"
#include "testing/raster.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"

namespace {

using PlotDrawingTest = OPlotTest;

// Dark grey to black pixels (text is drawn smoothed; the plot colours are not dark).
int CountDark(HWND w, int left, int top, int right, int bottom) {
  win::script::PumpUntilIdle();
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const COLORREF p = win::script::WindowPixel(w, x, y);
      n += GetRValue(p) < 100 && GetGValue(p) < 100 && GetBValue(p) < 100;
    }
  return n;
}

int CountColour(HWND w, int left, int top, int right, int bottom, COLORREF colour) {
  win::script::PumpUntilIdle();
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += win::script::WindowPixel(w, x, y) == colour;
  return n;
}

HWND Show(HWND w, SVW_OVERLAY* o) {
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  return w;
}

// A control object without a window that keeps the annotation font its
// drawing hands on to the text flags.
struct FontProbe : CCtlOPlot {
  void DrawTextFlags(CDC*, SVW_OVERLAY*, STRUCT_OVER_SIZES*, LOGFONTA* font) override {
    ++calls;
    if (font) seen = *font;
  }
  int calls = 0;
  LOGFONTA seen{};
};

// A raster to draw into, screen or "printed".
struct Raster : testing_support::Raster {
  Raster(int w, int h) : testing_support::Raster(w, h) { cdc.Attach(dc); }
  ~Raster() { cdc.Detach(); }
  CDC cdc;
};

// Pictures are left in the temporary folder for a look.
void Keep(const char* winPath, const char* name) {
  namespace fs = std::filesystem;
  fs::copy_file(win::paths::ToHost(winPath), fs::temp_directory_path() / name, fs::copy_options::overwrite_existing);
}
void SavePng(const Raster& r, const char* name) {
  if (win::gdi::SaveBitmapPng(r.bitmap, "C:\\TEMP\\raster.png")) Keep("C:\\TEMP\\raster.png", name);
}

TEST_F(PlotDrawingTest, TitleLineSitsCentredInTheRoomAboveThePlots) {
  struct Case {
    const char* what;
    int16_t on;
    const char* text;
    int16_t kind;
    bool shown;
  } cases[] = {
      {"title", 1, "Run 7 overview", 0, true},
      {"flag off", 0, "Run 7 overview", 0, false},
      {"empty text", 1, "", 0, false},
      {"control kind 2", 1, "Run 7 overview", 2, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(2);
    c->m_titleOn = k.on;
    std::strcpy(c->m_titleText, k.text);
    c->m_controlKind = k.kind;
    Show(w, o);
    ASSERT_TRUE(c->m_bSizesValid);
    const int margin = +c->m_Sizes.params.top;
    EXPECT_EQ(margin, k.shown ? 2 * c->m_charHeight : 0);

    // The title (in the axes' colour, black) in the middle half of the room above the plots.
    const int chroLeft = c->m_plotLeft + c->m_Sizes.leftScaleWidth, width = c->m_Sizes.plotWidth;
    const int band = 2 * c->m_charHeight;
    const int title = CountDark(w, chroLeft + width / 4, c->m_plotTop, chroLeft + 3 * width / 4, c->m_plotTop + band);
    if (k.shown) {
      EXPECT_GT(title, 40);
      // Centred: as much ink left of the middle as right of it, within a character.
      const int mid = chroLeft + width / 2;
      const int left = CountDark(w, chroLeft, c->m_plotTop, mid, c->m_plotTop + band);
      const int right = CountDark(w, mid, c->m_plotTop, chroLeft + width, c->m_plotTop + band);
      EXPECT_NEAR(left, right, title / 4);
      if (win::script::SaveWindowPng(w, "C:\\TEMP\\title.png")) Keep("C:\\TEMP\\title.png", "control-title.png");
    } else {
      EXPECT_EQ(title, 0);
    }

    // Pixels and values still agree below the title: the top of slot 0's band is its high value.
    double low = 0, high = 0;
    ASSERT_TRUE(OPLOT_GetVerticalScaleValues(o, &c->m_Sizes, 0, 0, &low, &high));
    long y = 0;
    ASSERT_TRUE(c->GetYPixelFromValue(0, high, 0, 0, nullptr, &y, 0));
    EXPECT_EQ(y, margin);
    short slot = -1;
    double value = 0;
    ASSERT_TRUE(c->GetValueFromYPixel(static_cast<short>(c->m_plotTop + y), &slot, &value, 0));
    EXPECT_EQ(slot, 0);
    EXPECT_NEAR(value, high, (high - low) / 100);
    DestroyWindow(w);
  }
}

TEST_F(PlotDrawingTest, PlotTitlesFollowTheTitleSettingsExceptInControlKindThree) {
  // With both title switches off the engine writes no plot title; kind 3
  // always titles its plots with the trace and the file.
  struct Case {
    int16_t kind;
    int16_t titlesOn;
    bool titled;
  } cases[] = {{0, 1, true}, {0, 0, false}, {3, 0, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << k.kind << " titles " << k.titlesOn);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    c->m_controlKind = k.kind;
    c->m_prefs.titles.flags[0] = c->m_prefs.titles.flags[1] = k.titlesOn;
    Show(w, MakeOverlay(1));
    ASSERT_TRUE(c->m_bSizesValid);
    const int chroLeft = c->m_plotLeft + c->m_Sizes.leftScaleWidth, width = c->m_Sizes.plotWidth;
    const int ink = CountColour(w, chroLeft + width / 2, c->m_plotTop, chroLeft + width,
                                c->m_plotTop + 3 * c->m_charHeight / 2, c->m_prefs.colors.colors[CHRO_COLOR_PLOT0]);
    if (k.titled)
      EXPECT_GT(ink, 30);
    else
      EXPECT_EQ(ink, 0);
    DestroyWindow(w);
  }
}

TEST_F(PlotDrawingTest, PointFedControlWithCentroidTracesDrawsSticks) {
  // A stick runs from each point down to zero; a line leaves the room under the trace empty.
  struct Case {
    int16_t kind, traceKind;
    bool sticks;
  } cases[] = {{0, 0, false}, {0, 3, false}, {4, 0, false}, {4, 3, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << k.kind << " trace kind " << k.traceKind);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    c->m_controlKind = k.kind;
    c->m_traceKind = k.traceKind;
    SVW_OVERLAY* o = MakeOverlay(1);
    Show(w, o);
    ASSERT_TRUE(c->m_bSizesValid);
    // Half way between the baseline trace (about 2000 + 300 t) and zero at t = 9.
    long x = 0, y = 0;
    ASSERT_TRUE(c->GetXPixelFromTime(9.0, 0, nullptr, &x, 0));
    ASSERT_TRUE(c->GetYPixelFromValue(0, 2300.0, 0, 0, nullptr, &y, 1));
    const COLORREF colour = c->m_prefs.colors.colors[CHRO_COLOR_PLOT0];
    const int cx = c->m_plotLeft + static_cast<int>(x), cy = c->m_plotTop + static_cast<int>(y);
    const int under = CountColour(w, cx - 3, cy - 1, cx + 3, cy + 1, colour);
    if (k.sticks)
      EXPECT_GT(under, 3);
    else
      EXPECT_EQ(under, 0);
    DestroyWindow(w);
  }
}

// What the screen drawing hands the engine from the control's settings.
TEST_F(PlotDrawingTest, ScreenParametersFollowTheControlsSettings) {
  const struct {
    int16_t hideDelete, plots, maximised;
    bool manager;
    int16_t toolbar;
    uint16_t deleteButtons, maximiseButtons, keepA, keepB;
  } cases[] = {
      {0, 3, 0, false, 0, 0, 0, 0, 0}, {1, 1, 0, false, 0, 1, 0, 0, 0}, {1, 3, 0, false, 3, 1, 1, 1, 0},
      {1, 1, 1, false, 2, 1, 1, 0, 1}, {1, 1, 0, true, 5, 1, 1, 0, 1},  {0, 3, 1, true, 5, 0, 0, 0, 1},
      {1, 2, 0, false, 4, 1, 1, 0, 0},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.hideDelete << " " << k.plots << " " << k.maximised << " " << k.manager
                                    << " " << k.toolbar);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(k.plots);
    Show(w, o);
    CDataReviewManager manager(nullptr, nullptr, 0);
    if (k.manager) SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, reinterpret_cast<LPARAM>(&manager));
    SendMessageA(w, OPM_ENABLEHIDEDELETE, static_cast<WPARAM>(k.hideDelete), 0);
    o->head.maximised = k.maximised;
    c->m_toolbarLayout = k.toolbar;
    SendMessageA(w, OPM_SETTHICKPENWIDTH, 3, 45);
    // A changed preference copy reaches the axes.
    c->m_prefs.axis0.majorTickLength = 17;
    c->m_prefs.axis1.minorTickLength = 3;
    InvalidateRect(w, nullptr, FALSE);
    win::script::PumpUntilIdle();
    ASSERT_TRUE(c->m_bSizesValid);
    const STRUCT_OPLOT_PLOT_PARAMS& p = c->m_Sizes.params;
    EXPECT_EQ(p.deleteButtons, k.deleteButtons);
    EXPECT_EQ(p.maximiseButtons, k.maximiseButtons);
    EXPECT_EQ(p.keepFirstPlotA, k.keepA);
    EXPECT_EQ(p.keepFirstPlotB, k.keepB);
    EXPECT_EQ(p.carried2, 3);
    EXPECT_EQ(p.carried60, 45);
    EXPECT_EQ(p.verticalAxis.majorTickLength, 17);
    EXPECT_EQ(p.horizontalAxis.minorTickLength, 3);
    EXPECT_EQ(p.printFlag, 0);
    SendMessageA(w, OPM_SETDATAREVIEWMANAGER, 0, 0);
    DestroyWindow(w);
  }
}

TEST_F(PlotDrawingTest, PrintingFillsTheRecordAndForgetsScreenPlaces) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(3);
  Show(w, o);
  ASSERT_TRUE(c->m_bSizesValid);
  const STRUCT_OVER_SIZES screen = c->m_Sizes;
  c->m_zoomPending = c->m_timeClickPending = c->m_rightClickPending = 1;

  HDC printer = CreateDCA(nullptr, "Kelt PDF", nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  DOCINFOA doc{sizeof(DOCINFOA), "Plots", "C:\\TEMP\\plots.pdf", nullptr, 0};
  ASSERT_GT(StartDocA(printer, &doc), 0);
  ASSERT_GT(StartPage(printer), 0);
  CDC dc;
  dc.Attach(printer);
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = &dc;
  record.left = 300;
  record.top = 600;
  record.right = 4800;
  record.bottom = 6000;
  record.charWidth = 50;
  record.charHeight = 100;
  c->DrawPlot(&dc, 1, &record, record.left, record.bottom, record.right, record.top, record.charWidth,
              record.charHeight);
  dc.Detach();
  ASSERT_GT(EndPage(printer), 0);
  ASSERT_GT(EndDoc(printer), 0);
  DeleteDC(printer);

  EXPECT_EQ(+record.drawn, 1);
  EXPECT_EQ(+record.sizes.params.printFlag, 1);
  EXPECT_EQ(+record.sizes.params.top, 600);
  EXPECT_EQ(+record.sizes.plotsShown, 3);
  EXPECT_EQ(std::memcmp(&record.scales, &o->tail.scales, sizeof record.scales), 0);
  EXPECT_NE(+record.scales.plotHigh[0], 0.0);
  EXPECT_EQ(c->m_zoomPending, 0);
  EXPECT_EQ(c->m_timeClickPending, 0);
  EXPECT_EQ(c->m_rightClickPending, 0);
  // The screen's geometry is the screen's still.
  EXPECT_TRUE(c->m_bSizesValid);
  EXPECT_EQ(std::memcmp(&c->m_Sizes, &screen, sizeof screen), 0);
  const std::string pdf = win::paths::ToHost("C:\\TEMP\\plots.pdf");
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
  Keep("C:\\TEMP\\plots.pdf", "printed-plots.pdf");
  DestroyWindow(w);
}

TEST_F(PlotDrawingTest, PrintedAnnotationFontTakesTheScaleOnlyAboveOneUpToTen) {
  STRUCT_REPORT_PREFS report;
  KELT_GetCurrDefReportPrefs(&report);
  const int size = report.fonts.smallSize;
  ASSERT_GT(size, 0);
  struct Case {
    short print;
    double scale;
    long height;
  } cases[] = {
      {1, 1.0, size},
      {1, 2.5, static_cast<long>(size * 2.5)},
      {1, 1.3333, static_cast<long>(size * 1.3333)},  // truncated
      {1, 10.0, size * 10},
      {1, 11.0, size},
      {1, 0.5, size},
      {0, 2.5, 0},  // the screen uses the control's font
  };
  SVW_OVERLAY* o = MakeOverlay(1);
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "print " << k.print << " scale " << k.scale);
    FontProbe probe;
    probe.m_pOverlay = o;
    probe.m_nTextFlags = 1;
    probe.m_TextFlags[0].time = 5.0;
    probe.m_prefs.ctrlFont.lfHeight = -17;
    probe.m_prefs.ctrlFont.lfWeight = 700;
    KELT_SetPlotReportOverrides(k.scale, 0);
    Raster r(600, 400);
    probe.DrawPlot(&r.cdc, k.print, nullptr, 0, 400, 600, 0, 8, 16);
    KELT_ClearPlotReportOverrides();
    ASSERT_EQ(probe.calls, 1);
    if (k.print) {
      EXPECT_EQ(+probe.seen.lfHeight, k.height);
      EXPECT_EQ(+probe.seen.lfWeight, 0);
      EXPECT_STREQ(probe.seen.lfFaceName, report.fonts.variableFont.lfFaceName);
    } else {
      EXPECT_EQ(+probe.seen.lfHeight, -17);
      EXPECT_EQ(+probe.seen.lfWeight, 700);
    }
  }
}

TEST_F(PlotDrawingTest, SystemEventMarksFollowTheScreenOrTheReportPreference) {
  STRUCT_REPORT_PREFS& report = kelt::prefs::DefaultReportPrefs();
  const int16_t kept = report.chroDrawing.showSystemEventMarks;
  struct Case {
    short print;
    int16_t screenFlag, reportFlag;
    bool manager;
    bool marks;
  } cases[] = {
      {0, 1, 0, true, true},  {0, 0, 1, true, false}, {0, 1, 1, false, false},
      {1, 0, 1, true, true},  {1, 1, 0, true, false},
  };
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(1);
  o->slots[0].eventMarks = AllocBlock(OVERLAY_EVENT_MARKS * EVENT_MARK_SIZE);
  auto* mark = static_cast<STRUCT_EVENT_MARK*>(o->slots[0].eventMarks);
  mark->time = 9.0f;
  std::strcpy(mark->text, "Valve");
  o->slots[0].eventMarkCount = 1;
  Show(w, o);
  CDataReviewManager drm(nullptr, nullptr, 0);
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "print " << k.print << " flags " << k.screenFlag << k.reportFlag);
    report.chroDrawing.showSystemEventMarks = k.reportFlag;
    c->m_pDataReview = k.manager ? &drm : nullptr;
    c->m_prefs.drawing.showSystemEventMarks = k.screenFlag;
    Raster r(600, 400);
    // A print drawing is in page units, here ten to a pixel.
    const int unit = k.print ? 10 : 1;
    SetMapMode(r.dc, MM_ANISOTROPIC);
    SetWindowExtEx(r.dc, 600 * unit, 400 * unit, nullptr);
    SetViewportExtEx(r.dc, 600, 400, nullptr);
    STRUCT_OPLOT_PRINT_PLOT record{};
    c->DrawPlot(&r.cdc, k.print, k.print ? &record : nullptr, 0, static_cast<short>(400 * unit),
                static_cast<short>(600 * unit), 0, static_cast<short>(8 * unit), static_cast<short>(16 * unit));
    const STRUCT_OVER_SIZES& sizes = k.print ? record.sizes : c->m_Sizes;
    SetMapMode(r.dc, MM_TEXT);  // pixels are counted on the device
    // The mark's line (dotted, in the axes' colour) inside the chromatogram.
    int32_t left = 0, bottom = 0, right = 0, top = 0;
    ASSERT_TRUE(OPLOT_GetChromatogramArea(o, &sizes, 0, &left, &bottom, &right, &top));
    const int x = left + static_cast<int>((9.0 - o->tail.viewStart) * sizes.plotWidth /
                                          (o->tail.viewEnd - o->tail.viewStart));
    const int ink = r.Count(x / unit - 1, top / unit + 10, x / unit + 2, bottom / unit - 10, RGB(0, 0, 0));
    if (k.marks)
      EXPECT_GT(ink, 20);
    else
      EXPECT_EQ(ink, 0);
    if (k.marks) SavePng(r, k.print ? "printed-event-marks.png" : "screen-event-marks.png");
  }
  c->m_pDataReview = nullptr;
  DestroyWindow(w);
  report.chroDrawing.showSystemEventMarks = kept;
}

// The print protocol through its message: the plots, then the tiled result
// texts of the report font over them, with nothing of the print left behind.
TEST_F(PlotDrawingTest, PrintMessageDrawsThePlotsAndTheirResultTextsIntoTheCallersBox) {
  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  EXPECT_EQ(SendMessageA(w, OPM_PRINTPLOT, 0, 0), 0);  // no record
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_NE(c->m_dhAnnotations[0], nullptr);

  // A report page is in page units, here 32 to a pixel; the caller selects
  // the page's small font before it asks for the plots.
  auto print = [&](Raster& r, STRUCT_OPLOT_PRINT_PLOT* record) {
    SetMapMode(r.dc, MM_ANISOTROPIC);
    SetWindowExtEx(r.dc, 32000, 22400, nullptr);
    SetViewportExtEx(r.dc, 1000, 700, nullptr);
    LOGFONTA lf{};
    lf.lfHeight = -400;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(r.dc, font);
    *record = STRUCT_OPLOT_PRINT_PLOT{};
    record->dc = &r.cdc;
    record->left = 1280;
    record->top = 640;
    record->right = 30720;
    record->bottom = 21760;
    record->charWidth = 240;
    record->charHeight = 400;
    const LRESULT answer = SendMessageA(w, OPM_PRINTPLOT, 0, reinterpret_cast<LPARAM>(record));
    SelectObject(r.dc, old);
    DeleteObject(font);
    SetMapMode(r.dc, MM_TEXT);  // pixels are counted on the device
    return answer;
  };
  Raster with(1000, 700), without(1000, 700);
  STRUCT_OPLOT_PRINT_PLOT record;
  EXPECT_EQ(print(with, &record), 1);
  EXPECT_EQ(+record.drawn, 1);
  EXPECT_EQ(+record.sizes.params.printFlag, 1);
  EXPECT_EQ(c->m_printJobOpen, 0);
  for (void* holder : c->m_pTileTexts) EXPECT_EQ(holder, nullptr);
  int16_t cw = 0, ch = 0;
  OPLOT_GetPrintCharSize(&cw, &ch);
  EXPECT_EQ(cw, 240);
  EXPECT_EQ(ch, 400);
  SavePng(with, "printed-control.png");

  // The same print without result texts: the texts were the difference.
  c->m_prefs.resultAnnotations.show = 0;
  c->MakeOrKeepOrFreeAnnotations();
  EXPECT_EQ(print(without, &record), 1);
  int differ = 0;
  for (int y = 20; y < 680; ++y)
    for (int x = 40; x < 960; ++x) differ += GetPixel(with.dc, x, y) != GetPixel(without.dc, x, y);
  EXPECT_GT(differ, 200);
  // Nothing was drawn outside the caller's box (its frame lies on the edge).
  EXPECT_EQ(with.Count(0, 0, 1000, 17, RGB(255, 255, 255)), 1000 * 17);
  EXPECT_EQ(with.Count(0, 0, 37, 700, RGB(255, 255, 255)), 37 * 700);

  // Without plots nothing is drawn and the print still closes; a record
  // reused from the page before no longer says it was drawn.
  SendMessageA(w, OPM_NOPLOTDATA, 0, 0);
  Raster empty(1000, 700);
  ASSERT_EQ(+record.drawn, 1);
  record.dc = &empty.cdc;
  EXPECT_EQ(SendMessageA(w, OPM_PRINTPLOT, 0, reinterpret_cast<LPARAM>(&record)), 1);
  EXPECT_EQ(+record.drawn, 0);
  EXPECT_EQ(c->m_printJobOpen, 0);
  EXPECT_EQ(empty.Count(0, 0, 1000, 700, RGB(255, 255, 255)), 1000 * 700);
  DestroyWindow(w);
}

TEST_F(PlotDrawingTest, TheDrawingActsOnTheSelectedPlotOrElseTheFirstPlotSwitchedOn) {
  struct Case {
    int16_t selected;
    bool firstOn;
    int16_t active;
  } cases[] = {{-1, true, 0}, {2, true, 2}, {-1, false, 1}, {0, false, -1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.selected << " " << k.firstOn);
    HWND w = MakeControl();
    CCtlOPlot* c = Control(w);
    SVW_OVERLAY* o = MakeOverlay(3);
    o->head.displayMode = OVERLAY_MODE_OVERLAID;
    if (!k.firstOn) {
      o->head.shown[0] = 0;
      --o->head.shownCount;
    }
    c->m_activePlot = k.selected;
    Show(w, o);
    EXPECT_EQ(c->GetActivePlotIndex(), k.active);
    EXPECT_EQ(o->head.activePlot, k.active);
    DestroyWindow(w);
  }
}

}  // namespace
