// The spectrum control's clipboard copies, its mass-limits popup, the
// deconvolution entry of its context menu and the sort markers of its lists.
#include <algorithm>
#include <string>

#include "spectra/spectrum_managers.h"
#include "spectrumctl/ion_range_popup.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "win/win_clipboard.h"
#include "win/win_commctrl.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"

namespace {

struct ClipboardBitmap {
  int width = 0, height = 0;
  COLORREF at[2] = {CLR_INVALID, CLR_INVALID};
};

// The clipboard's bitmap, its size and the colours at two of its points.
ClipboardBitmap ReadClipboardBitmap(POINT p0, POINT p1) {
  ClipboardBitmap out;
  if (!OpenClipboard(nullptr)) return out;
  auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info{};
  if (bitmap && GetObjectA(bitmap, sizeof info, &info) == sizeof info) {
    out.width = info.bmWidth;
    out.height = info.bmHeight;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    out.at[0] = GetPixel(dc, p0.x, p0.y);
    out.at[1] = GetPixel(dc, p1.x, p1.y);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  CloseClipboard();
  return out;
}

void EmptyTheClipboard() {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
}

bool ClipboardHasBitmap() { return IsClipboardFormatAvailable(CF_BITMAP) != 0; }

std::vector<std::string> Texts(const win::script::MenuRecord& m) {
  std::vector<std::string> out;
  for (const auto& i : m.items) out.push_back(std::string(i.depth, '>') + (i.separator ? "-" : i.text));
  return out;
}
bool Has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

class SptClipboardTest : public SptControlTest {
 protected:
  void SetUp() override {
    SptControlTest::SetUp();
    EmptyTheClipboard();
  }
  // A control in a data-review window, with a manager, showing A.
  HWND ReviewControl(sptfix::Spt& a) {
    HWND w = MakeControl();
    drm = std::make_unique<CDataReviewManager>(nullptr, nullptr, 0);
    SendMessageA(w, SPTM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(drm.get()));
    SendPair(w, a.get(), nullptr);
    win::script::PumpUntilIdle();
    return w;
  }
  void TearDown() override {
    if (IsWindow(host)) DestroyWindow(host);
    drm.reset();
    SptControlTest::TearDown();
  }
  std::unique_ptr<CDataReviewManager> drm;
};

TEST_F(SptClipboardTest, TheClipboardMessageCopiesThePlotRectangleWhenItsTimerFires) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(60);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(c->m_scalesValid, 1);
  SendMessageA(w, SPTM_SENDBITMAPOFWINDOWTOCLIPBOARD, 0, 0);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(ClipboardHasBitmap());  // not before the timer
  win::script::AdvanceClock(500);
  win::script::PumpUntilIdle();
  ASSERT_TRUE(ClipboardHasBitmap());
  // The picture is the window's: a pixel inside the plot and the outline's corner.
  const POINT inside{c->m_plotLeft + 4 + c->m_vertScaleWidth + 20, c->m_plotTop + 10};
  const ClipboardBitmap copy = ReadClipboardBitmap({inside.x - c->m_plotLeft, inside.y - c->m_plotTop}, {0, 0});
  EXPECT_EQ(copy.width, c->m_plotWidth);
  EXPECT_EQ(copy.height, c->m_plotHeight);
  EXPECT_EQ(copy.at[0], win::script::WindowPixel(w, inside.x, inside.y));
  EXPECT_EQ(copy.at[1], win::script::WindowPixel(w, c->m_plotLeft, c->m_plotTop));
  // The timer ran once.
  EmptyTheClipboard();
  win::script::AdvanceClock(2000);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(ClipboardHasBitmap());
}

TEST_F(SptClipboardTest, TheControlToBitmapMessageNeedsDrawnSpectra) {
  HWND w = MakeControl();
  SendMessageA(w, SPTM_CONTROLTOBIPMAP, 0, 0);
  win::script::AdvanceClock(600);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(ClipboardHasBitmap());
  sptfix::Spt a = Messy(61);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  SendMessageA(w, SPTM_CONTROLTOBIPMAP, 0, 0);
  win::script::AdvanceClock(600);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(ClipboardHasBitmap());
}

TEST_F(SptClipboardTest, TheContextMenusClipboardItemCopiesAfterTheMenuHasGone) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(62);
  SendPair(w, a.get(), nullptr);
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  win::script::ChooseNextMenuItem(8204);
  win::script::Click(w, c->m_plotLeft + 4 + c->m_vertScaleWidth + 30, c->m_plotTop + 4 + c->m_paneHeight[0] / 2,
                     win::script::Button::Right);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pMenu, nullptr);
  win::script::AdvanceClock(500);
  win::script::PumpUntilIdle();
  EXPECT_TRUE(ClipboardHasBitmap());
}

