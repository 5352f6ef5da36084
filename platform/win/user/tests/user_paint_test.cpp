// Window painting checked through the pixels of the window surfaces: a
// sample control that draws where the mouse was dragged and recolours on a
// timer, child windows at their places and clipped, a painted dialog, paint
// bookkeeping and windows that go away while painting.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_resources.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

using win::script::WindowPixel;

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kFace = RGB(192, 192, 192);

// The sample control: a rectangle follows the mouse drag (with capture) and
// its colour changes when the timer fires.
struct Sample {
  POINT from{}, to{};
  bool dragging = false;
  COLORREF color = RGB(255, 0, 0);
  int paints = 0;
};
Sample g_sample;

LRESULT CALLBACK SampleProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Sample& s = g_sample;
  switch (m) {
    case WM_LBUTTONDOWN:
      SetCapture(h);
      s.dragging = true;
      s.from = s.to = POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      return 0;
    case WM_MOUSEMOVE:
      if (!s.dragging) return 0;
      s.to = POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_LBUTTONUP:
      if (!s.dragging) return 0;
      s.to = POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      s.dragging = false;
      ReleaseCapture();
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_TIMER:
      s.color = RGB(0, 0, 255);
      KillTimer(h, w);
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_PAINT: {
      ++s.paints;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r{std::min(s.from.x, s.to.x), std::min(s.from.y, s.to.y), std::max(s.from.x, s.to.x),
             std::max(s.from.y, s.to.y)};
      HBRUSH b = CreateSolidBrush(s.color);
      FillRect(dc, &r, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    }
    default: return DefWindowProcA(h, m, w, l);
  }
}

// Children that count their paints and fill themselves with their colour,
// trying hard to draw outside their place.
std::map<HWND, int> g_paints;
std::map<HWND, COLORREF> g_fill;
std::map<HWND, PAINTSTRUCT> g_lastPaint;
HWND g_destroyInPaint = nullptr;
HWND g_destroyInErase = nullptr;

LRESULT CALLBACK FillProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_ERASEBKGND:
      if (h == g_destroyInErase) {
        DestroyWindow(h);
        return 1;
      }
      break;
    case WM_PAINT: {
      ++g_paints[h];
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      g_lastPaint[h] = ps;
      if (h == g_destroyInPaint) DestroyWindow(h);
      if (g_fill.count(h)) {
        SelectClipRgn(dc, nullptr);
        SetViewportOrgEx(dc, -30, -30, nullptr);
        RECT all{-1000, -1000, 1000, 1000};
        HBRUSH b = CreateSolidBrush(g_fill[h]);
        FillRect(dc, &all, b);
        DeleteObject(b);
      }
      EndPaint(h, &ps);
      return 0;
    }
    default: break;
  }
  return DefWindowProcA(h, m, w, l);
}

class UserPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-paint-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    win::script::ResetLogs();
    g_sample = Sample{};
    g_paints.clear();
    g_fill.clear();
    g_lastPaint.clear();
    g_destroyInPaint = g_destroyInErase = nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = SampleProc;
    wc.lpszClassName = "PaintSample";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    wc.lpfnWndProc = FillProc;
    wc.lpszClassName = "PaintFill";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    objects_ = win::gdi::LiveObjectCount();
  }
  void TearDown() override {
    for (HWND h : created_)
      if (IsWindow(h)) DestroyWindow(h);
    win::script::PumpUntilIdle();
    UnregisterClassA("PaintSample", nullptr);
    UnregisterClassA("PaintFill", nullptr);
    // Surfaces, DCs and fonts of windows go with them.
    EXPECT_EQ(win::gdi::LiveObjectCount(), objects_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  HWND Top(const char* cls, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
    HWND h = CreateWindowExA(0, cls, "Paint", style, 20, 20, 320, 240, nullptr, nullptr, nullptr, nullptr);
    created_.push_back(h);
    return h;
  }
  HWND Child(HWND parent, int x, int y, int w, int h, COLORREF fill, DWORD style = 0) {
    HWND c = CreateWindowExA(0, "PaintFill", "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr, nullptr,
                             nullptr);
    g_fill[c] = fill;
    return c;
  }
  std::string root_;
  std::vector<HWND> created_;
  size_t objects_ = 0;
};

TEST_F(UserPaint, SampleControlDrawsTheDragAndRecoloursOnItsTimer) {
  HWND h = Top("PaintSample");
  EXPECT_EQ(WindowPixel(h, 5, 5), CLR_INVALID);  // nothing painted yet
  win::script::PumpUntilIdle();
  EXPECT_EQ(WindowPixel(h, 5, 5), kWhite);  // the class brush, COLOR_WINDOW + 1
  EXPECT_EQ(g_sample.paints, 1);

  // Dragged past the window's edge: capture keeps the moves coming.
  win::script::Drag(h, POINT{40, 30}, POINT{120, 90}, 4);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(WindowPixel(h, 40, 30), RGB(255, 0, 0));
  EXPECT_EQ(WindowPixel(h, 119, 89), RGB(255, 0, 0));
  EXPECT_EQ(WindowPixel(h, 120, 90), kWhite);
  EXPECT_EQ(WindowPixel(h, 39, 30), kWhite);

  SetTimer(h, 7, 500, nullptr);
  win::script::AdvanceClock(499);
  EXPECT_EQ(WindowPixel(h, 80, 60), RGB(255, 0, 0));
  win::script::AdvanceClock(1);
  EXPECT_EQ(WindowPixel(h, 80, 60), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(h, 200, 150), kWhite);

  // The frame is painted around the client area: caption in the active colour.
  HDC wdc = GetWindowDC(h);
  EXPECT_EQ(GetPixel(wdc, 40, 10), RGB(0, 0, 128));
  ReleaseDC(h, wdc);
  EXPECT_TRUE(win::script::SaveWindowPng(h, "C:\\TEMP\\sample.png"));
  EXPECT_TRUE(std::filesystem::exists(root_ + "/c/TEMP/sample.png"));
}

TEST_F(UserPaint, ChildrenPaintAtTheirPlaceClippedAndAlone) {
  HWND top = Top("PaintFill", WS_POPUP | WS_VISIBLE);
  g_fill.erase(top);
  HWND a = Child(top, 10, 10, 50, 40, RGB(0, 128, 0));
  HWND b = Child(top, 100, 10, 50, 40, RGB(128, 0, 128));
  HWND inner = Child(a, 10, 10, 100, 100, RGB(255, 255, 0));  // reaches out of its parent
  win::script::PumpUntilIdle();
  EXPECT_EQ(WindowPixel(top, 5, 5), kFace);
  EXPECT_EQ(WindowPixel(top, 12, 12), RGB(0, 128, 0));
  EXPECT_EQ(WindowPixel(top, 9, 12), kFace);     // nothing leaks left of a
  EXPECT_EQ(WindowPixel(top, 12, 50), kFace);    // nor below it
  EXPECT_EQ(WindowPixel(top, 25, 25), RGB(255, 255, 0));
  EXPECT_EQ(WindowPixel(top, 65, 25), kFace);    // inner stays inside a
  EXPECT_EQ(WindowPixel(b, 0, 0), RGB(128, 0, 128));
  EXPECT_EQ(WindowPixel(inner, 0, 0), RGB(255, 255, 0));

  g_paints.clear();
  g_fill[b] = RGB(0, 0, 0);
  RECT part{5, 6, 20, 30};
  InvalidateRect(b, &part, TRUE);
  win::script::PumpUntilIdle();
  EXPECT_EQ(g_paints[b], 1);
  EXPECT_EQ(g_paints[top] + g_paints[a] + g_paints[inner], 0);
  EXPECT_EQ(g_lastPaint[b].rcPaint.left, 5);
  EXPECT_EQ(g_lastPaint[b].rcPaint.bottom, 30);
  EXPECT_FALSE(g_lastPaint[b].fErase);  // erased by the class brush
  EXPECT_EQ(WindowPixel(b, 10, 10), RGB(0, 0, 0));
  EXPECT_EQ(WindowPixel(b, 30, 10), RGB(128, 0, 128));  // outside the update area

  // Repainting the parent repaints the children over it.
  g_paints.clear();
  InvalidateRect(top, nullptr, TRUE);
  UpdateWindow(top);
  EXPECT_EQ(g_paints[top], 1);
  EXPECT_EQ(g_paints[a], 1);
  EXPECT_EQ(g_paints[inner], 1);
  EXPECT_EQ(WindowPixel(top, 25, 25), RGB(255, 255, 0));

  // Moving a child repaints where it was.
  MoveWindow(b, 100, 100, 50, 40, TRUE);
  win::script::PumpUntilIdle();
  EXPECT_EQ(WindowPixel(top, 110, 20), kFace);
  EXPECT_EQ(WindowPixel(top, 110, 110), RGB(0, 0, 0));
}

TEST_F(UserPaint, UpdateRegionsAndPaintStruct) {
  HWND top = Top("PaintFill", WS_POPUP | WS_VISIBLE);
  win::script::PumpUntilIdle();
  RECT r;
  EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));
  HRGN rgn = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(GetUpdateRgn(top, rgn, FALSE), NULLREGION);
  HRGN part = CreateRectRgn(30, 40, 70, 60);
  EXPECT_TRUE(InvalidateRgn(top, part, FALSE));
  EXPECT_EQ(GetUpdateRgn(top, rgn, FALSE), SIMPLEREGION);
  GetRgnBox(rgn, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.bottom, 60);
  EXPECT_TRUE(ValidateRgn(top, part));
  EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));

  // Without erasing, a paint is asked to erase when nobody did (fErase).
  InvalidateRgn(top, part, TRUE);
  EXPECT_TRUE(RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW));
  EXPECT_EQ(g_paints[top], 2);
  EXPECT_FALSE(g_lastPaint[top].fErase);
  SetClassLongPtrA(top, GCLP_HBRBACKGROUND, 0);
  InvalidateRect(top, nullptr, TRUE);
  UpdateWindow(top);
  EXPECT_TRUE(g_lastPaint[top].fErase);
  EXPECT_EQ(g_lastPaint[top].rcPaint.right, 320);
  DeleteObject(rgn);
  DeleteObject(part);
}

