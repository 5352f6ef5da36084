#pragma once
// The toolbar frames of the plot controls. Each control makes a small
// frame window as its child; the frame holds one wrapping toolbar and one
// tooltip control, builds its buttons from a layout of its button table and
// is driven by the five WTBM_* messages. Button commands and drop-down
// notifications go straight to the plot control (the toolbar's notify
// window), never to the frame.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "framework/framework_controls.h"
#include "framework/framework_frame.h"
#include "win/win_commctrl.h"

#define WTBM_INIT (WM_USER + 20)           // wParam: the owning plot control object
#define WTBM_CREATETOOLBAR (WM_USER + 21)  // wParam: layout; answers the height, 1 when one exists, 0 on failure
#define WTBM_DESTROYTOOLBAR (WM_USER + 22)
#define WTBM_UPDATETOOLBAR (WM_USER + 23)  // spectrum frame: lParam the spectrum control shown
#define WTBM_SIZETOOLBAR (WM_USER + 24)    // wParam width, lParam control height; answers the strip height

#define WTB_OVERLAY_BAR_ID 80
#define WTB_SPECTRUM_BAR_ID 60
#define WTB_OVERLAY_BUTTONS 35
#define WTB_SPECTRUM_BUTTONS 15
#define WTB_OVERLAY_LAYOUTS 7
#define WTB_SPECTRUM_LAYOUTS 4
#define WTB_IMAGE_SIZE 16

#pragma pack(push, 1)
struct STRUCT_WTB_OP_BUTTON {
  int32_t id;
  char text[52];
};
struct STRUCT_WTB_SPT_BUTTON {
  int32_t id;
  char text[40];
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_WTB_OP_BUTTON) == 56);
static_assert(sizeof(STRUCT_WTB_SPT_BUTTON) == 44);

namespace kelt::toolbar {

// A layout: command ids in order, 0 for a separator, and the bitmap
// resource that holds one image per button in the same order.
struct Layout {
  const int* ids;
  int count;
  int bitmap;
};
// A layout outside the table's range is layout 0.
KELT_CLASS const Layout& OverlayLayout(int layout);
KELT_CLASS const Layout& SpectrumLayout(int layout);
KELT_CLASS const STRUCT_WTB_OP_BUTTON* OverlayButtons();    // 35 entries
KELT_CLASS const STRUCT_WTB_SPT_BUTTON* SpectrumButtons();  // 15 entries
// The table text of a command; null when the table has no such button.
KELT_CLASS const char* OverlayButtonText(int id);
KELT_CLASS const char* SpectrumButtonText(int id);
// Buttons with an arrow that opens a menu.
KELT_CLASS bool IsDropDownButton(int id);
// The button descriptions of a layout: a 0 id becomes a wrapped separator,
// every other entry an enabled, wrapped button whose image is its place
// among the buttons. out holds count entries.
KELT_CLASS void MakeButtons(const Layout& layout, TBBUTTON* out);
// Puts the button bitmaps (682 to 692) among the library's resources,
// drawn here: one 16 x 16 image per button of the layout, in layout order.
KELT_CLASS void AddButtonBitmaps();

}  // namespace kelt::toolbar

// A toolbar bar that wraps its buttons onto rows to fit its width.
class KELT_CLASS CWrappingToolBar : public CToolBar {
 public:
  // One button's description, the enabled bit as the toolbar keeps it.
  void GetButton(int index, TBBUTTON* button) const;
  // Writes a changed button back (deleted and inserted again, its place
  // repainted; the rows are laid out again when its wrap state changed).
  void SetButton(int index, TBBUTTON* button);
  // Wraps the buttons to width; the rows made.
  int WrapToWidth(int width);
  // The height the buttons take laid out horizontally in width.
  int HeightForWidth(int width);

 protected:
  LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam) override;
};

// What both frames share: the bar, its tips, the sizes and the layout.
class KELT_CLASS CWrapToolBarFrame : public CFrameWnd {
 public:
  ~CWrapToolBarFrame() override;
  // Builds the toolbar of the current layout; non-zero on success.
  BOOL CreateToolBar();
  void DestroyToolBar();
  BOOL PreTranslateMessage(MSG* msg) override;
  void PostNcDestroy() override { delete this; }

