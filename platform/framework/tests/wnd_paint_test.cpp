// Painting through the framework: a sample control with CPaintDC, erase and
// CPoint mouse handlers in its message map, drawing where the mouse was
// dragged and recolouring on its timer; a dialog choosing a control's
// colours; client and window DCs; a window destroyed while painting.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "framework/framework_dialog.h"
#include "framework/framework_wnd.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"
#include "win/win_resources.h"
#include "win/win_script.h"

namespace {

using win::script::WindowPixel;

const COLORREF kBack = RGB(250, 250, 240);

class CMarker : public CWnd {
 public:
  CRect mark;
  COLORREF color = RGB(200, 0, 0);
  bool dragging = false;
  bool destroyInPaint = false;
  int paints = 0, erases = 0;
  CRect lastPaint;

 protected:
  void OnPaint() {
    ++paints;
    CPaintDC dc(this);
    lastPaint = dc.m_ps.rcPaint;
    if (destroyInPaint) DestroyWindow();
    CRect r = mark;
    r.NormalizeRect();
    dc.FillSolidRect(&r, color);
  }
  BOOL OnEraseBkgnd(CDC* dc) {
    ++erases;
    CRect c = GetClientRect();
    dc->FillSolidRect(&c, kBack);
    return TRUE;
  }
  void OnLButtonDown(UINT, CPoint pt) {
    SetCapture();
    dragging = true;
    mark = CRect(pt, pt);
  }
  void OnMouseMove(UINT, CPoint pt) {
    if (!dragging) return;
    mark.BottomRight() = pt;
    Invalidate();
  }
  void OnLButtonUp(UINT, CPoint pt) {
    if (!dragging) return;
    mark.BottomRight() = pt;
    dragging = false;
    ReleaseCapture();
    Invalidate();
  }
  void OnTimer(UINT_PTR id) {
    KillTimer(id);
    color = RGB(0, 0, 200);
    Invalidate(FALSE);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMarker, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_TIMER()
END_MESSAGE_MAP()

class WndPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-wndpaint-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    win::script::ResetLogs();
    host = CreateWindowExA(0, "#32770", "Host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                           nullptr);
  }
  void TearDown() override {
    if (IsWindow(host)) DestroyWindow(host);
    win::script::PumpUntilIdle();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  HWND host = nullptr;
  std::string root_;
};

TEST_F(WndPaint, SampleControlPaintsItsDragAndItsTimerColour) {
  CMarker c;
  ASSERT_TRUE(c.Create(nullptr, "marker", WS_VISIBLE, CRect(20, 20, 220, 170), CWnd::FromHandle(host), 100));
  win::script::PumpUntilIdle();
  EXPECT_EQ(c.erases, 1);
  EXPECT_EQ(WindowPixel(c, 5, 5), kBack);
  EXPECT_EQ(WindowPixel(host, 5, 5), RGB(192, 192, 192));  // the dialog-class host around it

  win::script::Drag(c, POINT{30, 40}, POINT{90, 100}, 3);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(WindowPixel(c, 30, 40), RGB(200, 0, 0));
  EXPECT_EQ(WindowPixel(c, 89, 99), RGB(200, 0, 0));
  EXPECT_EQ(WindowPixel(c, 90, 100), kBack);
  EXPECT_EQ(WindowPixel(host, 20 + 30, 20 + 40), RGB(200, 0, 0));  // on the host's surface at its place

  c.SetTimer(5, 250);
  win::script::AdvanceClock(249);
  EXPECT_EQ(WindowPixel(c, 50, 50), RGB(200, 0, 0));
  int erases = c.erases;
  win::script::AdvanceClock(1);
  EXPECT_EQ(WindowPixel(c, 50, 50), RGB(0, 0, 200));
  EXPECT_EQ(c.erases, erases);  // invalidated without erasing
  EXPECT_EQ(c.lastPaint, CRect(0, 0, 200, 150));

  // Drawing outside WM_PAINT, on the client area and on the whole window.
  {
    CClientDC dc(&c);
    dc.FillSolidRect(0, 0, 4, 4, RGB(0, 255, 0));
  }
  EXPECT_EQ(WindowPixel(c, 1, 1), RGB(0, 255, 0));
  CDC* dc = c.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->GetPixel(1, 1), RGB(0, 255, 0));
  EXPECT_EQ(c.ReleaseDC(dc), 1);
  EXPECT_TRUE(win::script::SaveWindowPng(c, "C:\\TEMP\\marker.png"));
}

TEST_F(WndPaint, DestroyedWhilePaintingAndAfterwards) {
  auto* c = new CMarker;
  ASSERT_TRUE(c->Create(nullptr, "marker", WS_VISIBLE, CRect(10, 10, 60, 60), CWnd::FromHandle(host), 101));
  c->destroyInPaint = true;
  HWND h = c->m_hWnd;
  win::script::PumpUntilIdle();  // paints, destroys itself inside, draws on nothing
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(c->m_hWnd, nullptr);
  EXPECT_EQ(::GetDC(h), nullptr);
  {
    CWnd gone;
    gone.m_hWnd = h;
    EXPECT_EQ(gone.GetDC(), nullptr);
    CClientDC dc(&gone);
    EXPECT_EQ(dc.m_hDC, nullptr);
    EXPECT_FALSE(dc.Rectangle(0, 0, 4, 4));
    gone.m_hWnd = nullptr;
  }
  delete c;
  EXPECT_EQ(WindowPixel(host, 20, 20), RGB(192, 192, 192));  // the host repainted where it was
}

// A dialog choosing colours for one of its statics and painting a mark of
// its own under the controls.
constexpr int kNote = 901, kOther = 902;

class CColourDlg : public CDialog {
 public:
  CColourDlg() { yellow_.CreateSolidBrush(RGB(255, 255, 0)); }
  int colourAsks = 0;