TEST_F(SptClipboardTest, ABitmapDragCopiesTheDraggedPieceOfTheWindow) {
  sptfix::Spt a = Messy(63);
  HWND w = ReviewControl(a);
  CCtlSpt* c = Control(w);
  c->m_clickDragMode = SPT_DRAG_BITMAP;
  const int x0 = c->m_plotLeft + 4 + c->m_vertScaleWidth + 40, y0 = c->m_plotTop + 4 + 10;
  const double lo = c->m_massLow, hi = c->m_massHigh;
  // Smaller than 24 by 24: nothing.
  win::script::Drag(w, POINT{x0, y0}, POINT{x0 + 40, y0 + 20});
  win::script::PumpUntilIdle();
  EXPECT_FALSE(ClipboardHasBitmap());
  win::script::Drag(w, POINT{x0, y0}, POINT{x0 + 120, y0 + 80});
  win::script::PumpUntilIdle();
  ASSERT_TRUE(ClipboardHasBitmap());
  const ClipboardBitmap copy = ReadClipboardBitmap({60, 40}, {0, 0});
  EXPECT_EQ(copy.width, 121);
  EXPECT_EQ(copy.height, 81);
  EXPECT_EQ(copy.at[0], win::script::WindowPixel(w, x0 + 60, y0 + 40));
  EXPECT_EQ(copy.at[1], win::script::WindowPixel(w, x0, y0));
  // A copy is no zoom.
  EXPECT_DOUBLE_EQ(c->m_massLow, lo);
  EXPECT_DOUBLE_EQ(c->m_massHigh, hi);
}

// ---- The mass-limits popup ---------------------------------------------------------

HWND Popup(CCtlSpt* c) { return c->m_hIonListPopup; }

