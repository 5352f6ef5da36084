// Exports of the overlay control: a plot's displayed points as a
// chromatogram text file (kept byte for byte as a golden file), the plot
// area on the clipboard half a second after the command, the plots as a
// picture file, and the host's export messages.
// With KELT_UPDATE_GOLDEN set the golden text is stored anew after a deliberate change.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "control_fixture.h"
#include "win/win_clipboard.h"
#include "win/win_commdlg.h"

namespace {

class OPlotExportsTest : public OPlotTest {
 protected:
  static void AnswerSaveAs(const std::string& name) {
    win::script::OnNextDialog([name](HWND dlg) {
      win::script::SetField(dlg, edt1, name);
      win::script::PressButton(dlg, IDOK);
    });
  }
  static void CancelSaveAs() {
    win::script::OnNextDialog([](HWND dlg) { win::script::PressButton(dlg, IDCANCEL); });
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
      const size_t end = text.find("\r\n", at);
      if (end == std::string::npos) {
        out.push_back(text.substr(at));
        break;
      }
      out.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return out;
  }
  static void ExpectAsStored(const std::string& written, const std::string& name) {
    const std::string golden = std::string(OVERLAYCTL_GOLDEN_DIR) + "/" + name;
    if (std::getenv("KELT_UPDATE_GOLDEN")) {
      std::ofstream(golden, std::ios::binary) << written;
      return;
    }
    std::ifstream in(golden, std::ios::binary);
    const std::string stored(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(written, stored) << "the text differs from " << golden;
  }
};

// The sample run's TIC, zoomed to a window of it, as tab-separated text:
// the header lines, then exactly the points on view.
TEST_F(OPlotExportsTest, TicTextFileIsAsStored) {
  SVW_OVERLAY* o = SampleOverlay();
  ASSERT_NE(o, nullptr);
  OPLOT_UpdateOverlayPlots(o, 6.0, 6.4);
  HWND w = MakeControl(7, 700, 450);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  AnswerSaveAs("C:\\TEMP\\water tic.TXT");
  SendMessageA(w, WM_COMMAND, 3000, 0);
  // The chosen name comes back in lower case, as the file is made.
  const std::string text = ReadHostFile("c/TEMP/water tic.txt");
  ASSERT_FALSE(text.empty());
  const std::vector<std::string> lines = Lines(text);
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Chromatogram");
  EXPECT_EQ(lines[1], "* File:  C:\\Workstation\\Plots\\water.kms\t");
  EXPECT_EQ(lines[3], "* Plot Descriptor: TIC\t");
  const int32_t first = o->tail.firstShownIndex[0], last = o->tail.lastShownIndex[0];
  ASSERT_LT(first, last);
  // Header, blank line, then one line a displayed point, both ends included.
  size_t blank = 0;
  while (blank < lines.size() && !lines[blank].empty()) ++blank;
  EXPECT_EQ(lines.size() - blank - 1, size_t(last - first + 1));
  ExpectAsStored(text, "chromatogram-tic.txt");
  DestroyWindow(w);
}

// An ion plot of merged channels, written with blanks for a ".prn" name:
// its mass list names the plot.
TEST_F(OPlotExportsTest, IonPlotTextFileIsAsStored) {
  SVW_OVERLAY* o = SampleOverlay();
  ASSERT_NE(o, nullptr);
  OPLOT_UpdateOverlayPlots(o, 7.5, 7.7);
  HWND w = MakeControl(7, 700, 450);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  AnswerSaveAs("C:\\TEMP\\ions.prn");
  SendMessageA(w, OPM_EXPORTCHROMATOGRAMTOTEXTFILE, 1, 0);
  const std::string text = ReadHostFile("c/TEMP/ions.prn");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find('\t'), std::string::npos);
  ExpectAsStored(text, "chromatogram-ions.txt");
  DestroyWindow(w);
}

// The extension chooses the separator, without regard to case; another
// extension keeps the list separator.
TEST_F(OPlotExportsTest, ExtensionChoosesTheSeparator) {
  Shown s = ShowPlots(1);
  const STRUCT_NE_POINT* p0 = NePointAt(s.o->slots[0].trace->points, 0);
  char time[32], value[32];
  std::snprintf(time, sizeof time, "%f", p0->time);
  std::snprintf(value, sizeof value, "%f", p0->value.d);
  const struct {
    const char* name;
    std::string dataLine;
  } cases[] = {
      {"a.TXT", std::string(time) + "\t" + value + "\t"},
      {"b.txt", std::string(time) + "\t" + value + "\t"},
      {"c.PRN", std::string(time) + " " + value},
      {"d.dat", std::string(time) + "," + value + ","},
  };
  for (const auto& k : cases) {
    const std::string path = std::string("C:\\TEMP\\") + k.name;
    const std::string ext = std::string(k.name).substr(2);
    ASSERT_EQ(s.c->WritePlotDataToTextFile(0, path.c_str(), ext.c_str()), 1) << k.name;
    const std::vector<std::string> lines = Lines(ReadHostFile(std::string("c/TEMP/") + k.name));
    size_t blank = 0;
    while (blank < lines.size() && !lines[blank].empty()) ++blank;
    ASSERT_LT(blank + 1, lines.size()) << k.name;
    EXPECT_EQ(lines[blank + 1], k.dataLine) << k.name;
  }
}

// A plot scrolled to points 100 to 250 writes exactly those 151 points; the
// filtered points go out, and are named so, when the plot is filtered.
TEST_F(OPlotExportsTest, WritesExactlyTheDisplayedPoints) {
  Shown s = ShowPlots(1, [](SVW_OVERLAY* o) {
    o->tail.firstShownIndex[0] = 100;
    o->tail.lastShownIndex[0] = 250;
  });
  s.o->tail.firstShownIndex[0] = 100;
  s.o->tail.lastShownIndex[0] = 250;
  ASSERT_EQ(s.c->WritePlotDataToTextFile(0, "C:\\TEMP\\window.txt", "txt"), 1);
  std::vector<std::string> lines = Lines(ReadHostFile("c/TEMP/window.txt"));
  size_t blank = 0;
  while (blank < lines.size() && !lines[blank].empty()) ++blank;
  ASSERT_EQ(lines.size() - blank - 1, 151u);
  const STRUCT_NE_POINT* p100 = NePointAt(s.o->slots[0].trace->points, 100);
  char expect[64];
  std::snprintf(expect, sizeof expect, "%f\t%f\t", double(p100->time), double(p100->value.d));
  EXPECT_EQ(lines[blank + 1], expect);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "* Data Type: RAW  CENTROID\t"), lines.end());

  // Indexes past the trace are held to it.
  s.o->tail.lastShownIndex[0] = 100000;
  ASSERT_EQ(s.c->WritePlotDataToTextFile(0, "C:\\TEMP\\window.txt", "txt"), 1);
  lines = Lines(ReadHostFile("c/TEMP/window.txt"));
  blank = 0;
  while (blank < lines.size() && !lines[blank].empty()) ++blank;
  EXPECT_EQ(lines.size() - blank - 1, s.o->slots[0].trace->pointCount - 100);
}

