// Common-control start-up, class registration and the helpers the common
// controls share.
#include <atomic>

#include "common_control_kit.h"
#include "win_commctrl.h"
#include "win_kernel.h"

namespace win::user {

void RegisterCommonControlClasses() {
  AddControlClass(PROGRESS_CLASSA, ProgressProc, 0);
  AddControlClass(TRACKBAR_CLASSA, TrackBarProc, CS_DBLCLKS);
  AddControlClass(UPDOWN_CLASSA, UpDownProc, 0);
  AddControlClass(STATUSCLASSNAMEA, StatusBarProc, CS_DBLCLKS);
  AddControlClass(TOOLTIPS_CLASSA, ToolTipProc, CS_SAVEBITS);
  AddControlClass(TOOLBARCLASSNAMEA, ToolbarProc, CS_DBLCLKS);
  AddControlClass(WC_LISTVIEWA, ListViewProc, CS_DBLCLKS);
  AddControlClass(WC_TREEVIEWA, TreeViewProc, CS_DBLCLKS);
  AddControlClass(WC_HEADERA, HeaderProc, CS_DBLCLKS);
}

LRESULT SendNotify(HWND control, HWND target, UINT code, NMHDR* header) {
  auto w = Get(control);
  if (!w || !header) return 0;
  if (!target) target = w->parent ? w->parent : w->owner;
  if (!target || !Get(target)) return 0;
  header->hwndFrom = control;
  header->idFrom = static_cast<UINT_PTR>(w->id);
  header->code = code;
  return Send(target, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(header));
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int* width, int* height) {
  BITMAP bm{};
  if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 ||
      bm.bmHeight <= 0)
    return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = -bm.bmHeight;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<BYTE> bits(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight) * 4);
  HDC dc = CreateCompatibleDC(nullptr);
  int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight), bits.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (lines <= 0) return {};
  std::vector<COLORREF> pixels(bits.size() / 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = RGB(bits[4 * i + 2], bits[4 * i + 1], bits[4 * i]);
  *width = bm.bmWidth;
  *height = bm.bmHeight;
  return pixels;
}

HBITMAP BitmapFromPixels(const std::vector<COLORREF>& pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    return nullptr;
  std::vector<BYTE> bits(pixels.size() * 4);
  for (size_t i = 0; i < pixels.size(); ++i) {
    bits[4 * i] = GetBValue(pixels[i]);
    bits[4 * i + 1] = GetGValue(pixels[i]);
    bits[4 * i + 2] = GetRValue(pixels[i]);
  }
  return CreateBitmap(width, height, 1, 32, bits.data());
}

void SetRowScroll(HWND control, int rows, int perPage, int top) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = rows > 1 ? rows - 1 : 0;
  si.nPage = static_cast<UINT>(perPage);
  si.nPos = top;
  SetScrollInfo(control, SB_VERT, &si, TRUE);
  ShowScrollBar(control, SB_VERT, rows > perPage ? TRUE : FALSE);
}

int VScrolledTop(WPARAM request, int top, int perPage) {
  switch (LOWORD(request)) {
    case SB_LINEUP: return top - 1;
    case SB_LINEDOWN: return top + 1;
    case SB_PAGEUP: return top - perPage;
    case SB_PAGEDOWN: return top + perPage;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return HIWORD(request);
    default: return top;
  }
}

}  // namespace win::user

namespace {
std::atomic<DWORD> g_initialized{0};
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  g_initialized.fetch_or(init->dwICC);
  return TRUE;
}

void InitCommonControls() { g_initialized.fetch_or(ICC_WIN95_CLASSES); }

DWORD GetInitializedCommonControls() { return g_initialized.load(); }