TEST_F(UserPaint, WindowsGoingAwayWhilePaintingAndTheirDCs) {
  HWND top = Top("PaintFill", WS_POPUP | WS_VISIBLE);
  HWND a = Child(top, 10, 10, 50, 40, RGB(0, 128, 0));
  win::script::PumpUntilIdle();

  HDC dc = GetDC(a);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(WindowFromDC(dc), a);
  EXPECT_EQ(ReleaseDC(a, dc), 1);
  EXPECT_EQ(ReleaseDC(a, dc), 0);  // already given back

  HDC kept = GetDC(a);  // never released: it goes with the window
  g_destroyInPaint = a;
  InvalidateRect(a, nullptr, TRUE);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(GetDC(a), nullptr);
  EXPECT_EQ(GetWindowDC(a), nullptr);
  EXPECT_EQ(ReleaseDC(a, kept), 0);
  EXPECT_FALSE(Rectangle(kept, 0, 0, 5, 5));
  PAINTSTRUCT ps;
  EXPECT_EQ(BeginPaint(a, &ps), nullptr);
  EXPECT_EQ(ps.hdc, nullptr);
  EXPECT_TRUE(IsWindow(top));

  HWND b = Child(top, 10, 10, 50, 40, RGB(0, 0, 0));
  g_destroyInErase = b;
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(b));
  EXPECT_EQ(WindowPixel(top, 20, 20), kFace);
}

// A dialog painted from its template with the template's font.
const HMODULE kModule = reinterpret_cast<HMODULE>(0x7300);
constexpr int kCheck = 11, kOk = IDOK, kList = 13, kText = 14, kOwner = 15, kCombo = 16;
int g_drawItems = 0;
UINT g_drawState = 0;

INT_PTR CALLBACK PaintDialogProc(HWND dlg, UINT msg, WPARAM, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    for (const char* s : {"Alpha", "Beta", "Gamma"}) SendDlgItemMessageA(dlg, kList, LB_ADDSTRING, 0, (LPARAM)s);
    SendDlgItemMessageA(dlg, kList, LB_SETCURSEL, 1, 0);
    for (const char* s : {"One", "Two"}) SendDlgItemMessageA(dlg, kCombo, CB_ADDSTRING, 0, (LPARAM)s);
    SendDlgItemMessageA(dlg, kCombo, CB_SETCURSEL, 1, 0);
    return TRUE;
  }
  if (msg == WM_DRAWITEM) {
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    if (di->CtlID != kOwner || di->CtlType != ODT_BUTTON) return FALSE;
    ++g_drawItems;
    g_drawState = di->itemState;
    HBRUSH b = CreateSolidBrush(RGB(0, 160, 0));
    FillRect(di->hDC, &di->rcItem, b);
    DeleteObject(b);
    return TRUE;
  }
  return FALSE;
}