TEST_F(OPlotExportsTest, FilteredPlotWritesTheFilteredPoints) {
  Shown s = ShowPlots(1, [](SVW_OVERLAY* o) {
    STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
    std::vector<double> times, values;
    for (uint32_t i = 0; i < dp->pointCount; ++i) {
      const double t = NePointAt(dp->points, i)->time;
      times.push_back(t);
      values.push_back(1234.5);
    }
    dp->filtered = SyntheticBlock(times, values, {});
    dp->filteredCount = dp->pointCount;
  });
  s.c->m_filtering[0] = 1;
  ASSERT_EQ(s.c->WritePlotDataToTextFile(0, "C:\\TEMP\\f.txt", "txt"), 1);
  const std::string text = ReadHostFile("c/TEMP/f.txt");
  EXPECT_NE(text.find("* Data Type: FILTERED  CENTROID"), std::string::npos);
  EXPECT_NE(text.find("\t1234.500000\t\r\n"), std::string::npos);
  s.c->m_filtering[0] = 0;
}

// A detector plot names its channel, and integer points of a detector file
// with a scale factor would be scaled; double points are written as they are.
TEST_F(OPlotExportsTest, DetectorPlotNamesItsChannel) {
  SVW_OVERLAY* o = MakeOverlay(0);
  SyntheticTrace tr;
  tr.detector = true;
  for (int i = 0; i < 50; ++i) {
    tr.times.push_back(1.0 + i * 0.0101);
    tr.values.push_back(0.25 + 0.001 * i);
  }
  FillSyntheticSlot(o, 0, tr, 0, 1);
  o->slots[0].trace->detectorChannel = 2;
  HWND w = MakeControl();
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_EQ(Control(w)->WritePlotDataToTextFile(0, "C:\\TEMP\\d.txt", "txt"), 1);
  const std::string text = ReadHostFile("c/TEMP/d.txt");
  EXPECT_NE(text.find("* Channel: 3\t\r\n"), std::string::npos) << text.substr(0, 200);
  EXPECT_EQ(text.find("Plot Descriptor"), std::string::npos);
  DestroyWindow(w);
}

