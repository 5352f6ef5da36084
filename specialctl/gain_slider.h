#pragma once
// CCtlVScroll: the gain slider. A child window hosting a vertical track bar
// whose position stands for the top of a plot's vertical scale on a
// logarithmic gain of six decades (100 .. 100,000,000).
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_controls.h"
#include "framework/framework_wnd.h"

#define VSM_SETRANGEPOSITION (WM_USER + 21)
#define VSM_NORANGE (WM_USER + 22)
#define VSM_GETPOSITION (WM_USER + 23)

// Track-bar positions run 0..VSCROLL_MAX_POSITION.
#define VSCROLL_MAX_POSITION 32000
// The hosted track bar's control id.
#define VSCROLL_TRACKBAR_ID 10

#pragma pack(push, 1)
struct STRUCT_VSCROLL_RANGE {
  double shownBottom;
  double shownTop;
  double dataMin;
  double dataMax;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_VSCROLL_RANGE) == 32);

class KELT_CLASS CCtlVScroll : public CWnd {
 public:
  CCtlVScroll();
  ~CCtlVScroll() override;

  CSliderCtrl* m_pSlider = nullptr;
  int16_t m_width = 0;
  int16_t m_height = 0;
  int16_t m_active = 0;
  double m_gain = 0.0;
  int32_t m_position = 0;
  STRUCT_VSCROLL_RANGE m_range{};

  // Decade factor of the stored range and the base the gain counts from.
  void DecadeFactor(double* factor, double* base) const;

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  LRESULT OnSetRangePosition(WPARAM wParam, LPARAM lParam);
  LRESULT OnNoRange(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetPosition(WPARAM wParam, LPARAM lParam);
  void OnVScroll(UINT code, UINT pos, CWnd* bar);
  DECLARE_MESSAGE_MAP()
};
