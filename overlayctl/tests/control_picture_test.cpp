// The control in a 1,000 x 600 window with the host's sample overlay,
// zoomed and scrolled through its messages, against the stored picture.
// With KELT_UPDATE_GOLDEN set the picture is stored anew after a deliberate change.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "host/sample_overlay.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_paths.h"

namespace {

namespace fs = std::filesystem;

using ControlPictureTest = OPlotTest;

TEST_F(ControlPictureTest, ZoomedSampleOverlayAsStored) {
  sample_overlay::Files files;
  ASSERT_TRUE(sample_overlay::MakeFiles("C:\\Workstation\\Plots", &files));
  auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  std::unique_ptr<SVW_OVERLAY, void (*)(SVW_OVERLAY*)> keep(o, [](SVW_OVERLAY* p) {
    OPLOT_ClearOverlayStructure(p);
    FreeBlock(p);
  });
  ASSERT_TRUE(sample_overlay::Fill(o, files, OVERLAY_MODE_STACKED));
  MoveWindow(host, 0, 0, 1000, 600, TRUE);
  RECT client{};
  GetClientRect(host, &client);
  HWND w = MakeControl(7, client.right, client.bottom);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  const double start = o->tail.homeStart, span = o->tail.homeEnd - o->tail.homeStart;
  OPLOT_UpdateOverlayPlots(o, start + 0.375 * span, start + 0.625 * span);
  SendMessageA(w, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  ASSERT_TRUE(Control(w)->m_bSizesValid);

  const char* name = "control-zoomed.png";
  ASSERT_TRUE(win::script::SaveWindowPng(w, "C:\\TEMP\\control.png"));
  const fs::path actual = win::paths::ToHost("C:\\TEMP\\control.png");
  const fs::path golden = fs::path(OVERLAYCTL_GOLDEN_DIR) / name;
  if (std::getenv("KELT_UPDATE_GOLDEN")) {
    fs::copy_file(actual, golden, fs::copy_options::overwrite_existing);
    return;
  }
  fs::copy_file(golden, win::paths::ToHost("C:\\TEMP\\golden.png"), fs::copy_options::overwrite_existing);
  HBITMAP a = win::gdi::LoadBitmapPng("C:\\TEMP\\control.png");
  HBITMAP g = win::gdi::LoadBitmapPng("C:\\TEMP\\golden.png");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(g, nullptr) << golden;
  HDC adc = CreateCompatibleDC(nullptr), gdc = CreateCompatibleDC(nullptr);
  HGDIOBJ aold = SelectObject(adc, a), gold = SelectObject(gdc, g);
  BITMAP ab{}, gb{};
  GetObjectA(a, sizeof ab, &ab);
  GetObjectA(g, sizeof gb, &gb);
  EXPECT_EQ(ab.bmWidth, gb.bmWidth);
  EXPECT_EQ(ab.bmHeight, gb.bmHeight);
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < std::min(ab.bmHeight, gb.bmHeight); ++y)
    for (int x = 0; x < std::min(ab.bmWidth, gb.bmWidth); ++x)
      if (GetPixel(adc, x, y) != GetPixel(gdc, x, y) && differing++ == 0) firstX = x, firstY = y;
  if (differing) {
    const fs::path kept = fs::temp_directory_path() / "actual-control-zoomed.png";
    fs::copy_file(actual, kept, fs::copy_options::overwrite_existing);
    ADD_FAILURE() << differing << " pixels differ from " << golden << ", first at " << firstX << "," << firstY
                  << "; the picture is in " << kept;
  }
  SelectObject(adc, aold);
  SelectObject(gdc, gold);
  DeleteDC(adc);
  DeleteDC(gdc);
  DeleteObject(a);
  DeleteObject(g);
}

}  // namespace