// Header texts longer than the output's 220 columns are cut to it, and the
// file is still written whole.
TEST_F(OPlotExportsTest, LongHeaderTextsAreCutToTheLine) {
  Shown s = ShowPlots(1);
  std::string path = "C:\\" + std::string(250, 'a') + ".kms";
  std::snprintf(s.o->slots[0].workFile->filePath, sizeof s.o->slots[0].workFile->filePath, "%s", path.c_str());
  ASSERT_EQ(s.c->WritePlotDataToTextFile(0, "C:\\TEMP\\long.txt", "txt"), 1);
  const std::vector<std::string> lines = Lines(ReadHostFile("c/TEMP/long.txt"));
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines[1], ("* File:  " + path).substr(0, 218) + "\t");
}

// A refused dialog writes nothing; a slot outside the table or without
// data asks nothing; a file that cannot be written leaves an earlier one
// of that name as it was.
TEST_F(OPlotExportsTest, RefusalsAndFailuresLeaveFilesAlone) {
  Shown s = ShowPlots(2);
  CancelSaveAs();
  SendMessageA(s.w, WM_COMMAND, 3001, 0);
  EXPECT_FALSE(HostExists("c/Data/synthetic.kms"));
  win::script::ResetLogs();
  SendMessageA(s.w, OPM_EXPORTCHROMATOGRAMTOTEXTFILE, 25, 0);
  SendMessageA(s.w, OPM_EXPORTCHROMATOGRAMTOTEXTFILE, 5, 0);
  SendMessageA(s.w, WM_COMMAND, 3019, 0);
  EXPECT_TRUE(win::script::DialogLog().empty());

  WriteHostFile("c/TEMP/kept.txt", "earlier export");
  std::filesystem::create_directories(Host("c/TEMP/kept.txt.part"));
  EXPECT_EQ(s.c->WritePlotDataToTextFile(0, "C:\\TEMP\\kept.txt", "txt"), -1);
  EXPECT_EQ(ReadHostFile("c/TEMP/kept.txt"), "earlier export");
  // The target is a folder: the written copy cannot take its place and goes.
  std::filesystem::create_directories(Host("c/TEMP/folder.txt/inside"));
  EXPECT_EQ(s.c->WritePlotDataToTextFile(0, "C:\\TEMP\\folder.txt", "txt"), 0);
  EXPECT_FALSE(HostExists("c/TEMP/folder.txt.part"));
  EXPECT_TRUE(HostExists("c/TEMP/folder.txt/inside"));
}

