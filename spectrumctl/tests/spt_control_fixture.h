#pragma once
// A host window with "KELT_Spt" children, recording the notifications the
// spectrum control posts, and messy spectra to hand it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_info_windows.h"
#include "spectrumctl/tests/spectrum_fixture.h"
#include "win/win_script.h"

struct SptNotice {
  int id;
  int code;
};

class SptControlTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    static ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &SptControlTest::HostProc;
      wc.lpszClassName = "SptControlTestHost";
      return RegisterClassA(&wc);
    }();
    (void)atom;
    Notices().clear();
    host = CreateWindowExA(0, "SptControlTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 700,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
  }
  void TearDown() override {
    if (IsWindow(host)) DestroyWindow(host);
    win::script::PumpUntilIdle();
    KeltRootTest::TearDown();
  }

  HWND MakeControl(int id = 9, int cx = 900, int cy = 600) {
    return CreateWindowExA(0, "KELT_Spt", "", WS_CHILD | WS_VISIBLE, 0, 0, cx, cy, host,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  static CCtlSpt* Control(HWND w) { return static_cast<CCtlSpt*>(CWnd::FromHandlePermanent(w)); }

  // The control's preferences with the difference shown.
  static void ShowDifferences(HWND w, int16_t overlay = 0) {
    STRUCT_CCSPT_LOCAL_PREFS p{};
    ASSERT_EQ(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p)), 1);
    p.prefs.drawing.showDifference = 1;
    p.prefs.drawing.overlayAB = overlay;
    SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&p));
  }

  // Sends A and B (either may be null) by pointer.
  static void SendPair(HWND w, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, int16_t hideA = 0, int16_t hideB = 0,
                       int16_t hideDiff = 0) {
    STRUCT_CCSPT_SPT_PLUS_DATA r{};
    r.presentA = a ? 1 : 0;
    r.sptA = a;
    r.presentB = b ? 1 : 0;
    r.sptB = b;
    r.hiddenA = hideA;
    r.hiddenB = hideB;
    r.hiddenDifference = hideDiff;
    SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&r));
  }

  // A messy centroid spectrum of MS data between 40 and 300.
  static sptfix::Spt Messy(uint32_t seed, int n = 60, double lo = 40, double hi = 300) {
    sptfix::Spt s = sptfix::Precise(sptfix::MessyCentroid(seed, n, lo, hi), false);
    PlusSpt_UpdateBasePeak(s.get());
    sptfix::Titles(s.get(), "Sample " + std::to_string(seed));
    return s;
  }

  static std::vector<SptNotice>& Notices() {
    static std::vector<SptNotice> n;
    return n;
  }
  static int CountNotices(int code) {
    int n = 0;
    for (const auto& x : Notices()) n += x.code == code;
    return n;
  }
  static RECT ChildRect(HWND parent, int id) {
    RECT r{};
    HWND c = GetDlgItem(parent, id);
    if (!c) return r;
    GetWindowRect(c, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(parent, &a);
    ScreenToClient(parent, &b);
    return {a.x, a.y, b.x, b.y};
  }
  static bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
  // The control's surface as the screen shows it.
  static COLORREF Pixel(HWND w, int x, int y) {
    HDC dc = GetDC(w);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(w, dc);
    return c;
  }
  static void Repaint(HWND w) {
    InvalidateRect(w, nullptr, FALSE);
    win::script::PumpUntilIdle();
  }

  HWND host = nullptr;

 private:
  static LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_COMMAND) {
      Notices().push_back({LOWORD(w), HIWORD(w)});
      return 0;
    }
    return DefWindowProcA(h, msg, w, l);
  }
};
