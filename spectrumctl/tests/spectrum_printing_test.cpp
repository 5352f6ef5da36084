// Printing the spectrum control into a host's device context and handing a
// spectrum to the deconvolution program.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/library_char_size.h"
#include "fandor/list_entries.h"
#include "plotengine/tests/recorded_calls.h"
#include "spectrumctl/spectrum_printing.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "testing/golden_png.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"

namespace {

int TextsContaining(const CallLog& log, const std::string& part) {
  int n = 0;
  for (const auto& c : log.Of(EMR_EXTTEXTOUTA))
    if (c.text.find(part) != std::string::npos) ++n;
  return n;
}

std::string Name(const STRUCT_SPT_PLUS* s) {
  char name[SPT_DECON_NAME_MAX + 1] = {};
  MakeDeconvolutionFileName(s, name, sizeof name);
  return name;
}

std::string TempPath(const std::string& name) {
  char folder[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::string ProgramPath() {
  char program[MAX_PATH + 16] = {};
  GetDeconvolutionProgramPath(program);
  return program;
}

}  // namespace

class SptPrintTest : public SptControlTest {
 protected:
  // Prints the control into a metafile page of 30000 x 20000 units.
  CallLog Print(HWND w, int16_t skipA, int16_t skipB, int16_t skipDiff) {
    HFONT font = sptfix::PlotFont(-360);
    const CallLog log = RecordCalls([&](HDC dc) {
      SelectObject(dc, font);
      CDC page;
      page.Attach(dc);
      STRUCT_CCSPT_PRINT r{};
      r.dc = &page;
      r.skipA = skipA;
      r.skipB = skipB;
      r.skipDifference = skipDiff;
      r.left = 1000;
      r.top = 1000;
      r.right = 31000;
      r.bottom = 21000;
      r.charWidth = 220;
      r.charHeight = 360;
      EXPECT_EQ(SendMessageA(w, SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&r)), 0);
      page.Detach();
    });
    DeleteObject(font);
    return log;
  }
};

TEST_F(SptPrintTest, PrintsEachShownSlotThatIsNotSkipped) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(31), b = Messy(33);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  std::string basePeak[2];
  for (int i = 0; i < 2; ++i) {
    double intensity = 0;
    char text[32];
    std::snprintf(text, sizeof text, "BP: %.1f ", PlusSpt_GetBasePeak(i ? b.get() : a.get(), &intensity));
    basePeak[i] = text;
  }
  ASSERT_NE(basePeak[0], basePeak[1]);
  struct Case {
    int16_t skipA, skipB, skipDiff;
    int a, b;
  } cases[] = {{0, 0, 0, 1, 1}, {1, 0, 0, 0, 1}, {0, 1, 1, 1, 0}, {1, 1, 1, 0, 0}};
  for (const auto& c : cases) {
    const CallLog log = Print(w, c.skipA, c.skipB, c.skipDiff);
    // Each printed pane names its base peak.
    EXPECT_EQ(TextsContaining(log, basePeak[0]) > 0, c.a == 1) << c.skipA << c.skipB << c.skipDiff;
    EXPECT_EQ(TextsContaining(log, basePeak[1]) > 0, c.b == 1) << c.skipA << c.skipB << c.skipDiff;
    EXPECT_EQ(TextsContaining(log, "BP: "), c.a + c.b);
    EXPECT_EQ(TextsContaining(log, "A - B") > 0, c.skipDiff == 0);
    // The page is the host's: nothing drawn outside its rectangle.
    for (const auto& t : log.Of(EMR_EXTTEXTOUTA)) {
      EXPECT_GE(t.points[0].x, 1000) << t.text;
      EXPECT_LT(t.points[0].x, 31000) << t.text;
    }
  }
  // The page's character cell becomes the library's.
  EXPECT_EQ(kelt::spectra::LibraryCharSize().width, 220);
  EXPECT_EQ(kelt::spectra::LibraryCharSize().height, 360);
}

TEST_F(SptPrintTest, NothingShownOrNoRequestDrawsNothing) {
  HWND w = MakeControl();
  EXPECT_TRUE(Print(w, 0, 0, 0).Of(EMR_EXTTEXTOUTA).empty());
  EXPECT_EQ(SendMessageA(w, SPTM_PRINT, 0, 0), 0);
  STRUCT_CCSPT_PRINT noDc{};
  sptfix::Spt a = Messy(33);
  SendPair(w, a.get(), nullptr);
  EXPECT_EQ(SendMessageA(w, SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&noDc)), 0);
}

