// The label manager: slots, deletion rules, value-label overlap, and the
// mouse protocol driven by scripted input on a real window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/edit_label_dialog.h"
#include "framework/framework_gdi.h"
#include "framework/framework_wnd.h"
#include "plot_fixture.h"
#include "plotengine/label_manager.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

STRUCT_MARKER_PARAMS Params(int16_t pointerMode = 0) {
  STRUCT_MARKER_PARAMS p{};
  p.transparent = 1;
  p.backColor = RGB(255, 255, 255);
  p.screenColor = RGB(0, 0, 180);
  p.font.lfHeight = -13;
  std::strcpy(p.font.lfFaceName, "Arial");
  p.positionMode = 1;
  p.pointerMode = pointerMode;
  return p;
}

CLabelInfo* NewLabel(const char* text, short type, double x, double y, short moveable = 1, short pointerMode = 0,
                     double px = 0, double py = 0) {
  auto* l = new CLabelInfo;
  STRUCT_MARKER_PARAMS p = Params(pointerMode);
  l->SetTextLabel(const_cast<char*>(text), &p, moveable);
  l->SetTextLabelPosition(type, x, y, px, py);
  return l;
}

// Plot 0: 40..480 x 40..360, plot 1: 40..480 x 380..530; both 0..10 min.
void DefineAreas(CLabelManager* m) {
  m->EmptyAreas(0, 0, 0);
  m->AddArea(100, 40, 40, 440, 320, 0.0, 10.0, 0.0, 1000.0);
  m->AddArea(101, 40, 380, 440, 150, 0.0, 10.0, 0.0, 100.0);
  m->AddArea(140, 0, 0, 520, 560, 0, 0, 0, 0);
}

void DrawAll(CLabelManager* m, CDC* dc) {
  m->AdjustLabels();
  short shown[2] = {1, 1};
  m->DrawNoTokenLabels(dc, 0, 2, shown, 0, 0, 0, 0, nullptr);
  for (short plot = 0; plot < 2; ++plot)
    for (short type : {LABEL_TYPE_VALUE, LABEL_TYPE_TOKEN, LABEL_TYPE_AREA, LABEL_TYPE_HORIZONTAL})
      m->DrawTokenLabels(dc, 0, plot, type, 0, 0, 0, 0, nullptr, nullptr);
}

// Draws once on a memory DC so that the labels have boxes.
void DrawOffScreen(CLabelManager* m) {
  HDC hdc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(hdc, 520, 560);
  HGDIOBJ old = SelectObject(hdc, bm);
  DrawAll(m, CDC::FromHandle(hdc));
  SelectObject(hdc, old);
  DeleteObject(bm);
  DeleteDC(hdc);
}

class LabelManagerTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    manager_ = new CLabelManager(nullptr);
    DefineAreas(manager_);
  }
  void TearDown() override {
    delete manager_;
    PlotRootTest::TearDown();
  }
  CLabelManager* manager_ = nullptr;
};

}  // namespace

TEST_F(LabelManagerTest, The101stLabelGrowsTheSlotsTo200) {
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(manager_->AddLabel(NewLabel("L", 0, 1.0 + i * 0.01, 10.0), 100, 0, 0), i);
  EXPECT_EQ(manager_->Capacity(), 100);
  EXPECT_EQ(manager_->AddLabel(NewLabel("L", 0, 9.0, 10.0), 100, 0, 0), 100);
  EXPECT_EQ(manager_->Capacity(), 200);
  EXPECT_EQ(manager_->GetLabelCount(), 101);
  // A freed slot is taken again first.
  EXPECT_EQ(manager_->DeleteLabel(7, 0, 0), 1);
  EXPECT_EQ(manager_->AddLabel(NewLabel("L", 0, 9.5, 10.0), 100, 0, 0), 7);
}

TEST_F(LabelManagerTest, SlotsOutOfRangeAreRefused) {
  manager_->AddLabel(NewLabel("L", 0, 1.0, 10.0), 100, 0, 0);
  for (short slot : {-1, 100, 5000, 32767}) {
    EXPECT_EQ(manager_->DeleteLabel(slot, 0, 0), 0) << slot;
    manager_->CenterLabelInArea(slot);
    EXPECT_EQ(manager_->EditLabel(slot, 1), 0);
  }
  EXPECT_EQ(manager_->GetLabelCount(), 1);
}

