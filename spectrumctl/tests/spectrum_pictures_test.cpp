// The host's spectrum pictures of its sample runs, kept byte for byte in
// spectrumctl/tests/golden: the library-hit comparison with its structure,
// and the stacked pair with their difference. With KELT_UPDATE_GOLDEN set
// a picture is stored anew; one that differs is left beside the test
// programs (KELT_BIN_DIR, else /tmp) for a look. Besides the bytes, the
// pictures are checked where they matter: sticks in their bands, the
// structure in its box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/spectra_samples.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_script.h"
#include "testing/workstation_root.h"
#include "testing/golden_png.h"

namespace {

void CheckGolden(const std::string& drawn, const std::string& name) {
  testing_support::ExpectPngAsStored(drawn, SPECTRUMCTL_GOLDEN_DIR, name);
}

class SpectrumPictures : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    std::filesystem::create_directories(Host("c/Workstation"));
    std::filesystem::create_directories(Host("c/TEMP"));
    ASSERT_TRUE(sample_spectra::Make("C:\\Workstation\\Plots", &scenes_));
  }

  // Draws a scene on a 1000 x 640 raster; keeps its pixels.
  std::string Draw(sample_spectra::Picture what, const char* name) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 1000, 640);
    HGDIOBJ old = SelectObject(dc, bmp);
    sample_spectra::Cell cell;
    HFONT font = sample_spectra::ScreenFont(dc, &cell);
    CDC cdc;
    cdc.Attach(dc);
    sample_spectra::Draw(what, scenes_, &cdc, RECT{0, 0, 1000, 640}, cell, 0);
    cdc.Detach();
    const std::string path = std::string("C:\\TEMP\\") + name + ".png";
    EXPECT_TRUE(win::gdi::SaveBitmapPng(dc, path.c_str()));
    pixels_.assign(1000 * 640, 0);
    for (int y = 0; y < 640; ++y)
      for (int x = 0; x < 1000; ++x) pixels_[size_t(y) * 1000 + size_t(x)] = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteObject(bmp);
    DeleteDC(dc);
    return ReadHostPath(Host(std::string("c/TEMP/") + name + ".png"));
  }
  COLORREF At(int x, int y) const { return pixels_[size_t(y) * 1000 + size_t(x)]; }

  sample_spectra::Scenes scenes_;
  std::vector<COLORREF> pixels_;
};

TEST_F(SpectrumPictures, LibraryHitWithStructure) {
  const std::string png = Draw(sample_spectra::Picture::LibraryHit, "spectrum-library-hit");
  ASSERT_FALSE(png.empty());
  CheckGolden(png, "spectrum-library-hit");
  // The structure's bonds (entry 9) lie in band 1's top right corner, right
  // of the plot's middle.
  CDrawStackedSpectra d;
  const COLORREF bond = d.ScreenColors.colors[9];
  int bondPixels = 0, leftOfMiddle = 0;
  for (int y = 0; y < 640; ++y)
    for (int x = 0; x < 1000; ++x)
      if (At(x, y) == bond) {
        ++bondPixels;
        leftOfMiddle += x < 500;
      }
  EXPECT_GT(bondPixels, 100);
  EXPECT_EQ(leftOfMiddle, 0);
}

TEST_F(SpectrumPictures, StackedPairWithDifference) {
  const std::string png = Draw(sample_spectra::Picture::Difference, "spectrum-difference");
  ASSERT_FALSE(png.empty());
  CheckGolden(png, "spectrum-difference");
  // Every pixel of the colours of A and B lies inside its band (the
  // difference's grey is left out: text edges are grey too).
  CDrawStackedSpectra d;
  sample_spectra::Cell cell;
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = sample_spectra::ScreenFont(dc, &cell);
    CDC cdc;
    cdc.Attach(dc);
    sample_spectra::Frame(d, &cdc, RECT{0, 0, 1000, 640}, cell, 0);
    d.Spectra[0] = scenes_.water.get();
    d.Spectra[1] = scenes_.blank.get();
    d.Spectra[2] = scenes_.difference.get();
    d.InitRulesBeforeCalScaleAreas();
    d.CalScaleAreas();
    cdc.Detach();
    DeleteObject(font);
    DeleteDC(dc);
  }
  const int top[2] = {0, d.BandHeight[0]};
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    const COLORREF c = d.ScreenColors.colors[k == 0 ? 4 : 5];
    int inside = 0;
    for (int y = 0; y < 640; ++y)
      for (int x = d.VertScaleWidth + 1; x < 1000; ++x) {
        if (At(x, y) != c) continue;
        const bool in = y >= top[k] && y <= top[k] + d.BandHeight[k];
        EXPECT_TRUE(in) << x << "," << y;
        if (!in) return;
        ++inside;
      }
    EXPECT_GT(inside, 50);
  }
}


// The spectrum control in a window, as the main job shows it: the sample
// spectrum, its library hit and the difference the control makes.
TEST_F(SpectrumPictures, SpectrumControlWithALibraryHit) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "SpectrumPicturesHost";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 600, nullptr,
                              nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(host, &client);
  HWND w = CreateWindowExA(0, "KELT_Spt", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, host, nullptr,
                           nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  STRUCT_CCSPT_LOCAL_PREFS prefs{};
  SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs));
  prefs.prefs.drawing.showDifference = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs));
  STRUCT_CCSPT_SPT_PLUS_DATA pair{};
  pair.presentA = pair.presentB = 1;
  pair.sptA = scenes_.water.get();
  pair.sptB = scenes_.hit.get();
  SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&pair));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(win::script::SaveWindowPng(w, "C:\\TEMP\\control-spectrum.png"));
  CheckGolden(ReadHostPath(Host("c/TEMP/control-spectrum.png")), "control-spectrum");
  // The three panes stack inside the plot, the difference last, above the mass scale.
  auto* c = static_cast<CCtlSpt*>(CWnd::FromHandlePermanent(w));
  ASSERT_EQ(c->m_scalesValid, 1);
  EXPECT_GT(c->m_paneHeight[2], 0);
  EXPECT_LE(c->m_plotTop + 4 + c->m_totalPlotHeight + c->m_horzScaleHeight, c->m_plotTop + c->m_plotHeight);
  DestroyWindow(w);
  DestroyWindow(host);
  win::script::PumpUntilIdle();
}

}  // namespace
