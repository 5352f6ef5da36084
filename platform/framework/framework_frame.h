#pragma once
// Frames and control bars: a frame window lays out its control bars with
// the size-parent message when it is sized; bars update their buttons at
// idle by asking their target's command-update handlers (CCmdUI).
#include <vector>

#include "framework_controls.h"
#include "framework_wnd.h"

// Control-bar styles (the low word of a bar's style).
#define CBRS_ALIGN_LEFT 0x1000L
#define CBRS_ALIGN_TOP 0x2000L
#define CBRS_ALIGN_RIGHT 0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_BORDER_LEFT 0x0100L
#define CBRS_BORDER_TOP 0x0200L
#define CBRS_BORDER_RIGHT 0x0400L
#define CBRS_BORDER_BOTTOM 0x0800L
#define CBRS_BORDER_ANY 0x0F00L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_FLOAT_MULTI 0x0040L
#define CBRS_HIDE_INPLACE 0x0008L
#define CBRS_SIZE_DYNAMIC 0x0004L
#define CBRS_SIZE_FIXED 0x0002L
#define CBRS_NOALIGN 0x00000000L
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)
#define CBRS_ALL 0x0040FFFFL

// The size-parent message a frame sends its bars: each takes its strip
// from rect (parent client coordinates) and moves itself there.
#define WM_SIZEPARENT 0x0361
struct SIZEPARENTPARAMS {
  RECT rect;       // what is left of the frame's client area
  SIZE sizeTotal;  // space the bars took
  BOOL bStretch;
};

#define ID_SEPARATOR 0
#define FRAMEWORK_IDW_TOOLBAR 0xE800
// Toolbar button styles as the framework reports them: the low word is the
// button style, the high word its state with the enabled bit inverted
// (TBBS_DISABLED set means disabled).
#define TBBS_BUTTON MAKELONG(TBSTYLE_BUTTON, 0)
#define TBBS_SEPARATOR MAKELONG(TBSTYLE_SEP, 0)
#define TBBS_CHECKBOX MAKELONG(TBSTYLE_CHECK, 0)
#define TBBS_GROUP MAKELONG(TBSTYLE_GROUP, 0)
#define TBBS_CHECKGROUP (TBBS_GROUP | TBBS_CHECKBOX)
#define TBBS_DROPDOWN MAKELONG(TBSTYLE_DROPDOWN, 0)
#define TBBS_CHECKED MAKELONG(0, TBSTATE_CHECKED)
#define TBBS_PRESSED MAKELONG(0, TBSTATE_PRESSED)
#define TBBS_DISABLED MAKELONG(0, TBSTATE_ENABLED)
#define TBBS_INDETERMINATE MAKELONG(0, TBSTATE_INDETERMINATE)
#define TBBS_HIDDEN MAKELONG(0, TBSTATE_HIDDEN)
#define TBBS_WRAPPED MAKELONG(0, TBSTATE_WRAP)

class CFrameWnd;

// One command's update request. The bar's override sets its button.
class FRAMEWORK_CLASS CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CWnd* m_pOther = nullptr;  // the bar
  BOOL m_bEnableChanged = FALSE;
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE);
  virtual void SetCheck(int check = 1);
  virtual void SetText(LPCSTR text);
  // Asks target's handler; without one, a command nobody handles is
  // disabled when disableIfNoHandler is set.
  void DoUpdate(CWnd* target, BOOL disableIfNoHandler);
};

class FRAMEWORK_CLASS CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)
 public:
  CControlBar();
  ~CControlBar() override;
  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD style) { m_dwStyle = style & CBRS_ALL; }
  // The size the bar takes; a horizontal bar stretches across the frame.
  virtual CSize CalcFixedLayout(BOOL stretch, BOOL horizontal);
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;
  // The window whose command-update handlers the bar asks (the owner frame).
  CWnd* GetUpdateTarget() const;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  DWORD m_dwStyle = 0;
  // The size-parent handling: the bar takes its strip from the layout rectangle.
  virtual LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);
};

class FRAMEWORK_CLASS CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)
 public:
  CToolBar();
  ~CToolBar() override;
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = FRAMEWORK_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                CRect borders = CRect(0, 0, 0, 0), UINT id = FRAMEWORK_IDW_TOOLBAR);
  void SetSizes(SIZE button, SIZE image);
  // From a bitmap resource of the resource chain, or a bitmap the bar then owns.
  BOOL LoadBitmap(UINT id);
  BOOL SetBitmap(HBITMAP bitmap);
  // Plain buttons for the ids, separators for ID_SEPARATOR; images in order.
  BOOL SetButtons(const UINT* ids, int count);
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  void GetItemRect(int index, LPRECT rect) const;
  UINT GetButtonStyle(int index) const;
  void SetButtonStyle(int index, UINT style);
  void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
  void SetButtonInfo(int index, UINT id, UINT style, int image);
  CToolBarCtrl& GetToolBarCtrl() const;
  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  // Sets the buttons' wrap states so that they fit width; the rows made.
  int WrapToolBar(int width);

 protected:
  // One button's description with the enabled bit inverted, as the
  // framework keeps it; writing puts back a changed button.
  void GetButtonRaw(int index, TBBUTTON* button) const;
  void SetButtonRaw(int index, TBBUTTON* button);
  HBITMAP m_hbmImageWell = nullptr;
  CRect m_borders;
};

class FRAMEWORK_CLASS CFrameWnd : public CWnd {
  DECLARE_DYNAMIC(CFrameWnd)
 public:
  CFrameWnd();
  ~CFrameWnd() override;
  BOOL Create(LPCSTR className, LPCSTR title, DWORD style = WS_OVERLAPPEDWINDOW, const RECT& rect = CRect(0, 0, 0, 0),
              CWnd* parent = nullptr, LPCSTR menuName = nullptr, DWORD exStyle = 0);
  // Lays out the bars (size-parent message) and keeps what is left.
  virtual void RecalcLayout(BOOL notify = TRUE);
  CRect GetLayoutRect() const { return m_rectLeft; }
  // Asks every visible bar of the frame to update its buttons now.
  void UpdateControlBars(BOOL disableIfNoHandler = TRUE);
  BOOL m_bAutoMenuEnable = TRUE;

 protected:
  void OnSize(UINT type, int cx, int cy);
  CRect m_rectLeft;
  DECLARE_MESSAGE_MAP()
};

// The wait cursor while the object lives.
class FRAMEWORK_CLASS CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  void Restore();  // puts the wait cursor back after something changed it

 private:
  HCURSOR m_previous = nullptr;
};
