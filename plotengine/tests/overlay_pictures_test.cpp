// The host's overlay pictures against stored ones: two rasters compared
// pixel for pixel, and the records of the printed drawing as a list. The
// fonts' design metrics make them the same on every machine. With
// KELT_UPDATE_GOLDEN set the pictures are stored anew after a deliberate change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/sample_overlay.h"
#include "plotengine/tests/plot_fixture.h"
#include "plotengine/tests/recorded_calls.h"

namespace {

namespace fs = std::filesystem;

fs::path GoldenDir() { return PLOTENGINE_GOLDEN_DIR; }
bool Updating() { return std::getenv("KELT_UPDATE_GOLDEN") != nullptr; }

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const char* TypeName(DWORD t) {
  switch (t) {
    case EMR_POLYLINE: return "polyline";
    case EMR_POLYGON: return "polygon";
    case EMR_LINETO: return "line";
    case EMR_BITBLT: return "fill";
    case EMR_EXTTEXTOUTA: return "text";
    case EMR_INTERSECTCLIPRECT: return "clip";
    case EMR_ELLIPSE: return "ellipse";
    case EMR_RECTANGLE: return "rectangle";
    case EMR_SAVEDC: return "save";
    case EMR_RESTOREDC: return "restore";
    case EMR_SETROP2: return "rop2";
    default: return nullptr;
  }
}

// One line per drawing record: what it draws and with which pen and brush.
std::string RecordList(const CallLog& log) {
  std::ostringstream out;
  for (const auto& c : log.calls) {
    const char* name = TypeName(c.type);
    if (!name) continue;
    out << name;
    if (c.type == EMR_POLYLINE || c.type == EMR_POLYGON || c.type == EMR_LINETO || c.type == EMR_ELLIPSE)
      out << " pen " << c.penStyle << "/" << c.penWidth << "/" << std::hex << c.penColor << std::dec;
    if (c.type == EMR_POLYGON || c.type == EMR_BITBLT || c.type == EMR_ELLIPSE)
      out << " brush " << std::hex << (c.nullBrush ? 0xFFFFFFFFu : c.brush) << std::dec;
    if (c.type == EMR_EXTTEXTOUTA) out << " colour " << std::hex << c.textColor << std::dec << " \"" << c.text << "\"";
    if (c.type == EMR_BITBLT || c.type == EMR_INTERSECTCLIPRECT || c.type == EMR_ELLIPSE || c.type == EMR_RECTANGLE)
      out << " " << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    if (c.type == EMR_SETROP2) out << " " << c.rop;
    if (!c.points.empty()) {
      uint64_t sum = 1469598103934665603ull;
      for (const auto& p : c.points) sum = (sum ^ static_cast<uint32_t>(p.x * 65599 + p.y)) * 1099511628211ull;
      out << " " << c.points.size() << " points " << c.points.front().x << "," << c.points.front().y << " .. "
          << c.points.back().x << "," << c.points.back().y;
      if (c.points.size() > 2) out << " #" << std::hex << (sum & 0xFFFFFFFFu) << std::dec;
    }
    out << "\n";
  }
  return out.str();
}

class OverlayPicturesTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    ASSERT_TRUE(sample_overlay::MakeFiles("C:\\Workstation\\Plots", &files_));
  }
  // Draws the host's screen picture of a mode and compares it with the stored one.
  void ComparePicture(int16_t mode, const char* name) {
    auto o = NewOverlay();
    ASSERT_TRUE(sample_overlay::Fill(o.get(), files_, mode));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 1200, 900);
    HGDIOBJ old = SelectObject(dc, bmp);
    STRUCT_OVER_SIZES sizes;
    ASSERT_EQ(sample_overlay::Draw(dc, o.get(), files_, 0, RECT{0, 0, 1199, 899}, 13, &sizes), 1);
    const std::string actual = std::string("C:\\TEMP\\") + name;
    ASSERT_TRUE(win::gdi::SaveBitmapPng(dc, actual.c_str()));
    const fs::path golden = GoldenDir() / name;
    if (Updating()) {
      fs::copy_file(Host(("c/TEMP/" + std::string(name)).c_str()), golden, fs::copy_options::overwrite_existing);
    } else {
      fs::copy_file(golden, Host("c/TEMP/golden.png"), fs::copy_options::overwrite_existing);
      HBITMAP expected = win::gdi::LoadBitmapPng("C:\\TEMP\\golden.png");
      ASSERT_NE(expected, nullptr) << golden;
      HDC gdc = CreateCompatibleDC(nullptr);
      HGDIOBJ gold = SelectObject(gdc, expected);
      int differing = 0, firstX = -1, firstY = -1;
      for (int y = 0; y < 900; ++y)
        for (int x = 0; x < 1200; ++x)
          if (GetPixel(dc, x, y) != GetPixel(gdc, x, y) && differing++ == 0) firstX = x, firstY = y;
      if (differing) {
        const fs::path keep = fs::temp_directory_path() / (std::string("actual-") + name);
        fs::copy_file(Host(("c/TEMP/" + std::string(name)).c_str()), keep, fs::copy_options::overwrite_existing);
        ADD_FAILURE() << differing << " pixels differ from " << golden << ", first at " << firstX << "," << firstY
                      << "; the drawing is in " << keep;
      }
      SelectObject(gdc, gold);
      DeleteDC(gdc);
      DeleteObject(expected);
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }

  sample_overlay::Files files_;
};

TEST_F(OverlayPicturesTest, StackedStripsAsStored) { ComparePicture(OVERLAY_MODE_STACKED, "overlay-stacked.png"); }

TEST_F(OverlayPicturesTest, OverlaidTracesAsStored) { ComparePicture(OVERLAY_MODE_OVERLAID, "overlay-overlaid.png"); }

TEST_F(OverlayPicturesTest, PrintedDrawingRecordsAsStored) {
  auto o = NewOverlay();
  ASSERT_TRUE(sample_overlay::Fill(o.get(), files_, OVERLAY_MODE_STACKED));
  STRUCT_OVER_SIZES sizes;
  int32_t r = 0;
  const CallLog log = RecordCalls([&](HDC dc) {
    r = sample_overlay::Draw(dc, o.get(), files_, 1, RECT{1500, 2500, 31300, 26000}, 420, &sizes);
  });
  ASSERT_EQ(r, 1);
  const std::string list = RecordList(log);
  const fs::path golden = GoldenDir() / "overlay-printed-records.txt";
  if (Updating()) {
    std::ofstream(golden, std::ios::binary | std::ios::trunc) << list;
    return;
  }
  const std::string expected = ReadFile(golden);
  ASSERT_FALSE(expected.empty()) << golden;
  if (list != expected) {
    const fs::path keep = fs::temp_directory_path() / "actual-overlay-printed-records.txt";
    std::ofstream(keep, std::ios::binary | std::ios::trunc) << list;
    ADD_FAILURE() << "the records differ from " << golden << "; these are in " << keep;
  }
}

}  // namespace
