// The segment information bar: block positions, labels, the scan axis,
// clicks and the hover popup.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/display_helpers.h"
#include "common/plot_titles.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "overlayctl/segment_info_window.h"
#include "overlayctl/tests/control_fixture.h"
#include "plotengine/tests/recorded_drawing.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace {

class SegmentBarTest : public OPlotTest {
 protected:
  void SetUp() override {
    OPlotTest::SetUp();
    // A processed run: its acquisition log describes each segment.
    msfix::DHPlan plan;
    plan.run.seed = 61;
    plan.run.scans = 600;
    path_ = "C:\\Data\\segments.kms";
    std::filesystem::create_directories(std::filesystem::path(win::paths::ToHost(path_)).parent_path());
    msfix::DHTruth dh;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(win::paths::ToHost(path_), win::paths::ToHost("C:\\Data\\segments.mth"),
                                              plan, &dh));
    truth_ = dh.run;
    wf_ = MakeWorkFileStruct(path_.c_str(), 0);
    ASSERT_NE(wf_, nullptr);
    ASSERT_EQ(+wf_->msInfo.segmentCount, 3u);
  }
  void TearDown() override {
    FreeWorkFileStruct(wf_);
    OPlotTest::TearDown();
  }
  // A bar of 700 by 40 in the host, showing the file over [from, to] on x 50..650.
  CCtlSegInfo* MakeBar(double from, double to) {
    CWnd* parent = CWnd::FromHandle(host);
    CCtlSegInfo* bar = CreateSegmentInfoControl(parent, 70, 0, 0, 700, 40, nullptr);
    if (!bar) return nullptr;
    Show(bar, from, to);
    return bar;
  }
  void Show(CCtlSegInfo* bar, double from, double to) {
    STRUCT_SEGINFO_SHOW show{};
    show.workFile = wf_;
    show.plotIndex = 1;
    show.startTime = from;
    show.endTime = to;
    show.plotLeft = 50;
    show.plotWidth = 600;
    bar->SendMessage(SIM_SHOWSEGMENTINFO, 0, reinterpret_cast<LPARAM>(&show));
    bar->UpdateWindow();
  }
  static void Destroy(CCtlSegInfo* bar) {
    bar->DestroyWindow();
    delete bar;
  }
  std::string path_;
  msfix::RunTruth truth_;
  STRUCT_WORK_FILE* wf_ = nullptr;
};

// Blocks follow the time axis: each segment's ends are its times on the
// plot's scale; a segment cut by the range starts or ends at the edge.
TEST_F(SegmentBarTest, BlocksLieAtTheirSegmentsTimes) {
  const double from = 3.0, to = 11.0;
  CCtlSegInfo* bar = MakeBar(from, to);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->drawn, 1);
  ASSERT_EQ(bar->segCount, 3);
  const double scale = 600.0 / (to - from);
  auto x = [&](double t) { return static_cast<int>(50 + (t - from) * scale); };
  EXPECT_EQ(bar->firstVisible, 0);
  EXPECT_EQ(bar->lastVisible, 2);
  const STRUCT_SEG_DRAW_INFO* e = bar->segInfo;
  EXPECT_EQ(e[0].left, 51);  // starts before the range
  EXPECT_EQ(e[0].right, x(e[0].lastTime));
  EXPECT_EQ(e[1].left, x(e[1].firstTime));
  EXPECT_EQ(e[1].right, x(e[1].lastTime));
  EXPECT_EQ(e[2].left, x(e[2].firstTime));
  EXPECT_EQ(e[2].right, 649);  // ends after it
  EXPECT_EQ(bar->midY, 39 - (39 >> 1));
  // Scrolled to the middle segment alone: the others are not drawn.
  Show(bar, e[1].firstTime + 0.2, e[1].lastTime - 0.2);
  EXPECT_EQ(bar->firstVisible, 1);
  EXPECT_EQ(bar->lastVisible, 1);
  EXPECT_EQ(e[0].left, -1);
  EXPECT_EQ(e[2].right, -1);
  // A range after the last segment: only the background.
  Show(bar, 20.0, 25.0);
  EXPECT_EQ(bar->drawn, 0);
  EXPECT_EQ(win::script::WindowPixel(bar->m_hWnd, 300, 10), bar->prefs.colors.colors[0]);
  Destroy(bar);
}