TEST_F(SptPrintTest, DeconvolutionFileNamesFollowTheSpectrum) {
  sptfix::Spt averaged = Messy(41);
  std::strcpy(averaged.get()->tolSpt->dataFilePath, "C:\\Workstation\\Data\\RUN1.KMS");
  averaged.get()->tolSpt->scansAveraged = 5;
  averaged.get()->tolSpt->firstScan = 10;
  averaged.get()->tolSpt->lastScan = 14;
  EXPECT_EQ(Name(averaged.get()), "RUN1 KMS Scans10-14");

  sptfix::Spt single = Messy(42);
  std::strcpy(single.get()->tolSpt->dataFilePath, "C:\\Workstation\\Data\\water.kms");
  std::strcpy(single.get()->tolSpt->displayName, "D:\\Review\\blank 2.kms");
  single.get()->tolSpt->scansAveraged = 1;
  single.get()->tolSpt->header.scanNumber = 1402;
  EXPECT_EQ(Name(single.get()), "blank 2 kms Scan1402");

  sptfix::Spt diff = sptfix::Difference({{91.02, 12.5}, {92.1, -3.0}});
  EXPECT_EQ(Name(diff.get()), "DIFF");

  std::vector<uint8_t> entry(ListEntryBytes(1));
  auto* list = reinterpret_cast<STRUCT_LIST_SPT*>(entry.data());
  std::strcpy(list->listPath, "C:\\Workstation\\Lists\\solvents.lst");
  list->entryNumber = 17;
  STRUCT_SPT_PLUS listed{};
  listed.kind = SPT_KIND_LIST;
  listed.listSpt = list;
  EXPECT_EQ(Name(&listed), "solvents lst-Entry17");

  // Names from files and titles never lead out of the temporary folder.
  STRUCT_SPT_PLUS titled{};
  titled.kind = 9;
  std::strcpy(titled.mainTitle, "..\\..\\Windows\\win.ini: \"x\" <y>|z?*");
  EXPECT_EQ(Name(&titled), ".._.._Windows_win.ini_ _x_ _y__z__");
  std::strcpy(titled.mainTitle, "..");
  EXPECT_EQ(Name(&titled), "Spectrum");
  // A long file name is cut so that the path stays within bounds.
  sptfix::Spt longName = Messy(44);
  std::string path = "C:\\Data\\" + std::string(200, 'A') + ".KMS";
  std::strcpy(longName.get()->tolSpt->dataFilePath, path.c_str());
  EXPECT_EQ(Name(longName.get()), std::string(SPT_DECON_NAME_MAX, 'A'));
  titled.mainTitle[0] = 0;
  EXPECT_EQ(Name(&titled), "Spectrum");
}

TEST_F(SptPrintTest, DeconvolutionWithoutTheProgramWritesNothing) {
  sptfix::Spt diff = sptfix::Difference({{91.02, 12.5}, {92.1, -3.0}});
  EXPECT_EQ(LaunchDeconvolution(diff.get()), 0);
  EXPECT_FALSE(FileExists(TempPath("DIFF.tmp").c_str()));
  EXPECT_EQ(LaunchDeconvolution(nullptr), 0);
}

TEST_F(SptPrintTest, AFailedWriteIsAFailedLaunch) {
  const std::string program = ProgramPath();
  { std::ofstream(win::paths::ToHost(program)) << "#!/bin/sh\n"; }
  ASSERT_TRUE(GetDeconvolutionProgramPath(std::vector<char>(MAX_PATH + 16).data()));
  // A folder where the temporary file should go: the write cannot succeed.
  const std::string blocked = win::paths::ToHost(TempPath("DIFF.tmp"));
  std::filesystem::create_directories(blocked + "/inner");
  sptfix::Spt diff = sptfix::Difference({{91.02, 12.5}, {92.1, -3.0}});
  EXPECT_EQ(LaunchDeconvolution(diff.get()), 0);
  EXPECT_TRUE(std::filesystem::is_directory(blocked + "/inner"));
}

