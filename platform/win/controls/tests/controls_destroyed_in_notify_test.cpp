// A parent that destroys a control while the control is telling it
// something: the control stops cleanly, nothing is touched afterwards.
#include "controls_test_support.h"

namespace {
class DestroyedInNotifyTest : public ControlParentTest {
 public:
  HWND Make(const char* cls, DWORD style, int w, int h, int id) { return Child(cls, style, 0, 0, w, h, id); }
};
}  // namespace

TEST_F(DestroyedInNotifyTest, EachControlSurvivesItsParentDestroyingIt) {
  struct Case {
    const char* name;
    std::function<HWND(DestroyedInNotifyTest&)> make;
    UINT msg;
    UINT code;
    std::function<void(HWND)> act;
  };
  std::vector<Case> cases = {
      {"list view, item changed",
       [](DestroyedInNotifyTest& t) {
         HWND lv = t.Make(WC_LISTVIEWA, LVS_REPORT | LVS_OWNERDATA, 200, 150, 1);
         LVCOLUMNA col{};
         col.mask = LVCF_WIDTH;
         col.cx = 150;
         SendMessageA(lv, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
         SendMessageA(lv, LVM_SETITEMCOUNT, 50, 0);
         return lv;
       },
       WM_NOTIFY, LVN_ITEMCHANGED, [](HWND h) { win::script::Click(h, 20, 30); }},
      {"tree view, selection changed",
       [](DestroyedInNotifyTest& t) {
         HWND tv = t.Make(WC_TREEVIEWA, TVS_HASBUTTONS, 200, 150, 2);
         TVINSERTSTRUCTA ins{};
         ins.hParent = TVI_ROOT;
         ins.hInsertAfter = TVI_LAST;
         ins.item.mask = TVIF_TEXT;
         ins.item.pszText = const_cast<char*>("item");
         SendMessageA(tv, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
         return tv;
       },
       WM_NOTIFY, TVN_SELCHANGEDA, [](HWND h) { win::script::Click(h, 30, 8); }},
      {"toolbar, command",
       [](DestroyedInNotifyTest& t) {
         HWND tb = t.Make(TOOLBARCLASSNAMEA, CCS_NORESIZE, 200, 30, 3);
         TBBUTTON b{-1, 77, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0};
         SendMessageA(tb, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b));
         return tb;
       },
       WM_COMMAND, BN_CLICKED, [](HWND h) { win::script::Click(h, 10, 12); }},
      {"up-down, delta",
       [](DestroyedInNotifyTest& t) { return t.Make(UPDOWN_CLASSA, 0, 16, 30, 4); },
       WM_NOTIFY, UDN_DELTAPOS, [](HWND h) { win::script::Click(h, 8, 4); }},
      {"track bar, scroll",
       [](DestroyedInNotifyTest& t) { return t.Make(TRACKBAR_CLASSA, 0, 200, 30, 5); },
       WM_HSCROLL, TB_PAGEDOWN, [](HWND h) { win::script::Click(h, 150, 15); }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND control = c.make(*this);
    ASSERT_NE(control, nullptr);
    win::script::PumpUntilIdle();
    bool destroyed = false;
    auto destroyOnce = [&] {
      if (!destroyed && IsWindow(control)) {
        destroyed = true;
        DestroyWindow(control);
      }
    };
    onNotify = [&](NMHDR* hdr) -> LRESULT {
      if (hdr->code == c.code) destroyOnce();
      return 0;
    };
    onMessage = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
      if ((m == WM_COMMAND && HIWORD(w) == c.code && c.msg == WM_COMMAND) ||
          (m == WM_HSCROLL && LOWORD(w) == c.code && c.msg == WM_HSCROLL)) {
        destroyOnce();
        *r = 0;
        return true;
      }
      return false;
    };
    seen.clear();
    c.act(control);
    win::script::PumpUntilIdle();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(control));
    onNotify = nullptr;
    onMessage = nullptr;
  }
}