TEST_F(LabelManagerTest, DeletingTakesCoincidentLabelsAlong) {
  const short a = manager_->AddLabel(NewLabel("A", 0, 2.0, 500.0), 100, 0, 0);
  const short b = manager_->AddLabel(NewLabel("B", 0, 2.0, 500.0), 100, 0, 0);
  const short c = manager_->AddLabel(NewLabel("C", 0, 2.0, 500.0), 100, 0, 0);
  const short other = manager_->AddLabel(NewLabel("D", 0, 2.5, 500.0), 100, 0, 0);
  const short token = manager_->AddLabel(NewLabel("T", LABEL_TYPE_TOKEN, 2.0, 500.0), 100, 0, 0);
  EXPECT_EQ(manager_->DeleteLabel(a, 1, c), 1);
  EXPECT_EQ(manager_->Label(a), nullptr);
  EXPECT_EQ(manager_->Label(b), nullptr);
  EXPECT_NE(manager_->Label(c), nullptr);  // spared
  EXPECT_NE(manager_->Label(other), nullptr);
  EXPECT_NE(manager_->Label(token), nullptr);  // another type
  EXPECT_EQ(manager_->DeleteLabel(a, 0, 0), 0);
}

TEST_F(LabelManagerTest, NewValueLabelRemovesOverlappedOlderOnes) {
  const short first = manager_->AddLabel(NewLabel("880.0", LABEL_TYPE_VALUE, 5.0, 500.0, 0), 100, 0, 0);
  const short far = manager_->AddLabel(NewLabel("12.5", LABEL_TYPE_VALUE, 9.0, 200.0, 0), 100, 0, 0);
  DrawOffScreen(manager_);
  ASSERT_TRUE(manager_->Label(first)->m_labelShown);
  // Its twin (same text, same place) stays; a neighbour a little to the right takes its place.
  const short twin = manager_->AddLabel(NewLabel("880.0", LABEL_TYPE_VALUE, 5.0, 500.0, 0), 100, 0, 0);
  EXPECT_NE(manager_->Label(first), nullptr);
  const short next = manager_->AddLabel(NewLabel("881.0", LABEL_TYPE_VALUE, 5.05, 510.0, 0), 100, 0, 0);
  EXPECT_EQ(manager_->Label(first), nullptr);
  EXPECT_EQ(manager_->Label(twin), nullptr);  // was not shown yet, but lies on the first
  EXPECT_NE(manager_->Label(next), nullptr);
  EXPECT_NE(manager_->Label(far), nullptr);
}

TEST_F(LabelManagerTest, DeleteAtTimeWithinTheTolerance) {
  manager_->AddLabel(NewLabel("A", LABEL_TYPE_TOKEN, 3.0, 1.0), 100, 1, 0);
  EXPECT_EQ(manager_->DeleteLabelForPlotAtTime(1, LABEL_TYPE_TOKEN, 3.00002), 0);
  EXPECT_EQ(manager_->DeleteLabelForPlotAtTime(0, LABEL_TYPE_TOKEN, 3.0), 0);
  EXPECT_EQ(manager_->DeleteLabelForPlotAtTime(1, LABEL_TYPE_TOKEN, 2.99999), 1);
  EXPECT_EQ(manager_->GetLabelCount(), 0);
}

TEST_F(LabelManagerTest, PlotsExchangeAndSelectiveDeletes) {
  const short a = manager_->AddLabel(NewLabel("A", 0, 3.0, 1.0), 100, 0, 0);
  const short b = manager_->AddLabel(NewLabel("B", LABEL_TYPE_TOKEN, 3.0, 1.0), 100, 1, 0);
  manager_->ExchangePlotIndexes(0, 1);
  EXPECT_EQ(manager_->Label(a)->m_plot, 1);
  EXPECT_EQ(manager_->Label(a)->m_pointerPlot, 1);
  EXPECT_EQ(manager_->Label(b)->m_plot, 0);
  EXPECT_EQ(manager_->HaveSomeLabelsForPlot(0, LABEL_TYPE_TOKEN), 1);
  EXPECT_EQ(manager_->HaveSomeLabelsForPlot(0, 0), 0);
  manager_->DeletePlotValueLabelsForPlot(1);
  EXPECT_EQ(manager_->Label(a), nullptr);
  manager_->DeleteSomeLabelsForPlot(0, LABEL_TYPE_TOKEN);
  EXPECT_EQ(manager_->GetLabelCount(), 0);
}