TEST_F(SptPrintTest, TheProgramGetsTheTemporaryFileAndTheTempMark) {
  const std::string program = ProgramPath();
  const std::string host = win::paths::ToHost(program);
  {
    std::ofstream script(host);
    script << "#!/bin/sh\ncp \"$1\" \"$1.seen\"\nprintf '%s' \"$2\" > \"$1.mark\"\n";
  }
  std::filesystem::permissions(host, std::filesystem::perms::owner_all);
  sptfix::Spt averaged = Messy(43);
  std::strcpy(averaged.get()->tolSpt->dataFilePath, "C:\\Workstation\\Data\\RUN1.KMS");
  averaged.get()->tolSpt->scansAveraged = 5;
  averaged.get()->tolSpt->firstScan = 10;
  averaged.get()->tolSpt->lastScan = 14;
  EXPECT_EQ(LaunchDeconvolution(averaged.get()), 1);
  const std::string written = win::paths::ToHost(TempPath("RUN1 KMS Scans10-14.tmp"));
  ASSERT_TRUE(std::filesystem::exists(written));
  for (int i = 0; i < 200 && !std::filesystem::exists(written + ".mark"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::ifstream mark(written + ".mark");
  std::string text((std::istreambuf_iterator<char>(mark)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "-temp");
  // The program's copy is the file the control wrote; the control leaves it.
  EXPECT_EQ(std::filesystem::file_size(written + ".seen"), std::filesystem::file_size(written));
  EXPECT_GT(std::filesystem::file_size(written), 100u);
}

// The context commands hand the shown spectrum of their slot to the program;
// a slot without one starts nothing.
TEST_F(SptPrintTest, DeconvoluteCommandsHandOverTheirSlotsSpectrum) {
  const std::string host = win::paths::ToHost(ProgramPath());
  {
    std::ofstream script(host);
    script << "#!/bin/sh\nprintf '%s' \"$2\" > \"$1.mark\"\n";
  }
  std::filesystem::permissions(host, std::filesystem::perms::owner_all);
  HWND w = MakeControl();
  sptfix::Spt a = Messy(61);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  SendMessageA(w, WM_COMMAND, 8215, 0);  // nothing in B
  SendMessageA(w, WM_COMMAND, 8214, 0);
  const std::string dir = win::paths::ToHost(TempPath(""));
  int written = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".tmp") ++written;
  EXPECT_EQ(written, 1);
  DestroyWindow(w);
}

// The printed pair with its difference, kept as a picture: the control
// prints into a raster page as it would into a printer's.
TEST_F(SptPrintTest, PrintedPageAsStored) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Messy(51), b = Messy(52);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 1000, 700);
  HGDIOBJ oldBitmap = SelectObject(dc, bmp);
  const RECT all{0, 0, 1000, 700};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  // Laid out as a printed page: 32767 units to 8 inches, here 1000 pixels.
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  SetViewportExtEx(dc, 1000, 1000, nullptr);
  HFONT font = sptfix::PlotFont(-360);
  HGDIOBJ oldFont = SelectObject(dc, font);
  CDC page;
  page.Attach(dc);
  STRUCT_CCSPT_PRINT r{};
  r.dc = &page;
  r.left = 1300;
  r.top = 1000;
  r.right = 31400;
  r.bottom = 21900;
  r.charWidth = 220;
  r.charHeight = 360;
  EXPECT_EQ(SendMessageA(w, SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&r)), 0);
  page.Detach();
  SetMapMode(dc, MM_TEXT);
  EXPECT_TRUE(win::gdi::SaveBitmapPng(dc, "C:\\TEMP\\spectrum-printed-page.png"));
  // Nothing printed outside the page's rectangle.
  int outside = 0;
  for (int y = 0; y < 700; y += 3)
    for (int x : {0, 20, 980, 999}) outside += GetPixel(dc, x, y) != RGB(255, 255, 255);
  EXPECT_EQ(outside, 0);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bmp);
  DeleteDC(dc);
  std::ifstream in(win::paths::ToHost("C:\\TEMP\\spectrum-printed-page.png"), std::ios::binary);
  const std::string drawn((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(drawn.empty());
  testing_support::ExpectPngAsStored(drawn, SPECTRUMCTL_GOLDEN_DIR, "spectrum-printed-page");
}
