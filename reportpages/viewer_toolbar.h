#pragma once
// The small frame across the top of the report viewer that carries its
// toolbar: Help, Delete Page, Previous Page, Next Page, Print Page, Print
// Report and Print All Reports. The viewer hears the buttons; the frame
// decides which are enabled from the page state the viewer hands it.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_controls.h"
#include "framework/framework_frame.h"

#define VIEWER_TOOLBAR_BITMAP 681
#define ID_VIEWER_HELP 3000
#define ID_VIEWER_DELETE_PAGE 618
#define ID_VIEWER_PREVIOUS 619
#define ID_VIEWER_NEXT 620
#define ID_VIEWER_PRINT_PAGE 621
#define ID_VIEWER_PRINT_REPORT 622
#define ID_VIEWER_PRINT_ALL 623

class KELT_CLASS CWrapViewRptsToolBar : public CFrameWnd {
  DECLARE_DYNAMIC(CWrapViewRptsToolBar)
 public:
  CWrapViewRptsToolBar();
  ~CWrapViewRptsToolBar() override;
  // The viewer's page state.
  void SetPageState(int32_t current, int32_t count, uint16_t shown);

  HBITMAP m_hButtonBitmap = nullptr;
  CToolBar* m_pToolBar = nullptr;
  CToolTipCtrl* m_pToolTips = nullptr;
  int32_t m_ToolBarWidth = 0, m_ToolBarHeight = 0;
  uint16_t m_FrameWidth = 0, m_FrameHeight = 0;
  uint16_t m_PageShown = 0;
  int32_t m_CurrentPage = 0;
  int32_t m_PageCount = 0;

  BOOL PreTranslateMessage(MSG* msg) override;
  // Whether the frame enables a button now (what its update handler sets).
  BOOL IsCommandEnabled(UINT id) const;

 protected:
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  void OnUpdateButton(CCmdUI* ui);
  DECLARE_MESSAGE_MAP()
};
