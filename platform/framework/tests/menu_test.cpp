// CMenu: a loaded menu's sub-menu tracked as a context menu.
#include <gtest/gtest.h>

#include "framework/framework_menu.h"
#include "framework/framework_module.h"
#include "framework/framework_wnd.h"
#include "win/win_resources.h"
#include "win/win_script.h"

namespace {

class CHelpOwner : public CWnd {
 public:
  UINT command = 0;

 protected:
  void OnContextMenu(CWnd*, CPoint pt) {
    CMenu menu;
    if (!menu.LoadMenu(602)) return;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup) popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, this);
  }
  void OnWhatsThis() { command = 609; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHelpOwner, CWnd)
ON_WM_CONTEXTMENU()
ON_COMMAND(609, OnWhatsThis)
END_MESSAGE_MAP()

}  // namespace

TEST(FrameworkMenu, LoadedSubMenuIsTrackedAndItsCommandRoutedThroughTheMessageMap) {
  HMODULE module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7B000000));
  FrameworkExtensionModule ext;
  ASSERT_TRUE(FrameworkInitExtensionModule(ext, module));
  {
    CDynLinkLibrary library(ext);
    win::resources::MenuTemplate t;
    t.items = {{0, "Help", 0, {{609, "&What's This?", 0, {}}}}};
    win::resources::AddMenu(module, 602, t);
    CHelpOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr));
    win::script::ChooseNextMenuText("What's This?");
    win::script::Click(owner.m_hWnd, 20, 20, win::script::Button::Right);
    EXPECT_EQ(owner.command, 609u);
    ASSERT_EQ(win::script::MenuLog().size(), 1u);
    EXPECT_EQ(win::script::MenuLog().back().items.size(), 1u);
    owner.DestroyWindow();
  }
  FrameworkTermExtensionModule(ext);
  CMenu none;
  EXPECT_FALSE(none.LoadMenu(602));  // gone with its module
  HMENU h = nullptr;
  {
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    h = popup.m_hMenu;
    EXPECT_TRUE(popup.AppendMenu(MF_STRING, 1, "One"));
    EXPECT_EQ(popup.CheckMenuItem(1, MF_CHECKED), static_cast<UINT>(MF_UNCHECKED));
  }
  EXPECT_FALSE(IsMenu(h));  // destroyed with its owner
}