TEST_F(SptClipboardTest, TheIonRangePopupCollectsDraggedRangesUpToTen) {
  sptfix::Spt a = Messy(64);
  HWND w = ReviewControl(a);
  CCtlSpt* c = Control(w);
  c->m_clickDragMode = SPT_DRAG_ZOOM;
  c->m_singleClickMode = SPT_CLICK_EXPORT;
  SendMessageA(w, WM_COMMAND, 8208, 0);
  HWND popup = Popup(c);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(win::script::Text(popup), "Click and/or Click and Drag to Select Ion Ranges");
  EXPECT_EQ(c->m_clickDragMode, SPT_DRAG_CHROMATOGRAM);
  EXPECT_EQ(c->m_singleClickMode, SPT_CLICK_SELECT_MASS);
  // A second command leaves the open popup alone.
  SendMessageA(w, WM_COMMAND, 8208, 0);
  EXPECT_EQ(Popup(c), popup);

  const double lo = c->m_massLow, hi = c->m_massHigh;
  const int x1 = c->m_plotLeft + 4 + c->m_vertScaleWidth;
  const int y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  for (int i = 0; i < 11; ++i)
    win::script::Drag(w, POINT{x1 + 20 + 50 * i, y}, POINT{x1 + 40 + 50 * i, y});
  win::script::PumpUntilIdle();
  // The ranges went to the popup, not to the scales.
  EXPECT_DOUBLE_EQ(c->m_massLow, lo);
  EXPECT_DOUBLE_EQ(c->m_massHigh, hi);
  const std::string shown = win::script::GetField(popup, ION_RANGE_TEXT);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '+'), 9) << shown;  // ten ranges, the eleventh "FULL"
  EXPECT_NE(win::script::FindByText(nullptr, "FULL"), nullptr);
  EXPECT_EQ(SendMessageA(w, SPTM_GETNEWMASSLIMITS, 0, 0), 0);

  // "Change" hands the list over and tells the parent.
  ASSERT_TRUE(win::script::PressButton(popup, ION_RANGE_CHANGE));
  win::script::PumpUntilIdle();
  STRUCT_MASS_LIST list{};
  ASSERT_EQ(SendMessageA(w, SPTM_GETNEWMASSLIMITS, 0, reinterpret_cast<LPARAM>(&list)), 1);
  EXPECT_EQ(uint32_t(list.kind), static_cast<uint32_t>(MASS_LIST_RANGES));
  EXPECT_EQ(int(list.count), 10);
  EXPECT_LT(double(list.ranges[0].low), double(list.ranges[0].high));
  EXPECT_GT(double(list.ranges[0].low), lo);
  EXPECT_EQ(CountNotices(SPTN_NEW_MASS_LIMITS), 1);

  // Closing tells the control once and gives the mouse its modes back.
  SendMessageA(popup, WM_COMMAND, IDCANCEL, 0);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(Popup(c), nullptr);
  EXPECT_EQ(c->m_clickDragMode, SPT_DRAG_ZOOM);
  EXPECT_EQ(c->m_singleClickMode, SPT_CLICK_EXPORT);
  // Opening again shows the kept limits.
  SendMessageA(w, WM_COMMAND, 8208, 0);
  ASSERT_NE(Popup(c), nullptr);
  EXPECT_EQ(win::script::GetField(Popup(c), ION_RANGE_TEXT), shown);
}

TEST_F(SptClipboardTest, TypedTextsBecomeTheListOrLeaveNone) {
  sptfix::Spt a = Messy(65);
  HWND w = ReviewControl(a);
  CCtlSpt* c = Control(w);
  SendMessageA(w, WM_COMMAND, 8208, 0);
  HWND popup = Popup(c);
  ASSERT_NE(popup, nullptr);
  struct Case {
    const char* typed;
    LRESULT handed;  // what SPTM_GETNEWMASSLIMITS answers after "Change"
    uint16_t count;
  };
  const Case cases[] = {
      {"91+105.5-106.5", 1, 2},
      {"not masses", 0, 0},   // no ranges: "Change" hands 0
      {"50:60", 1, 1},
      {"RIC", 1, 0},          // a whole-trace kind is a list too
  };
  for (const Case& k : cases) {
    ASSERT_TRUE(win::script::SetField(popup, ION_RANGE_EDIT, k.typed));
    // Enter inside the edit neither closes the popup nor takes the text.
    win::script::PressKey(VK_RETURN);
    win::script::PumpUntilIdle();
    ASSERT_TRUE(IsWindow(popup)) << k.typed;
    ASSERT_TRUE(win::script::PressButton(popup, ION_RANGE_CHANGE));
    win::script::PumpUntilIdle();
    STRUCT_MASS_LIST list{};
    EXPECT_EQ(SendMessageA(w, SPTM_GETNEWMASSLIMITS, 0, reinterpret_cast<LPARAM>(&list)), k.handed) << k.typed;
    if (k.handed) {
      EXPECT_EQ(int(list.count), int(k.count)) << k.typed;
    }
  }
  // "Clear" empties the list shown.
  ASSERT_TRUE(win::script::PressButton(popup, ION_RANGE_CLEAR));
  EXPECT_EQ(win::script::GetField(popup, ION_RANGE_TEXT), "");
  // Destroying the control closes its popup without leaking its record.
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(popup));
}

