// The control wrappers create their classes and drive them.
#include <gtest/gtest.h>

#include "framework/framework_controls.h"
#include "win/win_script.h"

TEST(FrameworkControlWrappers, EachWrapperMakesItsControlAndSendsItsMessages) {
  CWnd host;
  ASSERT_TRUE(host.CreateEx(0, nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
  CRect r(0, 0, 100, 20);
  CButton button;
  CStatic label;
  CEdit edit;
  CListBox list;
  CComboBox combo;
  CScrollBar scroll;
  CProgressCtrl progress;
  CSliderCtrl slider;
  CSpinButtonCtrl spin;
  CStatusBarCtrl status;
  CListCtrl listView;
  CTreeCtrl tree;
  CToolBarCtrl toolbar;
  ASSERT_TRUE(button.Create("OK", WS_VISIBLE | BS_AUTOCHECKBOX, r, &host, 1));
  ASSERT_TRUE(label.Create("Mass", WS_VISIBLE | SS_RIGHT, r, &host, 2));
  ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_AUTOHSCROLL, r, &host, 3));
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_NOTIFY, CRect(0, 0, 100, 80), &host, 4));
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(0, 0, 100, 80), &host, 5));
  ASSERT_TRUE(scroll.Create(WS_VISIBLE | SBS_HORZ, r, &host, 6));
  ASSERT_TRUE(progress.Create(WS_VISIBLE, r, &host, 7));
  ASSERT_TRUE(slider.Create(WS_VISIBLE, r, &host, 8));
  ASSERT_TRUE(spin.Create(WS_VISIBLE, r, &host, 9));
  ASSERT_TRUE(status.Create(WS_VISIBLE | SBARS_SIZEGRIP, r, &host, 10));
  ASSERT_TRUE(listView.Create(WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 100), &host, 11));
  ASSERT_TRUE(tree.Create(WS_VISIBLE | TVS_HASBUTTONS, CRect(0, 0, 200, 100), &host, 12));
  ASSERT_TRUE(toolbar.Create(WS_VISIBLE, r, &host, 13));
  struct Case {
    CWnd* wnd;
    const char* cls;
  } cases[] = {{&button, "Button"},          {&label, "Static"},
               {&edit, "Edit"},              {&list, "ListBox"},
               {&combo, "ComboBox"},         {&scroll, "ScrollBar"},
               {&progress, PROGRESS_CLASSA}, {&slider, TRACKBAR_CLASSA},
               {&spin, UPDOWN_CLASSA},       {&status, STATUSCLASSNAMEA},
               {&listView, WC_LISTVIEWA},    {&tree, WC_TREEVIEWA},
               {&toolbar, TOOLBARCLASSNAMEA}};
  for (auto& c : cases) EXPECT_EQ(win::script::ClassName(c.wnd->m_hWnd), c.cls);

  button.SetCheck(BST_CHECKED);
  EXPECT_EQ(button.GetCheck(), BST_CHECKED);
  edit.SetLimitText(4);
  EXPECT_EQ(list.AddString("b"), 0);
  EXPECT_EQ(list.AddString("a"), 1);
  EXPECT_EQ(list.FindStringExact(-1, "a"), 1);
  EXPECT_EQ(combo.AddString("x"), 0);
  EXPECT_EQ(combo.SetCurSel(0), 0);
  scroll.SetScrollRange(0, 10000);
  scroll.SetScrollPos(2500);
  EXPECT_EQ(scroll.GetScrollPos(), 2500);
  progress.SetRange32(0, 10);
  progress.SetPos(4);
  EXPECT_EQ(progress.GetPos(), 4);
  slider.SetRange(0, 120);
  slider.SetPos(130);
  EXPECT_EQ(slider.GetPos(), 120);
  spin.SetRange(0, 45);
  spin.SetPos(30);
  EXPECT_EQ(LOWORD(spin.GetPos()), 30);
  int parts[] = {50, -1};
  EXPECT_TRUE(status.SetParts(2, parts));
  EXPECT_TRUE(status.SetText("Ready", 1, 0));
  char buf[16];
  EXPECT_EQ(status.GetText(buf, 1), 5);
  EXPECT_EQ(listView.InsertColumn(0, "Name", LVCFMT_LEFT, 80), 0);
  EXPECT_EQ(listView.InsertItem(0, "Toluene"), 0);
  EXPECT_TRUE(listView.SetItemData(0, 91));
  EXPECT_EQ(listView.GetItemData(0), 91u);
  HTREEITEM root = tree.InsertItem("Data");
  HTREEITEM child = tree.InsertItem("run1.d", root);
  EXPECT_TRUE(tree.SetItemData(child, 7));
  EXPECT_EQ(tree.GetItemData(child), 7u);
  EXPECT_EQ(tree.GetChildItem(root), child);
  EXPECT_TRUE(tree.SelectItem(child));
  EXPECT_EQ(tree.GetSelectedItem(), child);
  CImageList images;
  EXPECT_TRUE(images.Create(16, 16, ILC_COLOR32, 4, 4));
  EXPECT_EQ(images.GetImageCount(), 0);
  host.DestroyWindow();
}