 protected:
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
    ++colourAsks;
    if (kind == CTLCOLOR_STATIC && control && control->GetDlgCtrlID() == kNote) {
      dc->SetBkMode(TRANSPARENT);
      dc->SetTextColor(RGB(255, 0, 0));
      return yellow_;
    }
    return CDialog::OnCtlColor(dc, control, kind);
  }
  DECLARE_MESSAGE_MAP()

 private:
  CBrush yellow_;
};

BEGIN_MESSAGE_MAP(CColourDlg, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

TEST_F(WndPaint, DialogChoosesControlColours) {
  using namespace win::resources;
  DialogTemplate t;
  t.caption = "Colours";
  t.cx = 160;
  t.cy = 60;
  t.items = {
      {kNote, "Static", "Note", SS_LEFT | WS_VISIBLE, 0, 10, 10, 60, 10},
      {kOther, "Static", "Plain", SS_LEFT | WS_VISIBLE, 0, 10, 30, 60, 10},
  };
  CColourDlg dlg;
  ASSERT_TRUE(dlg.InitModalIndirect(&t));
  COLORREF note = 0, other = 0;
  int reds = 0;
  win::script::OnNextDialog([&](HWND d) {
    win::script::PumpUntilIdle();
    HWND n = GetDlgItem(d, kNote);
    note = WindowPixel(n, 80, 2);
    other = WindowPixel(GetDlgItem(d, kOther), 80, 2);
    for (int x = 0; x < 40; ++x)
      for (int y = 0; y < 13; ++y) {
        COLORREF p = WindowPixel(n, x, y);
        if (GetRValue(p) > 200 && GetGValue(p) < 100) ++reds;
      }
    win::script::SaveWindowPng(d, "C:\\TEMP\\colours.png");
    EndDialog(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(note, RGB(255, 255, 0));
  EXPECT_EQ(other, RGB(192, 192, 192));
  EXPECT_GT(reds, 5);  // red text on yellow
  EXPECT_GE(dlg.colourAsks, 3);  // the dialog's own background and both statics
}

}  // namespace