// ---- Deconvolution in the context menu ----------------------------------------------

TEST_F(SptClipboardTest, DeconvolutionIsOfferedForProfileDataWhenTheProgramExists) {
  sptfix::Spt profile = sptfix::Precise(sptfix::MessyProfile(66, 3000, 40, 0.1), true);
  PlusSpt_UpdateBasePeak(profile.get());
  HWND w = ReviewControl(profile);
  CCtlSpt* c = Control(w);
  const int x = c->m_plotLeft + 4 + c->m_vertScaleWidth + 40, y = c->m_plotTop + 4 + c->m_paneHeight[0] / 2;
  auto items = [&] {
    win::script::DismissNextMenu();
    win::script::Click(w, x, y, win::script::Button::Right);
    return Texts(win::script::MenuLog().back());
  };
  char program[MAX_PATH + 16] = {};
  EXPECT_FALSE(GetDeconvolutionProgramPath(program));
  EXPECT_FALSE(Has(items(), "Deconvolute Spectrum A..."));
  const std::string path = program;
  ASSERT_GE(path.size(), 10u);
  EXPECT_EQ(path.substr(path.size() - 11), "\\Dravik.exe");
  HANDLE f = CreateFileA(program, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  EXPECT_TRUE(GetDeconvolutionProgramPath(program));
  EXPECT_TRUE(Has(items(), "Deconvolute Spectrum A..."));
  // Centroid data needs the "DeconForCentroid" setting.
  sptfix::Spt centroid = Messy(67);
  SendPair(w, centroid.get(), nullptr);
  win::script::PumpUntilIdle();
  EXPECT_FALSE(Has(items(), "Deconvolute Spectrum A..."));
}

// ---- Sort markers ---------------------------------------------------------------------

TEST(SpectraInfoSortMarkers, EachSortedColumnMarksItsHeaders) {
  struct Case {
    int sort, columns;
    std::vector<int16_t> icons;
  };
  const Case cases[] = {
      {-1, 5, {802, 802, 802, 802, 802}}, {0, 5, {801, 802, 802, 802, 802}}, {2, 5, {800, 803, 803, 802, 802}},
      {3, 5, {800, 802, 802, 803, 803}},  {1, 3, {800, 803, 803}},           {0, 3, {801, 802, 802}},
  };
  for (const Case& k : cases) {
    std::vector<int16_t> icons(k.columns, 0);
    kelt::sptinfo::SortMarkers(k.sort, k.columns, icons.data());
    EXPECT_EQ(icons, k.icons) << "sort " << k.sort;
  }
}

TEST_F(SptClipboardTest, TheIonPageHeadersShowTheSortMarkers) {
  HWND w = MakeControl();
  sptfix::Spt a = Messy(68), b = Messy(69);
  SendPair(w, a.get(), b.get());
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 1, 0);
  win::script::PumpUntilIdle();
  CWrapCtlSptInfo* info = Control(w)->m_pInfo;
  ASSERT_NE(info, nullptr);
  HWND header = reinterpret_cast<HWND>(info->m_pList->SendMessage(LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  auto image = [&](int column) {
    HDITEMA item{};
    item.mask = HDI_IMAGE | HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    return (item.fmt & HDF_IMAGE) ? item.iImage + SPTINFO_ICON_FIRST : -1;
  };
  EXPECT_EQ(image(0), 801);  // in mass order
  EXPECT_EQ(image(3), 802);
  SendMessageA(info->m_hWnd, WM_USER + 24, 3, 0);
  EXPECT_EQ(image(0), 800);
  EXPECT_EQ(image(3), 803);
  EXPECT_EQ(image(4), 803);
  EXPECT_EQ(image(1), 802);
  EXPECT_NE(SendMessageA(header, HDM_GETIMAGELIST, 0, 0), 0);
  // The information page is not sorted; the ion page gets its order back.
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 2, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(image(0), 802);
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(image(3), 803);
}

}  // namespace
