// The tree view: insertion, item data, expansion, selection and its
// notifications, deletion.
#include "controls_test_support.h"

namespace {

class TreeViewTest : public ControlParentTest {
 protected:
  HTREEITEM Add(HWND tree, HTREEITEM parent, const char* text, LPARAM data, HTREEITEM after = TVI_LAST) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  }
  std::string TextOf(HWND tree, HTREEITEM h) {
    char buf[64] = {};
    TVITEMA it{};
    it.mask = TVIF_TEXT;
    it.hItem = h;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
  }
};

}  // namespace

TEST_F(TreeViewTest, ExpandSelectAndNotify) {
  HWND tree = Child(WC_TREEVIEWA, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER, 10,
                    10, 200, 160, 5);
  HTREEITEM data = Add(tree, TVI_ROOT, "Data", 1);
  HTREEITEM methods = Add(tree, TVI_ROOT, "Methods", 2);
  HTREEITEM run2 = Add(tree, data, "run2.d", 12);
  HTREEITEM run1 = Add(tree, data, "run1.d", 11, TVI_FIRST);
  HTREEITEM sorted = Add(tree, data, "run1b.d", 13, TVI_SORT);
  ASSERT_TRUE(data && methods && run1 && run2 && sorted);
  EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 5);
  HTREEITEM child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(data)));
  EXPECT_EQ(TextOf(tree, child), "run1.d");
  HTREEITEM second = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
  EXPECT_EQ(TextOf(tree, second), "run1b.d");
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(run2))), data);

  // Collapsed: the children are not visible; a click on the button expands.
  win::script::PumpUntilIdle();
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(data))), methods);
  seen.clear();
  win::script::Click(tree, 9, 8);  // the button of the first row
  EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(data), TVIS_EXPANDED));
  EXPECT_EQ(Seen(WM_NOTIFY, TVN_ITEMEXPANDINGA).size(), 1u);
  EXPECT_EQ(Seen(WM_NOTIFY, TVN_ITEMEXPANDEDA).size(), 1u);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(data))), run1);

  // Clicking a label selects it; the parent hears the old and new items with their data.
  LPARAM newData = 0;
  UINT action = 99;
  onNotify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == TVN_SELCHANGEDA) {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
      newData = nm->itemNew.lParam;
      action = nm->action;
    }
    return 0;
  };
  win::script::Click(tree, 60, 16 * 2 + 8);  // third visible row: run1b.d
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), sorted);
  EXPECT_EQ(newData, 13);
  EXPECT_EQ(action, static_cast<UINT>(TVC_BYMOUSE));
  win::script::PressKey(VK_DOWN);
  EXPECT_EQ(newData, 12);
  EXPECT_EQ(action, static_cast<UINT>(TVC_BYKEYBOARD));
  EXPECT_TRUE(win::script::SaveWindowPng(tree, "C:\\TEMP\\tree.png"));

  // A refusing parent keeps the selection.
  onNotify = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_SELCHANGINGA ? TRUE : 0; };
  EXPECT_FALSE(SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(methods)));
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), run2);
  onNotify = nullptr;

  // Collapsing the parent of the selection moves the selection to it.
  EXPECT_TRUE(SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(data)));
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), data);

  // Deleting a branch tells each item and forgets them.
  seen.clear();
  EXPECT_TRUE(SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(data)));
  EXPECT_EQ(Seen(WM_NOTIFY, TVN_DELETEITEMA).size(), 4u);
  EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), nullptr);
}

TEST_F(TreeViewTest, StaleHandlesAndBadParentsAreRefused) {
  HWND tree = Child(WC_TREEVIEWA, TVS_HASBUTTONS, 0, 0, 100, 100, 6);
  HTREEITEM a = Add(tree, TVI_ROOT, "a", 1);
  SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(Add(tree, a, "orphan", 2), nullptr);  // deleted parent
  HTREEITEM b = Add(tree, TVI_ROOT, "b", 3);
  EXPECT_EQ(Add(tree, TVI_ROOT, "x", 4, a), nullptr);  // insert after a stale item
  TVITEMA it{};
  it.mask = TVIF_PARAM;
  it.hItem = a;
  EXPECT_FALSE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
  EXPECT_FALSE(SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a)));
  EXPECT_FALSE(SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
  EXPECT_FALSE(SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a)));
  it.hItem = b;
  EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
  EXPECT_EQ(it.lParam, 3);
  DestroyWindow(tree);
  EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 0);
}