// A label too wide for its block is cut at its commas, then shortened to
// "Seg n", then to "n", then left out.
TEST_F(SegmentBarTest, LabelsAreShortenedToTheirBlock) {
  STRUCT_SEG_DRAW_INFO entry[2]{};
  std::snprintf(entry[1].text, sizeof entry[1].text, "Volatiles, EI+, full scan 40-400");
  // Widths as the drawing measures them.
  SIZE cell{};
  auto width = [&](const char* text) {
    SIZE size{};
    Record([&](HDC dc) { KELT_GetTextSize(CDC::FromHandle(dc), text, &size); }, &cell);
    return static_cast<int>(size.cx);
  };
  // The block's room is its width less 2; a label needs more room than its width.
  struct Case {
    int width;
    const char* label;  // null: none
  } cases[] = {{width("Volatiles, EI+, full scan 40-400") + 3, "Volatiles, EI+, full scan 40-400"},
               {width("Volatiles, EI+") + 3, "Volatiles, EI+"},
               {width("Volatiles") + 3, "Volatiles"},
               {width("Seg 2") + 3, "Seg 2"},
               {width("2") + 3, "2"},
               {width("2") + 1, nullptr}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.width);
    entry[0] = entry[1];
    entry[0].text[0] = 0;
    STRUCT_SEGINFO_DRAW r{};
    r.mode = 0;
    r.x1 = 10;
    r.y1 = 39;
    r.x2 = 10 + k.width;
    r.y2 = 0;
    r.charWidth = static_cast<int16_t>(cell.cx);
    r.charHeight = static_cast<int16_t>(cell.cy);
    r.startTime = wf_->startTime - 1;  // the second entry spans the block
    r.endTime = wf_->endTime + 1;
    r.workFile = wf_;
    entry[0].firstTime = r.startTime - 2;
    entry[0].lastTime = r.startTime - 1;
    // The second segment runs past both ends: its block spans x1 + 1 .. x2 - 1.
    entry[1].firstTime = r.startTime - 0.5;
    entry[1].lastTime = r.endTime + 0.5;
    r.segInfo = entry;
    r.segCount = 2;
    const Drawing d = Record([&](HDC dc) { OPLOT_DrawSegmentInfo(CDC::FromHandle(dc), &r); });
    std::vector<std::string> labels;
    for (const std::string& t : d.Texts())
      if (t != "Scans" && t.find_first_not_of("0123456789") != std::string::npos) labels.push_back(t);
    if (k.label && std::string(k.label) == "2") {
      EXPECT_NE(d.FindText("2"), nullptr);
    } else if (k.label) {
      ASSERT_EQ(labels.size(), 1u) << ::testing::PrintToString(d.Texts());
      EXPECT_EQ(labels[0], k.label);
    } else {
      EXPECT_TRUE(labels.empty()) << ::testing::PrintToString(d.Texts());
      EXPECT_EQ(d.FindText("2"), nullptr);
    }
  }
}

