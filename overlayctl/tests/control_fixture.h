#pragma once
// A host window with "KELT_OP" children, recording the WM_COMMAND
// notifications the control posts to it, and overlays built in code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/sample_overlay.h"
#include "common/tests/kelt_test_root.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/overlay_labels.h"
#include "plotengine/result_annotations.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "win/win_kernel.h"
#include "win/win_script.h"

struct Notice {
  int id;
  int code;
  HWND from;
};

// Invalidates the whole control and lets it paint.
inline void Repaint(HWND w) {
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
}
// Pixels of an arrow button drawn at 16 by 16: its left half, then its right.
inline std::pair<COLORREF, COLORREF> ArrowHalves(HWND w, int id) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 16, 16);
  HGDIOBJ old = SelectObject(dc, bmp);
  DRAWITEMSTRUCT di{};
  di.CtlType = ODT_BUTTON;
  di.CtlID = static_cast<UINT>(id);
  di.hDC = dc;
  di.rcItem = {0, 0, 16, 16};
  SendMessageA(w, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&di));
  const std::pair<COLORREF, COLORREF> halves{GetPixel(dc, 4, 7), GetPixel(dc, 11, 7)};
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return halves;
}
// Whether an arrow button is drawn marked: its half towards its end filled black.
inline bool ButtonMarked(HWND w, int id) {
  const auto halves = ArrowHalves(w, id);
  return (id == OPLOT_ID_SCROLL_DOWN ? halves.first : halves.second) == 0;
}

class OPlotTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    static ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &OPlotTest::HostProc;
      wc.lpszClassName = "OPlotTestHost";
      return RegisterClassA(&wc);
    }();
    (void)atom;
    Notices().clear();
    host = CreateWindowExA(0, "OPlotTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
  }
  void TearDown() override {
    if (IsWindow(host)) DestroyWindow(host);
    win::script::PumpUntilIdle();
    for (SVW_OVERLAY* o : overlays_) {
      OPLOT_ClearOverlayStructure(o);
      FreeBlock(o);
    }
    KeltRootTest::TearDown();
  }

  HWND MakeControl(int id = 7, int cx = 600, int cy = 400, const char* text = "") {
    HWND w = CreateWindowExA(0, "KELT_OP", text, WS_CHILD | WS_VISIBLE, 0, 0, cx, cy, host,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    // The plots' geometry is tested without the toolbar strip unless a test wants it.
    if (w && !withToolbar) SendMessageA(w, OPM_SHOWTOOLBAR, 0, 0);
    return w;
  }
  bool withToolbar = false;
  static CCtlOPlot* Control(HWND w) { return static_cast<CCtlOPlot*>(GetPropA(w, "X")); }

  struct Shown {
    HWND w;
    CCtlOPlot* c;
    SVW_OVERLAY* o;
  };
  // A control given an overlay of noisy plots; prepare sets the overlay up
  // before it is sent, paint lets the control draw it.
  Shown ShowPlots(int plots, int cx, int cy, const std::function<void(SVW_OVERLAY*)>& prepare = nullptr,
             bool paint = true) {
    HWND w = MakeControl(7, cx, cy);
    SVW_OVERLAY* o = MakeOverlay(plots);
    if (prepare) prepare(o);
    SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
    if (paint) win::script::PumpUntilIdle();
    return {w, Control(w), o};
  }
  Shown ShowPlots(int plots, const std::function<void(SVW_OVERLAY*)>& prepare = nullptr, bool paint = true) {
    return ShowPlots(plots, 600, 400, prepare, paint);
  }

  // An overlay whose slots hold noisy peaks on a drifting baseline.
  SVW_OVERLAY* MakeOverlay(int slots, uint16_t firstSerial = 11) {
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    overlays_.push_back(o);
    for (int s = 0; s < slots; ++s) {
      SyntheticTrace tr;
      uint32_t seed = 17u + static_cast<uint32_t>(s);
      for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = ((seed >> 8) % 1000) / 1000.0 - 0.5;
        const double t = 2.0 + i * 0.02503 + noise * 0.001;
        const double peak = 5e4 * std::exp(-0.5 * std::pow((t - 5.0 - s) / 0.04, 2));
        tr.times.push_back(t);
        tr.values.push_back(2000 + 300 * t + peak + 80 * noise);
      }
      FillSyntheticSlot(o, s, tr, 0, 6e4);
      // The trace's extremes, from which full scale is taken.
      o->tail.minInView[s] = *std::min_element(tr.values.begin(), tr.values.end());
      o->tail.maxInView[s] = *std::max_element(tr.values.begin(), tr.values.end());
      o->slots[s].workFile->serialNumber = static_cast<uint16_t>(firstSerial + s);
    }
    return o;
  }

  // The host's sample runs as a stacked overlay the test owns; 0 when they
  // cannot be made.
  SVW_OVERLAY* SampleOverlay(sample_overlay::Files* files = nullptr) {
    sample_overlay::Files made;
    if (!sample_overlay::MakeFiles("C:\\Workstation\\Plots", &made)) return nullptr;
    auto* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
    overlays_.push_back(o);
    if (!sample_overlay::Fill(o, made, OVERLAY_MODE_STACKED)) return nullptr;
    if (files) *files = made;
    return o;
  }

  static std::vector<Notice>& Notices() {
    static std::vector<Notice> n;
    return n;
  }
  // A child's rectangle in its parent's client coordinates.
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
  // A text label of a type on a slot, held by the control's label manager.
  // Labels of one kind at one place count as companions and go together, so
  // each slot and type gets a place of its own unless one is given.
  static short AddTestLabel(CCtlOPlot* c, short type, short slot, const char* text = "L", double x = -1,
                            double y = 2e4) {
    if (x < 0) x = 5.0 + slot * 0.25 + type * 1e-3;
    STRUCT_MARKER_PARAMS p = c->m_prefs.label;
    const short index = OPLOT_AddLabel(c->m_pLabels, LABEL_AREA_GROUP_PLOT, static_cast<uint16_t>(slot), &p, text, x,
                                       y, x, y);
    if (index >= 0) c->m_pLabels->Label(index)->m_type = type;
    return index;
  }
  static int CountLabels(CCtlOPlot* c, short slot, short type) {
    int n = 0;
    for (short i = 0; i < c->m_pLabels->Capacity(); ++i) {
      const CLabelInfo* l = c->m_pLabels->Label(i);
      n += l && l->m_plot == slot && l->m_type == type;
    }
    return n;
  }
  static bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

  // Result annotations of a slot's data file, laid out as the engine's
  // builders make them (so its free releases them) and stamped with the
  // file and its time of writing, so the control keeps them as current.
  // The data file is written when it is not there.
  static STRUCT_ANNOTATIONS* CurrentAnnotations(const STRUCT_WORK_FILE* wf,
                                                const std::vector<std::pair<double, double>>& points,
                                                const char* text) {
    HANDLE f = CreateFileA(wf->filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE || !f) {
      std::string dir = wf->filePath;
      dir.resize(dir.find_last_of('\\'));
      CreateDirectoryA(dir.c_str(), nullptr);
      f = CreateFileA(wf->filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(f, "data", 4, &written, nullptr);
      CloseHandle(f);
      f = CreateFileA(wf->filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    FILETIME time{};
    GetFileTime(f, nullptr, nullptr, &time);
    CloseHandle(f);
    const int16_t length = 24;
    const uint32_t n = static_cast<uint32_t>(points.size());
    auto* a = static_cast<STRUCT_ANNOTATIONS*>(AllocBlock(sizeof(STRUCT_ANNOTATIONS)));
    a->textLength = length;
    a->times = static_cast<double*>(AllocBlock(n * 8 + 8));
    a->values = static_cast<double*>(AllocBlock(n * 8 + 8));
    a->amounts = static_cast<double*>(AllocBlock(n * 8 + 8));
    a->texts = static_cast<char*>(AllocBlock((length + 1) * n + ANNOTATION_TEXTS_TAIL));
    for (uint32_t i = 0; i < n; ++i) {
      a->times[i] = points[i].first;
      a->values[i] = points[i].second;
      a->amounts[i] = 10.0 - i;
      std::strncpy(a->texts + i * (length + 1), text, length);
    }
    std::memcpy(a->texts + (length + 1) * n, &time, sizeof time);
    std::memcpy(a->dataFile, wf->filePath, strnlen(wf->filePath, sizeof a->dataFile - 1));
    a->count = static_cast<uint16_t>(n);
    return a;
  }

  HWND host = nullptr;

 private:
  static LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_COMMAND) {
      Notices().push_back({LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l)});
      return 0;
    }
    return DefWindowProcA(h, msg, w, l);
  }
  std::vector<SVW_OVERLAY*> overlays_;
};