// Pixels of a control's client area that have the colour (kDark: any dark
// one, as the edges of smoothed text are).
const COLORREF kDark = 0xFF000001;
bool Matches(COLORREF p, COLORREF want) {
  if (want != kDark) return p == want;
  return p != CLR_INVALID && GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 100;
}
int Count(HWND control, COLORREF color, RECT area = RECT{0, 0, 1000, 1000}) {
  RECT c;
  GetClientRect(control, &c);
  int n = 0;
  for (int y = std::max(area.top, c.top); y < std::min(area.bottom, c.bottom); ++y)
    for (int x = std::max(area.left, c.left); x < std::min(area.right, c.right); ++x)
      if (Matches(WindowPixel(control, x, y), color)) ++n;
  return n;
}

TEST_F(UserPaint, DialogControlsArePainted) {
  using namespace win::resources;
  DialogTemplate t;
  t.caption = "Painted";
  t.style |= WS_VISIBLE;
  t.cx = 200;
  t.cy = 120;
  t.items = {
      {kCheck, "Button", "Check me", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, 10, 10, 80, 10},
      {kOk, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 140, 10, 50, 14},
      {kList, "ListBox", "", LBS_NOTIFY | WS_BORDER | WS_VISIBLE, 0, 10, 30, 80, 40},
      {kText, "Static", "Label", SS_RIGHT | WS_VISIBLE, 0, 100, 30, 40, 10},
      {kOwner, "Button", "", BS_OWNERDRAW | WS_VISIBLE, 0, 100, 50, 30, 14},
      {kCombo, "ComboBox", "", CBS_DROPDOWNLIST | WS_VISIBLE, 0, 100, 80, 60, 60},
      {20, "Edit", "typed", WS_BORDER | WS_VISIBLE, 0, 10, 80, 60, 12},
  };
  AddDialog(kModule, 700, t);
  HWND dlg = CreateDialogParamA(kModule, MAKEINTRESOURCEA(700), nullptr, PaintDialogProc, 0);
  ASSERT_NE(dlg, nullptr);
  created_.push_back(dlg);
  win::script::PumpUntilIdle();

  // The template's font reaches the dialog and its controls.
  auto font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(SendDlgItemMessageA(dlg, kCheck, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
  LOGFONTA lf{};
  GetObjectA(font, sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(lf.lfHeight, -11);

  EXPECT_EQ(WindowPixel(dlg, 2, 2), kFace);
  HWND check = GetDlgItem(dlg, kCheck);
  RECT box{0, 0, 13, 16};
  int uncheckedInk = Count(check, RGB(0, 0, 0), box);
  EXPECT_GT(Count(check, kWhite, box), 40);  // the box
  EXPECT_GT(Count(check, RGB(0, 0, 0), RECT{16, 0, 200, 20}), 10);  // its label
  ASSERT_TRUE(win::script::SetCheck(dlg, kCheck, true));
  win::script::PumpUntilIdle();
  EXPECT_GE(Count(check, RGB(0, 0, 0), box), uncheckedInk + 15);  // the tick
  ASSERT_TRUE(win::script::SetCheck(dlg, kCheck, false));
  win::script::PumpUntilIdle();
  EXPECT_EQ(Count(check, RGB(0, 0, 0), box), uncheckedInk);

  // The default button: its text in the middle, a dark frame around it.
  HWND ok = GetDlgItem(dlg, kOk);
  RECT oc;
  GetClientRect(ok, &oc);
  EXPECT_GT(Count(ok, kDark, RECT{oc.right / 4, 4, oc.right * 3 / 4, oc.bottom - 4}), 8);
  EXPECT_EQ(WindowPixel(ok, 0, oc.bottom / 2), RGB(0, 0, 0));
  EXPECT_EQ(WindowPixel(ok, 5, oc.bottom / 2), kFace);

  // The list's chosen item is highlighted, the others are not.
  HWND list = GetDlgItem(dlg, kList);
  EXPECT_EQ(WindowPixel(list, 70, 13 + 6), RGB(0, 0, 128));
  EXPECT_EQ(WindowPixel(list, 70, 6), kWhite);
  int light = 0;  // the highlighted item's text
  for (int x = 0; x < 60; ++x)
    for (int y = 13; y < 26; ++y)
      if (GetBValue(WindowPixel(list, x, y)) > 128 && GetRValue(WindowPixel(list, x, y)) > 100) ++light;
  EXPECT_GT(light, 5);

  // Right-aligned static text keeps to the right.
  HWND label = GetDlgItem(dlg, kText);
  RECT lc;
  GetClientRect(label, &lc);
  EXPECT_GT(Count(label, RGB(0, 0, 0), RECT{lc.right / 2, 0, lc.right, lc.bottom}), 5);
  EXPECT_EQ(Count(label, RGB(0, 0, 0), RECT{0, 0, lc.right / 4, lc.bottom}), 0);

  // The owner draws its button.
  EXPECT_GE(g_drawItems, 1);
  EXPECT_EQ(WindowPixel(GetDlgItem(dlg, kOwner), 3, 3), RGB(0, 160, 0));
  SendDlgItemMessageA(dlg, kOwner, BM_SETSTATE, TRUE, 0);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(g_drawState & ODS_SELECTED);

  // The combo box shows its current item; the edit its text.
  EXPECT_GT(Count(GetDlgItem(dlg, kCombo), kDark, RECT{2, 2, 40, 18}), 5);
  EXPECT_GT(Count(GetDlgItem(dlg, 20), kDark), 5);

  EXPECT_TRUE(win::script::SaveWindowPng(dlg, "C:\\TEMP\\dialog.png"));
  EXPECT_TRUE(win::script::SaveWindowPng(check, "C:\\TEMP\\check.png"));
  if (const char* keep = getenv("KELT_KEEP_PNG")) {
    std::filesystem::copy_file(root_ + "/c/TEMP/dialog.png", std::string(keep) + "/dialog.png",
                               std::filesystem::copy_options::overwrite_existing);
  }
  DestroyWindow(dlg);
  RemoveModule(kModule);
}

// A parent that measures its owner-drawn list's items and paints each in
// the colour kept as its data.
int g_measured = 0;
std::vector<UINT> g_drawnItems;
LRESULT CALLBACK OwnerListParent(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_MEASUREITEM) {
    ++g_measured;
    reinterpret_cast<MEASUREITEMSTRUCT*>(l)->itemHeight = 20;
    return TRUE;
  }
  if (m == WM_DRAWITEM) {
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    g_drawnItems.push_back(di->itemID);
    HBRUSH b = CreateSolidBrush((di->itemState & ODS_SELECTED) ? RGB(0, 0, 0) : static_cast<COLORREF>(di->itemData));
    FillRect(di->hDC, &di->rcItem, b);
    DeleteObject(b);
    return TRUE;
  }
  return DefWindowProcA(h, m, w, l);
}

TEST_F(UserPaint, OwnerDrawnListMeasuresAndDrawsItsItems) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerListParent;
  wc.lpszClassName = "OwnerListParent";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassA(&wc);
  HWND top = Top("OwnerListParent", WS_POPUP | WS_VISIBLE);
  g_measured = 0;
  g_drawnItems.clear();
  HWND list = CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 10, 10, 100,
                              100, top, reinterpret_cast<HMENU>(5), nullptr, nullptr);
  EXPECT_EQ(g_measured, 1);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 20);
  for (COLORREF c : {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)})
    SendMessageA(list, LB_ADDSTRING, 0, static_cast<LPARAM>(c));  // data, not text: no strings kept
  EXPECT_EQ(static_cast<COLORREF>(SendMessageA(list, LB_GETITEMDATA, 2, 0)), RGB(0, 0, 255));
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(g_drawnItems, (std::vector<UINT>{0, 1, 2}));
  EXPECT_EQ(WindowPixel(list, 50, 5), RGB(255, 0, 0));
  EXPECT_EQ(WindowPixel(list, 50, 25), RGB(0, 0, 0));  // selected
  EXPECT_EQ(WindowPixel(list, 50, 45), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(list, 50, 65), kWhite);  // below the items
  DestroyWindow(top);
  UnregisterClassA("OwnerListParent", nullptr);
}

