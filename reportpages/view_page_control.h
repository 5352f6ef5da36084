#pragma once
// The view page control ("Ctl_Page"): one report page (metafile bits laid
// out on a character grid) shown whole or zoomed to a rectangle of the
// grid dragged out with the mouse, with scroll bars that pan the zoom.
// Also the printer drawing contexts the report pages keep.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

#define VPC_SET_MODE (WM_USER + 10)
#define VPC_SET_PAGE (WM_USER + 11)
#define VPC_SET_DISPLAY (WM_USER + 12)
#define VPC_DROP_PAGE (WM_USER + 13)
#define VPC_END_DRAG (WM_USER + 15)

// What WM_USER+11 passes by address. In memory only (it holds a handle).
struct VPC_SET_PAGE_RECORD {
  HGLOBAL content;        // enhanced-metafile bits; the host's
  int32_t logicalWidth;   // 0 = 32767
  int32_t logicalHeight;  // 0 = 32767
  int32_t columns;
  int32_t lines;
  int32_t viewLeft, viewTop, viewRight, viewBottom;  // grid units
};

// "VPCParams" / "Params": zoom left, top, width, height, whole-page flag.
#pragma pack(push, 1)
struct VPC_PARAMS {
  int16_t zoomLeft, zoomTop, zoomWidth, zoomHeight, wholePage;
};
#pragma pack(pop)
static_assert(sizeof(VPC_PARAMS) == 10);

// The control's state, read by tests through VPC_GetState.
struct VPC_STATE {
  int16_t mode;
  HGLOBAL content;
  uint32_t contentSize;
  int32_t logicalWidth, logicalHeight;
  int32_t columns, lines;
  int32_t viewWidth, viewHeight, viewLeft, viewTop;
  int16_t display;
  int16_t wholePage;
  int16_t cursorShown;
  int16_t scrollBarsSet;
  int32_t clientWidth, clientHeight;
  RECT drawn;
  int32_t zoomWidth, zoomHeight, zoomLeft, zoomTop;
  int32_t lastLeft, lastWidth, lastTop, lastHeight, extraRows, extraColumns;
  int32_t vScrollWidth, hScrollHeight;
  int32_t scrollScratch[2];
};

// RegisterClass's result (0 on failure).
KELT_API ATOM RegisterViewPageCtrlClass();
KELT_API BOOL UnregisterViewPageCtrlClass();
// A hidden child of class "Ctl_Page" at position and size 0.
KELT_API HWND KELTCreateViewPageCtrl(HWND parent);
// A copy of the control's state; false for a window that is not one.
KELT_API BOOL VPC_GetState(HWND control, VPC_STATE* state);

namespace kelt::pages {
// Up to two drawing contexts of the current printer (chosen by a flag),
// made on demand; the library's unload deletes whichever exists.
KELT_CLASS HDC CachedPrinterDC(int which);
KELT_CLASS void SetCachedPrinterDC(int which, HDC dc);
KELT_CLASS void DeleteCachedPrinterDCs();
}  // namespace kelt::pages
