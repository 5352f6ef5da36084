// The list view: an owner-data list of 100,000 rows asks only for the rows
// it shows; selection, notifications and bad input.
#include <algorithm>
#include <set>

#include "controls_test_support.h"

namespace {

class ListViewTest : public ControlParentTest {
 protected:
  HWND MakeList(DWORD style) {
    HWND list = Child(WC_LISTVIEWA, LVS_REPORT | style, 10, 10, 300, 200, 77);
    const char* names[] = {"Name", "Mass", "Area"};
    for (int k = 0; k < 3; ++k) {
      LVCOLUMNA col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      col.fmt = k == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
      col.cx = k == 0 ? 120 : 80;
      col.pszText = const_cast<char*>(names[k]);
      EXPECT_EQ(SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(&col)), k);
    }
    return list;
  }
};

}  // namespace

TEST_F(ListViewTest, OwnerDataListAsksOnlyForTheRowsItShows) {
  std::set<int> asked;
  int hints = 0, hintFrom = -1, hintTo = -1;
  char text[64];
  onNotify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == LVN_GETDISPINFOA) {
      auto* di = reinterpret_cast<NMLVDISPINFOA*>(hdr);
      asked.insert(di->item.iItem);
      std::snprintf(text, sizeof text, "row %d col %d", di->item.iItem, di->item.iSubItem);
      di->item.pszText = text;
    } else if (hdr->code == LVN_ODCACHEHINT) {
      auto* hint = reinterpret_cast<NMLVCACHEHINT*>(hdr);
      ++hints;
      hintFrom = hint->iFrom;
      hintTo = hint->iTo;
    }
    return 0;
  };
  HWND list = MakeList(LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  SendMessageA(list, LVM_SETITEMCOUNT, 100000, 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 100000);
  win::script::PumpUntilIdle();
  int perPage = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(perPage, 5);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(*asked.begin(), 0);
  EXPECT_LE(*asked.rbegin(), perPage);  // a partly shown last row may be asked
  EXPECT_GE(hints, 1);
  EXPECT_EQ(hintFrom, 0);

  // Far down: only that page is asked.
  asked.clear();
  EXPECT_TRUE(SendMessageA(list, LVM_ENSUREVISIBLE, 50000, FALSE));
  win::script::PumpUntilIdle();
  int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  EXPECT_LE(top, 50000);
  EXPECT_GT(top + perPage, 50000);
  ASSERT_FALSE(asked.empty());
  EXPECT_GE(*asked.begin(), top);
  EXPECT_LE(*asked.rbegin(), top + perPage);
  EXPECT_EQ(hintFrom, top);
  EXPECT_GE(hintTo, 50000);
  EXPECT_LE(asked.size(), static_cast<size_t>(perPage + 1));

  // A click selects the row under the pointer; the change is told.
  seen.clear();
  RECT r{LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 50000, reinterpret_cast<LPARAM>(&r)));
  win::script::Click(list, 30, (r.top + r.bottom) / 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 50000);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  auto changed = Seen(WM_NOTIFY, LVN_ITEMCHANGED);
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(Seen(WM_NOTIFY, NM_CLICK).size(), 1u);
  // Arrow down moves the single selection.
  win::script::PressKey(VK_DOWN);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 50001);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_TRUE(win::script::SaveWindowPng(list, "C:\\TEMP\\ownerdata.png"));

  // The count shrinks below the selection: the selection goes, nothing beyond the count is asked.
  asked.clear();
  SendMessageA(list, LVM_SETITEMCOUNT, 20, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 20 - std::min(20, perPage));
  ASSERT_FALSE(asked.empty());
  EXPECT_LT(*asked.rbegin(), 20);
}

TEST_F(ListViewTest, OutOfRangeItemsAndBadArgumentsFailCleanly) {
  HWND list = MakeList(LVS_OWNERDATA);
  SendMessageA(list, LVM_SETITEMCOUNT, 10, 0);
  LVITEMA it{};
  it.stateMask = LVIS_SELECTED;
  it.state = LVIS_SELECTED;
  EXPECT_FALSE(SendMessageA(list, LVM_SETITEMSTATE, 10, reinterpret_cast<LPARAM>(&it)));
  EXPECT_FALSE(SendMessageA(list, LVM_SETITEMSTATE, 3, 0));
  EXPECT_FALSE(SendMessageA(list, LVM_ENSUREVISIBLE, 99, FALSE));
  EXPECT_FALSE(SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(-5), FALSE));
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 12, LVIS_SELECTED), 0);
  EXPECT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)), -1);  // owner data holds no items
  EXPECT_EQ(SendMessageA(list, LVM_INSERTCOLUMNA, 0, 0), -1);
  RECT r{};
  EXPECT_FALSE(SendMessageA(list, LVM_GETITEMRECT, 10, reinterpret_cast<LPARAM>(&r)));
  // Selecting all of an owner-data list is told once, for item -1.
  seen.clear();
  EXPECT_TRUE(SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it)));
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 10);
  auto changed = Seen(WM_NOTIFY, LVN_ITEMCHANGED);
  EXPECT_EQ(changed.size(), 1u);
  DestroyWindow(list);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);  // a destroyed control answers nothing
}

TEST_F(ListViewTest, ItemsWithTextsSortAndMultipleSelection) {
  HWND list = MakeList(0);
  const char* names[] = {"Toluene", "Benzene", "Xylene", "Styrene"};
  for (int i = 0; i < 4; ++i) {
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = i;
    it.pszText = const_cast<char*>(names[i]);
    it.lParam = 100 + i;
    ASSERT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)), i);
    LVITEMA sub{};
    sub.iSubItem = 1;
    std::string mass = std::to_string(90 + i);
    sub.pszText = mass.data();
    EXPECT_TRUE(SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&sub)));
  }
  char buf[32];
  LVITEMA get{};
  get.iSubItem = 1;
  get.pszText = buf;
  get.cchTextMax = sizeof buf;
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMTEXTA, 2, reinterpret_cast<LPARAM>(&get)), 2);
  EXPECT_STREQ(buf, "92");
  // Sorting by the parameter descending.
  auto byParamDesc = [](LPARAM a, LPARAM b, LPARAM) -> int { return static_cast<int>(b - a); };
  EXPECT_TRUE(SendMessageA(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(+byParamDesc)));
  get.iSubItem = 0;
  SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_STREQ(buf, "Styrene");
  // Click, then ctrl-click: two selected; a plain click leaves one.
  win::script::PumpUntilIdle();
  RECT r0{LVIR_BOUNDS, 0, 0, 0}, r2{LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
  SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r2));
  win::script::Click(list, 20, (r0.top + r0.bottom) / 2);
  win::script::KeyDown(VK_CONTROL);
  win::script::Click(list, 20, (r2.top + r2.bottom) / 2);
  win::script::KeyUp(VK_CONTROL);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, 0, LVNI_SELECTED), 2);
  win::script::Click(list, 20, (r2.top + r2.bottom) / 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  // A column header click is told with its column.
  seen.clear();
  win::script::Click(list, 150, 8);
  auto clicks = Seen(WM_NOTIFY, LVN_COLUMNCLICK);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_TRUE(SendMessageA(list, LVM_DELETEITEM, 1, 0));
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_FALSE(SendMessageA(list, LVM_DELETEITEM, 3, 0));
}