TEST_F(UserPaint, BitmapsFromTheRegistryAndSystemColours) {
  using namespace win::resources;
  BitmapResource bmp;
  bmp.width = 2;
  bmp.height = 2;
  bmp.pixels = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(1, 2, 3)};
  AddBitmap(kModule, 300, bmp);
  HBITMAP h = LoadBitmapA(kModule, MAKEINTRESOURCEA(300));
  ASSERT_NE(h, nullptr);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, h);
  EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(mem, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(mem, 1, 1), RGB(1, 2, 3));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(h);
  EXPECT_EQ(LoadBitmapA(kModule, MAKEINTRESOURCEA(301)), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "nothing"), nullptr);
  RemoveModule(kModule);

  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), kFace);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
  EXPECT_EQ(GetSysColor(999), 0u);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  LOGBRUSH lb{};
  ASSERT_TRUE(GetObjectA(face, sizeof lb, &lb));
  EXPECT_EQ(lb.lbColor, kFace);
  DeleteObject(face);  // system brushes stay
  EXPECT_EQ(GetObjectType(face), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_EQ(GetSysColorBrush(-1), nullptr);
}

// The colour at (x, y) of a PNG file in the root, CLR_INVALID when unreadable.
COLORREF PngPixel(const char* winPath, int x, int y) {
  HBITMAP picture = win::gdi::LoadBitmapPng(winPath);
  if (!picture) return CLR_INVALID;
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, picture);
  const COLORREF c = GetPixel(mem, x, y);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(picture);
  return c;
}