TEST_F(LabelManagerTest, AreasBeyond82AreIgnored) {
  manager_->EmptyAreas(0, 0, 0);
  for (int i = 0; i < 90; ++i) manager_->AddArea(static_cast<short>(i), 0, 0, 10, 10, 0, 1, 0, 1);
  EXPECT_EQ(manager_->AreaTable()->areaCount, 82);
}

// ---- The mouse protocol on a window -----------------------------------------------------

namespace {

CLabelManager* g_manager = nullptr;

LRESULT CALLBACK PlotWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const CPoint pt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      if (g_manager) {
        DefineAreas(g_manager);
        DrawAll(g_manager, CDC::FromHandle(hdc));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      short onBox = 0;
      if (g_manager) g_manager->CanUseLBDown(pt, &onBox);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (g_manager && !g_manager->CanUseMouseMove(static_cast<UINT>(wParam), pt))
        g_manager->ShowMovingLabelCursor(pt);
      return 0;
    case WM_LBUTTONUP:
      if (g_manager && g_manager->CanUseLBUp(pt)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (g_manager && g_manager->CanUseDBLCLK(pt)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

class LabelMouseTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    win::script::ResetLogs();
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc{};
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = PlotWndProc;
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      wc.lpszClassName = "LabelPlotTest";
      registered = RegisterClassA(&wc) != 0;
    }
    hwnd_ = CreateWindowExA(0, "LabelPlotTest", "Plot", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 520, 560, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    wnd_.Attach(hwnd_);
    manager_ = new CLabelManager(&wnd_);
    g_manager = manager_;
    DefineAreas(manager_);
  }
  void TearDown() override {
    g_manager = nullptr;
    delete manager_;
    wnd_.Detach();
    DestroyWindow(hwnd_);
    PlotRootTest::TearDown();
  }
  void Paint() {
    InvalidateRect(hwnd_, nullptr, TRUE);
    win::script::PumpUntilIdle();
  }
  // A point inside a label's box.
  static POINT Inside(const CLabelInfo* l) { return {l->m_cornerX[0] + 4, l->m_cornerY[0] + 4}; }

  HWND hwnd_ = nullptr;
  CWnd wnd_;
  CLabelManager* manager_ = nullptr;
};

}  // namespace

TEST_F(LabelMouseTest, DraggingABoxMovesTheLabelInDataUnits) {
  const short slot = manager_->AddLabel(NewLabel("Solvent", 0, 2.0, 700.0), 100, 0, 0);
  Paint();
  CLabelInfo* l = manager_->Label(slot);
  ASSERT_TRUE(l->m_labelShown);
  const POINT from = Inside(l);
  // Hovering the box offers the move cursor.
  win::script::MouseMove(hwnd_, from.x, from.y);
  EXPECT_EQ(win::script::CurrentCursorName(), "MOVE_CURSOR");
  win::script::MouseDown(hwnd_, from.x, from.y);
  EXPECT_EQ(manager_->DraggedLabel(), slot);
  win::script::MouseMove(hwnd_, from.x + 60, from.y + 40);
  EXPECT_EQ(win::script::CurrentCursorName(), "HOLD_CURSOR");
  EXPECT_EQ(manager_->DragState()->drawn, 1);
  win::script::MouseMove(hwnd_, from.x + 110, from.y + 80);
  win::script::MouseUp(hwnd_, from.x + 110, from.y + 80);
  EXPECT_EQ(manager_->DraggedLabel(), -1);
  // The first corner moved by (110, 80): from (128, 136) to (238, 216).
  const int x = from.x - 4 + 110, y = from.y - 4 + 80;
  EXPECT_DOUBLE_EQ(l->m_labelX, (x - 40) * 10.0 / 440);
  EXPECT_DOUBLE_EQ(l->m_labelY, (40 + 320 - y) * 1000.0 / 320);
  Paint();
  EXPECT_EQ(l->m_cornerX[0], x);
  EXPECT_EQ(l->m_cornerY[0], y);
}

TEST_F(LabelMouseTest, DropsInTheFrameOnlyOrOutsideLeaveTheLabel) {
  const short slot = manager_->AddLabel(NewLabel("Stay", 0, 2.0, 700.0), 100, 0, 0);
  Paint();
  CLabelInfo* l = manager_->Label(slot);
  const POINT from = Inside(l);
  win::script::Drag(hwnd_, from, {505, from.y});  // right of both data areas, inside the frame
  EXPECT_EQ(manager_->DraggedLabel(), -1);
  EXPECT_DOUBLE_EQ(l->m_labelX, 2.0);
  EXPECT_DOUBLE_EQ(l->m_labelY, 700.0);
}

TEST_F(LabelMouseTest, UserLabelMovesToAnotherPlotAValueLabelDoesNot) {
  const short user = manager_->AddLabel(NewLabel("User", 0, 2.0, 700.0), 100, 0, 0);
  const short value = manager_->AddLabel(NewLabel("555.5", LABEL_TYPE_VALUE, 7.0, 500.0), 100, 0, 0);
  Paint();
  CLabelInfo* u = manager_->Label(user);
  CLabelInfo* v = manager_->Label(value);
  ASSERT_TRUE(v->m_labelShown);
  POINT from = Inside(v);
  win::script::Drag(hwnd_, from, {from.x, 450});
  EXPECT_EQ(v->m_plot, 0);
  EXPECT_DOUBLE_EQ(v->m_labelX, 7.0);
  EXPECT_DOUBLE_EQ(v->m_labelY, 500.0);
  from = Inside(u);
  win::script::Drag(hwnd_, from, {from.x, 450});
  EXPECT_EQ(u->m_plot, 1);
  EXPECT_EQ(u->m_areaIndex, 1);
  EXPECT_DOUBLE_EQ(u->m_labelY, (380 + 150 - 446) * 100.0 / 150);
  Paint();
  EXPECT_TRUE(u->m_labelShown);
}

TEST_F(LabelMouseTest, ReleaseOutsideTheWindowCancelsAtTheNextMove) {
  const short slot = manager_->AddLabel(NewLabel("Loose", 0, 2.0, 700.0), 100, 0, 0);
  Paint();
  CLabelInfo* l = manager_->Label(slot);
  const POINT from = Inside(l);
  win::script::MouseDown(hwnd_, from.x, from.y);
  win::script::MouseMove(hwnd_, from.x + 30, from.y + 30);
  ASSERT_EQ(manager_->DraggedLabel(), slot);
  // The button came up elsewhere: the next move arrives without MK_LBUTTON.
  SendMessageA(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(from.x + 40, from.y + 40));
  EXPECT_EQ(manager_->DraggedLabel(), -1);
  EXPECT_EQ(manager_->DragState()->drawn, 0);
  EXPECT_DOUBLE_EQ(l->m_labelX, 2.0);
}

TEST_F(LabelMouseTest, PointerEndIsDraggedOnItsOwn) {
  const short slot = manager_->AddLabel(NewLabel("Peak", 0, 2.0, 700.0, 1, 1, 5.0, 250.0), 100, 0, 0);
  Paint();
  CLabelInfo* l = manager_->Label(slot);
  ASSERT_TRUE(l->m_pointerShown);
  const int ex = l->m_pointerEndX, ey = l->m_pointerEndY;  // (260, 280)
  EXPECT_EQ(ex, 260);
  EXPECT_EQ(ey, 280);
  win::script::MouseDown(hwnd_, ex + 3, ey - 3);
  EXPECT_EQ(manager_->DraggedPointerEnd(), slot);
  EXPECT_EQ(manager_->DraggedLabel(), -1);
  win::script::MouseMove(hwnd_, ex + 47, ey - 43);
  EXPECT_EQ(win::script::CurrentCursorName(), "#700");
  win::script::MouseUp(hwnd_, ex + 47, ey - 43);
  EXPECT_DOUBLE_EQ(l->m_pointerX, (ex + 44 - 40) * 10.0 / 440);
  EXPECT_DOUBLE_EQ(l->m_pointerY, (360 - (ey - 40)) * 1000.0 / 320);
  EXPECT_DOUBLE_EQ(l->m_labelX, 2.0);
}

TEST_F(LabelMouseTest, DoubleClickEditsDeletesOrCancels) {
  const short slot = manager_->AddLabel(NewLabel("Old", 0, 2.0, 700.0), 100, 0, 0);
  Paint();
  CLabelInfo* l = manager_->Label(slot);
  POINT at = Inside(l);
  win::script::OnNextDialog([](HWND dlg) {
    EXPECT_EQ(win::script::GetField(dlg, EDIT_LABEL_TEXT_ID), "Old");
    win::script::SetField(dlg, EDIT_LABEL_TEXT_ID, "New text");
    win::script::PressButton(dlg, IDOK);
  });
  win::script::DoubleClick(hwnd_, at.x, at.y);
  ASSERT_NE(manager_->Label(slot), nullptr);
  EXPECT_STREQ(l->m_text->text, "New text");
  EXPECT_EQ(l->m_text->length, 8);
  Paint();
  at = Inside(l);
  win::script::OnNextDialog([](HWND dlg) {
    win::script::SetField(dlg, EDIT_LABEL_TEXT_ID, "Ignored");
    win::script::PressButton(dlg, IDCANCEL);
  });
  win::script::DoubleClick(hwnd_, at.x, at.y);
  EXPECT_STREQ(l->m_text->text, "New text");
  win::script::OnNextDialog([](HWND dlg) {
    win::script::AnswerNextMessageBox(IDYES);
    win::script::PressButton(dlg, EDIT_LABEL_DELETE_ID);
  });
  win::script::DoubleClick(hwnd_, at.x, at.y);
  EXPECT_EQ(manager_->Label(slot), nullptr);
  const auto log = win::script::DialogLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].caption, "Edit Label");
}