// The scan axis labels scans of the file at their times.
TEST_F(SegmentBarTest, ScanAxisLabelsAreTheFilesScanNumbers) {
  STRUCT_SEGINFO_DRAW r{};
  r.mode = 1;
  r.x1 = 0;
  r.y1 = 400;
  r.x2 = 6000;
  r.y2 = 0;
  r.charWidth = 60;
  r.charHeight = 120;
  r.startTime = wf_->startTime;
  r.endTime = wf_->endTime;
  r.workFile = wf_;
  int16_t count = 0;
  r.segInfo = MakeSegmentDrawInfoStruct(wf_, &count, 1);
  r.segCount = count;
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.emplace_back(r.segInfo[i].text);
  ASSERT_EQ(lines.size(), 3u);
  ASSERT_FALSE(lines[1].empty());
  const Drawing d = Record([&](HDC dc) {
    HFONT font = CreateFontA(-100, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    SelectObject(dc, font);
    OPLOT_DrawSegmentInfo(CDC::FromHandle(dc), &r);
    DeleteObject(font);
  });
  FreeBlock(r.segInfo);
  int scans = 0;
  const double scale = 6000.0 / (r.endTime - r.startTime);
  for (const DrawnText& t : d.texts) {
    if (t.text.find_first_not_of("0123456789") != std::string::npos) continue;
    const uint32_t scan = static_cast<uint32_t>(std::stoul(t.text));
    ASSERT_GE(scan, truth_.firstScan);
    ASSERT_LT(scan - truth_.firstScan, truth_.scanTimes.size());
    // The label stands centred under its scan's time.
    const double x = (truth_.scanTimes[scan - truth_.firstScan] - r.startTime) * scale;
    EXPECT_NEAR(t.x, x, 60 * static_cast<double>(t.text.size())) << t.text;
    ++scans;
  }
  EXPECT_GE(scans, 3);
  EXPECT_NE(d.FindText("Scans"), nullptr);
  // Each block shows its segment's line, whole or cut at a comma.
  for (const std::string& line : lines) {
    bool seen = false;
    for (const std::string& t : d.Texts())
      seen |= !t.empty() && line.rfind(t, 0) == 0 && (t.size() == line.size() || line[t.size()] == ',');
    EXPECT_TRUE(seen) << line << " " << ::testing::PrintToString(d.Texts());
  }
}

// A click names its segment once; a still hover opens the popup, a moving one does not.
TEST_F(SegmentBarTest, ClicksAndHoverPopup) {
  CCtlSegInfo* bar = MakeBar(wf_->startTime, wf_->endTime);
  ASSERT_NE(bar, nullptr);
  HWND w = bar->m_hWnd;
  uint32_t value = 0xDEADBEEF;
  EXPECT_EQ(SendMessageA(w, SIM_GETSEGMENTNO, 0, reinterpret_cast<LPARAM>(&value)), 0);
  EXPECT_EQ(value, 0xDEADBEEFu);
  const STRUCT_SEG_DRAW_INFO& middle = bar->segInfo[1];
  const int x = (middle.left + middle.right) / 2;
  Notices().clear();
  win::script::Click(w, x, 5);
  ASSERT_FALSE(Notices().empty());
  EXPECT_EQ(Notices().back().id, 70);
  EXPECT_EQ(Notices().back().code, 1);
  EXPECT_EQ(SendMessageA(w, SIM_GETSEGMENTNO, 0, reinterpret_cast<LPARAM>(&value)), 1);
  EXPECT_EQ(value, (3u << 16) | 1u);
  EXPECT_EQ(SendMessageA(w, SIM_GETSEGMENTNO, 0, reinterpret_cast<LPARAM>(&value)), 0);

  // Still for a second over the block: the popup shows the segment's line.
  win::script::MouseMove(w, x, 5);
  EXPECT_EQ(bar->hoverPending, 1);
  win::script::AdvanceClock(1000);
  win::script::PumpUntilIdle();
  EXPECT_EQ(bar->hoverPending, 0);
  ASSERT_NE(bar->popup, nullptr) << "[" << middle.text << "]";
  EXPECT_EQ(bar->popupSegment, 1);
  const auto* record = reinterpret_cast<const STRUCT_SEG_INFO_WND*>(GetWindowLongPtrA(bar->popup, 0));
  ASSERT_NE(record, nullptr);
  ASSERT_GE(record->lineCount, 1);
  EXPECT_EQ(std::string(record->lines[0]), std::string(middle.text));
  RECT r{};
  GetWindowRect(bar->popup, &r);
  EXPECT_GT(r.right - r.left, 8);
  // The popup may lie over the bar: its poll closes it once the cursor
  // leaves the block's upper half.
  win::script::MouseMove(w, x, bar->midY + 3);
  win::script::AdvanceClock(SEGINFO_POPUP_POLL + 50);
  win::script::PumpUntilIdle();
  EXPECT_EQ(bar->popup, nullptr);

  // The cursor 7 pixels away when the second is up: no popup. (A move
  // the bar sees starts the hover anew; this one it does not see.)
  win::script::MouseMove(w, x, 5);
  POINT away{x + 7, 5};
  ClientToScreen(w, &away);
  SetCursorPos(away.x, away.y);
  win::script::AdvanceClock(1000);
  win::script::PumpUntilIdle();
  EXPECT_EQ(bar->popup, nullptr);
  EXPECT_EQ(bar->hoverPending, 0);
  // Six pixels is still still.
  win::script::MouseMove(w, x, 5);
  POINT near{x + 6, 11};
  ClientToScreen(w, &near);
  SetCursorPos(near.x, near.y);
  win::script::AdvanceClock(1000);
  win::script::PumpUntilIdle();
  EXPECT_NE(bar->popup, nullptr);
  SendMessageA(w, SIM_CLOSEINFOWINDOW, 0, 0);
  EXPECT_EQ(bar->popup, nullptr);
  // Below the middle line no hover starts.
  win::script::MouseMove(w, x, bar->midY + 3);
  win::script::AdvanceClock(1000);
  win::script::PumpUntilIdle();
  EXPECT_EQ(bar->popup, nullptr);
  EXPECT_EQ(bar->hoverPending, 0);
  Destroy(bar);
}

// An empty time range has no scale: everything stands at the left edge,
// nothing is placed at a position made of an infinite one.
TEST_F(SegmentBarTest, AnEmptyRangeDrawsWithoutAScale) {
  int16_t count = 0;
  STRUCT_SEG_DRAW_INFO* info = MakeSegmentDrawInfoStruct(wf_, &count, 1);
  ASSERT_NE(info, nullptr);
  STRUCT_SEGINFO_DRAW r{};
  r.x1 = 40;
  r.y1 = 39;
  r.x2 = 640;
  r.charWidth = 8;
  r.charHeight = 16;
  r.startTime = r.endTime = (info[1].firstTime + info[1].lastTime) / 2;
  r.workFile = wf_;
  r.segInfo = info;
  r.segCount = count;
  for (int16_t mode : {int16_t{0}, int16_t{1}}) {
    r.mode = mode;
    const Drawing d = Record([&](HDC dc) { OPLOT_DrawSegmentInfo(CDC::FromHandle(dc), &r); });
    for (const DrawnText& t : d.texts) EXPECT_LT(std::abs(t.x), 2000) << t.text;
    for (const DrawnLine& l : d.lines) EXPECT_LT(std::abs(l.x0) + std::abs(l.x1), 4000);
  }
  FreeBlock(info);
}

// The control's own bar: child 70 under a segmented run, hidden and shown by its message.
TEST_F(SegmentBarTest, TheControlShowsTheActiveFilesSegments) {
  HWND w = MakeControl(7, 800, 500);
  CCtlOPlot* c = Control(w);
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.useFirstFreeSlot = 1;
  std::strncpy(r.path, path_.c_str(), sizeof r.path - 1);
  r.plotKind = DATA_TYPE_TIC;
  ASSERT_EQ(SendMessageA(w, OPM_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r)), 1);
  win::script::PumpUntilIdle();
  auto* bar = dynamic_cast<CCtlSegInfo*>(c->m_pSegments);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessageA(w, OPM_ISSHOWINGSEGMENTS, 0, 0), 1);
  EXPECT_EQ(bar->drawn, 1);
  const STRUCT_WORK_FILE* shown = c->m_pOverlay->slots[0].workFile;
  EXPECT_EQ(bar->workFile, shown);
  EXPECT_EQ(bar->segCount, 3);
  EXPECT_EQ(SendMessageA(w, OPM_SHOWSEGMENTS, 1, 0), 0);  // the same value: nothing
  EXPECT_EQ(c->m_pSegments, bar);
  SendMessageA(w, OPM_SHOWSEGMENTS, 0, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_pSegments, nullptr);
  EXPECT_EQ(SendMessageA(w, OPM_ISSHOWINGSEGMENTS, 0, 0), 0);
  SendMessageA(w, OPM_SHOWSEGMENTS, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(SendMessageA(w, OPM_ISSHOWINGSEGMENTS, 0, 0), 1);
  // Clearing the file leaves the bar with no file to read.
  SendMessageA(w, OPM_DISPLAYCLEARFILE, 0, 0);
  win::script::PumpUntilIdle();
  bar = dynamic_cast<CCtlSegInfo*>(c->m_pSegments);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->workFile, nullptr);
  DestroyWindow(w);
}

}  // namespace