TEST_F(UserPaint, TheScreenPictureHoldsThePopUpsStandingOverTheWindow) {
  HWND top = Top("PaintSample");
  win::script::PumpUntilIdle();
  // A tooltip-like pop-up owned by the window, one hidden, one of nobody's.
  auto popup = [&](HWND owner, int x, COLORREF fill, DWORD visible) {
    HWND p = CreateWindowExA(WS_EX_TOPMOST, "PaintFill", "", WS_POPUP | visible, x, 100, 30, 20, owner, nullptr,
                             nullptr, nullptr);
    g_fill[p] = fill;
    created_.push_back(p);
    return p;
  };
  popup(top, 100, RGB(255, 0, 0), WS_VISIBLE);
  HWND hidden = popup(top, 160, RGB(0, 255, 0), WS_VISIBLE);
  popup(nullptr, 220, RGB(0, 0, 255), WS_VISIBLE);
  win::script::PumpUntilIdle();
  ShowWindow(hidden, SW_HIDE);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(win::script::SaveWindowPng(top, "C:\\TEMP\\window.png"));
  ASSERT_TRUE(win::script::SaveScreenPng(top, "C:\\TEMP\\screen.png"));
  // Screen (100, 100) is (80, 80) of the window's picture: the window at (20, 20).
  EXPECT_EQ(PngPixel("C:\\TEMP\\window.png", 85, 85), kWhite);
  EXPECT_EQ(PngPixel("C:\\TEMP\\screen.png", 85, 85), RGB(255, 0, 0));
  EXPECT_EQ(PngPixel("C:\\TEMP\\screen.png", 145, 85), kWhite);  // hidden
  EXPECT_EQ(PngPixel("C:\\TEMP\\screen.png", 205, 85), kWhite);  // not the window's
  EXPECT_EQ(PngPixel("C:\\TEMP\\screen.png", 40, 40), PngPixel("C:\\TEMP\\window.png", 40, 40));
}

TEST_F(UserPaint, ANewCaptionIsPaintedAtOnce) {
  HWND top = Top("PaintSample");
  win::script::PumpUntilIdle();
  // Caption text pixels (in the caption text colour) along the caption bar.
  auto captionText = [&] {
    HDC dc = GetWindowDC(top);
    int n = 0;
    for (int y = 2; y < 18; ++y)
      for (int x = 2; x < 300; ++x) n += GetPixel(dc, x, y) == GetSysColor(COLOR_CAPTIONTEXT);
    ReleaseDC(top, dc);
    return n;
  };
  const int before = captionText();
  EXPECT_GT(before, 0);
  SetWindowTextA(top, "Paint, with a caption much longer than before");
  EXPECT_GT(captionText(), 3 * before);
}

}  // namespace
