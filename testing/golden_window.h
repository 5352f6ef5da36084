#pragma once
// A window's picture compared pixel for pixel with a stored PNG. With
// KELT_UPDATE_GOLDEN set the picture is stored anew; one that differs is
// left in the temporary folder for a look.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "win/win_gdi.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace testing_support {

inline void ExpectWindowAsStored(HWND w, const std::string& goldenDir, const std::string& name) {
  namespace fs = std::filesystem;
  ASSERT_TRUE(win::script::SaveWindowPng(w, "C:\\TEMP\\actual.png"));
  const fs::path actual = win::paths::ToHost("C:\\TEMP\\actual.png");
  const fs::path golden = fs::path(goldenDir) / name;
  if (std::getenv("KELT_UPDATE_GOLDEN")) {
    fs::copy_file(actual, golden, fs::copy_options::overwrite_existing);
    return;
  }
  fs::copy_file(golden, win::paths::ToHost("C:\\TEMP\\golden.png"), fs::copy_options::overwrite_existing);
  HBITMAP a = win::gdi::LoadBitmapPng("C:\\TEMP\\actual.png");
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
    const fs::path kept = fs::temp_directory_path() / ("actual-" + name);
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

}  // namespace testing_support