  CWrappingToolBar* ToolBar() const { return m_pToolBar; }
  CToolTipCtrl* ToolTip() const { return m_pToolTip; }
  CWnd* Owner() const { return m_pOwnerControl; }
  int16_t Layout() const { return m_ToolbarLayout; }
  SIZE LargestSize() const { return m_largest; }
  int16_t EdgeAllowance() const { return m_edge; }

  HBITMAP m_hBitmap = nullptr;
  CWrappingToolBar* m_pToolBar = nullptr;
  CToolTipCtrl* m_pToolTip = nullptr;
  int16_t m_cx = 0, m_cy = 0;
  CWnd* m_pOwnerControl = nullptr;
  int16_t m_ToolbarLayout = 0;
  SIZE m_largest{0, 0};
  int16_t m_edge = 0;

 protected:
  CWrapToolBarFrame(bool overlay) : m_overlay(overlay) {}
  const kelt::toolbar::Layout& CurrentLayout() const;
  // Deletes and adds again the tool of every button of the layout whose
  // id has a text (text(id) null: no tool), then activates the tips.
  template <class TextFn>
  void ResetTips(TextFn text);
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  LRESULT OnInit(WPARAM, LPARAM);
  LRESULT OnCreateToolBar(WPARAM, LPARAM);
  LRESULT OnDestroyToolBar(WPARAM, LPARAM);
  LRESULT OnSizeToolBar(WPARAM, LPARAM);
  // Sends TB_ENABLEBUTTON and TB_CHECKBUTTON for one entry.
  void SetButtonState(int id, bool enabled, bool checked);
  DECLARE_MESSAGE_MAP()

 private:
  bool m_overlay;
};

class CCtlOPlot;
class CCtlSpt;

// The overlay plot control's frame (layouts 0 to 6).
class KELT_CLASS CWrapOPToolBar : public CWrapToolBarFrame {
  DECLARE_DYNAMIC(CWrapOPToolBar)
 public:
  CWrapOPToolBar() : CWrapToolBarFrame(true) {}
  void UpdateToolTips();
  // The tooltip of one button as the control's settings make it; empty
  // for an id outside the table.
  std::string ToolTipText(int id) const;
  // Whether a button is enabled and checked now (the toolbar refresh).
  void ButtonState(int id, bool* enabled, bool* checked) const;
  // The framework's command-update form, where some conditions differ.
  void CommandUpdateState(int id, bool* enabled, bool* checked) const;

 protected:
  CCtlOPlot* Control() const;
  LRESULT OnUpdateToolBar(WPARAM, LPARAM);
  void OnUpdateButton(CCmdUI* ui);
  DECLARE_MESSAGE_MAP()
};

// The spectrum control's frame (layouts 0 to 3).
class KELT_CLASS CWrapSptToolBar : public CWrapToolBarFrame {
  DECLARE_DYNAMIC(CWrapSptToolBar)
 public:
  CWrapSptToolBar() : CWrapToolBarFrame(false) {}
  void UpdateToolTips();
  std::string ToolTipText(int id) const;
  void ButtonState(int id, bool* enabled, bool* checked) const;
  // The control whose state the last WTBM_UPDATETOOLBAR carried.
  CCtlSpt* m_pShown = nullptr;

 protected:
  CCtlSpt* Shown() const;
  LRESULT OnUpdateToolBar(WPARAM, LPARAM);
  void OnUpdateButton(CCmdUI* ui);
  DECLARE_MESSAGE_MAP()
};

template <class TextFn>
void CWrapToolBarFrame::ResetTips(TextFn text) {
  if (!m_pOwnerControl || !m_pToolTip || !m_pToolTip->m_hWnd || !m_pToolBar) return;
  const kelt::toolbar::Layout& layout = CurrentLayout();
  for (int k = 0; k < layout.count; ++k) {
    const int id = layout.ids[k];
    if (id == 0) continue;
    const std::string tip = text(id);
    if (tip.empty()) continue;
    m_pToolTip->DelTool(m_pToolBar, static_cast<UINT_PTR>(id));
    RECT r{};
    m_pToolBar->GetItemRect(k, &r);
    m_pToolTip->AddTool(m_pToolBar, tip.c_str(), &r, static_cast<UINT_PTR>(id));
  }
  m_pToolTip->Activate(TRUE);
}