// Command 2816 closes the menu and copies the plot area half a second
// later, so the menu is not in the picture.
TEST_F(OPlotExportsTest, BitmapGoesToTheClipboardHalfASecondLater) {
  Shown s = ShowPlots(2, 640, 420);
  ASSERT_TRUE(s.c->m_bSizesValid);
  ASSERT_TRUE(OpenClipboard(s.w));
  EmptyClipboard();
  CloseClipboard();
  s.c->m_pMenu = new CMenu;
  ASSERT_TRUE(s.c->m_pMenu->CreatePopupMenu());
  SendMessageA(s.w, WM_COMMAND, 2816, 0);
  EXPECT_EQ(s.c->m_pMenu, nullptr);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  win::script::AdvanceClock(499);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  win::script::AdvanceClock(2);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  ASSERT_TRUE(OpenClipboard(s.w));
  auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info{};
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, s.c->m_plotWidth);
  EXPECT_EQ(info.bmHeight, s.c->m_plotHeight);
  // The copy is the plot area as painted: its top-left pixel is the window's.
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bitmap);
  HDC screen = GetDC(s.w);
  EXPECT_EQ(GetPixel(mem, 3, 3), GetPixel(screen, s.c->m_plotLeft + 3, s.c->m_plotTop + 3));
  ReleaseDC(s.w, screen);
  SelectObject(mem, old);
  DeleteDC(mem);
  CloseClipboard();
}

// The host's copy message needs a drawn overlay with a plot.
TEST_F(OPlotExportsTest, ControlToBitmapNeedsADrawing) {
  HWND w = MakeControl();
  ASSERT_TRUE(OpenClipboard(w));
  EmptyClipboard();
  CloseClipboard();
  SendMessageA(w, OPM_CONTROLTOBITMAP, 0, 0);
  win::script::AdvanceClock(600);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  DestroyWindow(w);

  Shown s = ShowPlots(1);
  SendMessageA(s.w, OPM_CONTROLTOBITMAP, 0, 0);
  win::script::AdvanceClock(600);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
}

// The picture is the plots drawn onto a page, saved where the user says;
// the host's message asks only for a drawn control.
TEST_F(OPlotExportsTest, PictureGoesToAFile) {
  HWND bare = MakeControl();
  win::script::ResetLogs();
  SendMessageA(bare, OPM_CONTROLTOWMFFILE, 0, 0);
  EXPECT_TRUE(win::script::DialogLog().empty());
  DestroyWindow(bare);

  Shown s = ShowPlots(2);
  HGLOBAL bits = s.c->MakePicturePage();
  ASSERT_NE(bits, nullptr);
  EXPECT_GT(GlobalSize(bits), 2000u);  // the traces are on the page
  GlobalFree(bits);
  AnswerSaveAs("C:\\TEMP\\plots.png");
  SendMessageA(s.w, OPM_CONTROLTOWMFFILE, 0, 0);
  EXPECT_TRUE(HostExists("c/TEMP/plots.png"));
  AnswerSaveAs("C:\\TEMP\\plots.emf");
  SendMessageA(s.w, WM_COMMAND, 2817, 0);
  EXPECT_TRUE(HostExists("c/TEMP/plots.emf"));
}

// The click-and-drag copy mode and the AMDIS export come from host messages;
// slots past the table are ignored.
TEST_F(OPlotExportsTest, HostMessagesSetTheirModes) {
  Shown s = ShowPlots(1);
  SendMessageA(s.w, OPM_CLICKDRAGBITMAPTOCLIPBOARD, 0, 0);
  EXPECT_EQ(s.c->m_clickDragMode, OPLOT_DRAG_CLIPBOARD);
  EXPECT_EQ(SendMessageA(s.w, OPM_EXPORTCHROMATOGRAMTOAMDIS, 40, 1), 0);
  EXPECT_EQ(SendMessageA(s.w, OPM_EXPORTCHROMATOGRAMTOAMDIS, 0, 0), 0);
}

}  // namespace