TEST_F(LabelMouseTest, EditLabelDeletesOnCancelWhenAsked) {
  const short slot = manager_->AddLabel(NewLabel("New", 0, 2.0, 700.0), 100, 0, 1);
  win::script::OnNextDialog([](HWND dlg) { win::script::PressButton(dlg, IDCANCEL); });
  EXPECT_EQ(manager_->EditLabel(slot, 0), 0);
  EXPECT_NE(manager_->Label(slot), nullptr);
  win::script::OnNextDialog([](HWND dlg) { win::script::PressButton(dlg, IDCANCEL); });
  EXPECT_EQ(manager_->EditLabel(slot, 1), 1);
  EXPECT_EQ(manager_->Label(slot), nullptr);
}

TEST_F(LabelManagerTest, RightButtonFindsFixedLabelsToo) {
  const short fixed = manager_->AddLabel(NewLabel("Fixed", LABEL_TYPE_TOKEN, 2.0, 500.0, 0), 100, 0, 0);
  DrawOffScreen(manager_);
  const CLabelInfo* l = manager_->Label(fixed);
  ASSERT_TRUE(l->m_labelShown);
  short slot = -1, type = -1;
  EXPECT_EQ(manager_->CanUseRBDown(CPoint(l->m_cornerX[0] + 3, l->m_cornerY[0] + 3), &slot, &type), 1);
  EXPECT_EQ(slot, fixed);
  EXPECT_EQ(type, LABEL_TYPE_TOKEN);
  EXPECT_EQ(manager_->CanUseRBDown(CPoint(5, 5), &slot, &type), 0);
  // A fixed label cannot be dragged.
  short onBox = 1;
  EXPECT_EQ(manager_->CanUseLBDown(CPoint(l->m_cornerX[0] + 3, l->m_cornerY[0] + 3), &onBox), 0);
  EXPECT_EQ(onBox, 0);
}
