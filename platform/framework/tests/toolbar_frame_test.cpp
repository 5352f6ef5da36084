// A toolbar frame as the plot controls use it: a frame window child of a
// host control, a wrapping toolbar with a drop-down button whose menu is
// chosen by script, tooltips relayed by the frame, and command-update
// handlers that run when the message loop goes idle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framework_frame.h"
#include "framework/framework_menu.h"
#include "framework/framework_module.h"
#include "framework/framework_thread.h"
#include "win/win_resources.h"
#include "win/win_script.h"

namespace {

constexpr UINT kHide = 2701, kFull = 2702, kPrevious = 2705, kDisplay = 2718, kRealTime = 2709;
constexpr UINT kStacked = 3001, kOverlaid = 3002;

HMODULE Module() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7D000000)); }

// The host control: hears button commands and drop-down requests.
class CHostControl : public CWnd {
 public:
  std::vector<UINT> commands;
  bool hasData = false;
  bool realTimeOff = false;
  int displayMode = 0;

 protected:
  BOOL OnCommand(WPARAM w, LPARAM l) override {
    commands.push_back(LOWORD(w));
    if (LOWORD(w) == kStacked) displayMode = 0;
    if (LOWORD(w) == kOverlaid) displayMode = 1;
    return CWnd::OnCommand(w, l);
  }
  void OnDropDown(NMHDR* hdr, LRESULT* result) {
    auto* nm = reinterpret_cast<NMTOOLBARA*>(hdr);
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING | (displayMode == 0 ? MF_CHECKED : 0), kStacked, "Stacked");
    menu.AppendMenu(MF_STRING | (displayMode == 1 ? MF_CHECKED : 0), kOverlaid, "Overlaid");
    POINT pt{nm->rcButton.left, nm->rcButton.bottom};
    ::ClientToScreen(hdr->hwndFrom, &pt);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, this);
    *result = TBDDRET_NODEFAULT;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHostControl, CWnd)
ON_NOTIFY(TBN_DROPDOWN, 80, OnDropDown)
END_MESSAGE_MAP()

class CTestToolBarFrame : public CFrameWnd {
 public:
  CHostControl* host = nullptr;
  CToolBar* bar = nullptr;
  CToolTipCtrl* tips = nullptr;
  int updates = 0;

  ~CTestToolBarFrame() override { DestroyToolBar(); }

  BOOL CreateToolBar() {
    if (bar || !host) return FALSE;
    bar = new CToolBar();
    if (!bar->CreateEx(this, 0, 0x50002812, CRect(0, 0, 0, 0), 80)) {
      delete bar;
      bar = nullptr;
      return FALSE;
    }
    CToolBarCtrl& ctrl = bar->GetToolBarCtrl();
    ctrl.SetAnchorHighlight(TRUE);
    bar->SetSizes(CSize(24, 22), CSize(16, 16));
    bar->LoadBitmap(686);
    const UINT layout[] = {kHide, 0, kFull, kPrevious, 0, kDisplay, 0, kRealTime};
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (UINT id : layout) {
      TBBUTTON b{};
      if (id == 0) {
        b.fsState = TBSTATE_WRAP;
        b.fsStyle = TBSTYLE_SEP;
      } else {
        b.iBitmap = image++;
        b.idCommand = static_cast<int>(id);
        b.fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
        b.fsStyle = id == kDisplay ? TBSTYLE_DROPDOWN : TBSTYLE_BUTTON;
      }
      buttons.push_back(b);
    }
    ctrl.AddButtons(static_cast<int>(buttons.size()), buttons.data());
    ctrl.AutoSize();
    ctrl.SetOwner(host);
    ctrl.SetExtendedStyle(TBSTYLE_EX_DRAWDDARROWS);
    tips = new CToolTipCtrl();
    tips->Create(this, TTS_ALWAYSTIP | TTS_NOPREFIX);
    return TRUE;
  }
  void DestroyToolBar() {
    if (bar) {
      bar->DestroyWindow();
      delete bar;
      bar = nullptr;
    }
    if (tips) {
      tips->DestroyWindow();
      delete tips;
      tips = nullptr;
    }
  }
  void UpdateToolTips() {
    if (!bar || !tips) return;
    const std::pair<UINT, const char*> texts[] = {{kHide, "Hide Toolbar"},
                                                  {kFull, "Full Scale (Horizontal and Vertical)"},
                                                  {kPrevious, "Previous Scaling"},
                                                  {kDisplay, "Set Chromatogram Display"},
                                                  {kRealTime, "Real Time Update"}};
    for (auto& [id, text] : texts) {
      tips->DelTool(bar, id);
      RECT r{};
      bar->GetItemRect(bar->CommandToIndex(id), &r);
      std::string t = text;
      if (id == kDisplay) t += host->displayMode == 0 ? " - Stacked" : " - Overlaid";
      tips->AddTool(bar, t.c_str(), &r, id);
    }
    tips->Activate(TRUE);
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (tips && tips->m_hWnd) tips->RelayEvent(msg);
    return CFrameWnd::PreTranslateMessage(msg);
  }

 protected:
  void OnUpdateFullScales(CCmdUI* ui) {
    ++updates;
    ui->Enable(host->hasData);
  }
  void OnUpdatePrevious(CCmdUI* ui) { ui->Enable(FALSE); }
  void OnUpdateRealTime(CCmdUI* ui) { ui->SetCheck(!host->realTimeOff); }
  void OnUpdateAlways(CCmdUI* ui) { ui->Enable(TRUE); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestToolBarFrame, CFrameWnd)
ON_UPDATE_COMMAND_UI(kFull, OnUpdateFullScales)
ON_UPDATE_COMMAND_UI(kPrevious, OnUpdatePrevious)
ON_UPDATE_COMMAND_UI(kRealTime, OnUpdateRealTime)
ON_UPDATE_COMMAND_UI(kHide, OnUpdateAlways)
END_MESSAGE_MAP()

void AddButtonImages() {
  win::resources::BitmapResource bmp;
  bmp.width = 5 * 16;
  bmp.height = 16;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < bmp.width; ++x)
      bmp.pixels.push_back((x % 16 > 3 && x % 16 < 12 && y > 3 && y < 12) ? RGB(0, 0, 128) : RGB(192, 192, 192));
  win::resources::AddBitmap(Module(), 686, bmp);
}

}  // namespace

TEST(FrameworkToolBarFrame, DropDownTooltipsAndIdleCommandUpdates) {
  FrameworkExtensionModule ext;
  ASSERT_TRUE(FrameworkInitExtensionModule(ext, Module()));
  {
    CDynLinkLibrary library(ext);
    AddButtonImages();
    win::script::ResetLogs();
    CHostControl host;
    ASSERT_TRUE(host.CreateEx(0, nullptr, "plot", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
    auto* frame = new CTestToolBarFrame();
    frame->host = &host;
    ASSERT_TRUE(frame->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, CRect(0, 0, 0, 0), &host));
    ASSERT_TRUE(frame->CreateToolBar());
    CToolBarCtrl& ctrl = frame->bar->GetToolBarCtrl();
    SIZE max{};
    ctrl.GetMaxSize(&max);
    EXPECT_EQ(max.cy, 22 * 5 + 8 * 3 + 2);  // every entry wraps: five rows, three separator gaps
    // The frame is sized to the host's width; the toolbar wraps to it through the size-parent message.
    frame->MoveWindow(0, 0, 400, 30);
    EXPECT_EQ(frame->bar->WrapToolBar(400), 1);
    frame->RecalcLayout();
    ctrl.GetMaxSize(&max);
    EXPECT_EQ(max.cy, 2 + 22);
    CRect barRect = frame->bar->GetClientRect();
    EXPECT_EQ(barRect.Width(), 400);
    EXPECT_EQ(frame->GetLayoutRect().top, max.cy + 2);  // the bar took its strip (bottom border)

    // At idle the frame's handlers decide the buttons' states.
    win::script::PumpUntilIdle();
    EXPECT_GT(frame->updates, 0);
    EXPECT_FALSE(ctrl.IsButtonEnabled(kFull));
    EXPECT_FALSE(ctrl.IsButtonEnabled(kPrevious));
    EXPECT_TRUE(ctrl.IsButtonChecked(kRealTime));
    EXPECT_FALSE(ctrl.IsButtonEnabled(kDisplay));  // no handler and no command in the frame
    EXPECT_EQ(frame->bar->GetButtonStyle(frame->bar->CommandToIndex(kFull)) & TBBS_DISABLED,
              static_cast<UINT>(TBBS_DISABLED));
    host.hasData = true;
    host.realTimeOff = true;
    win::script::PumpUntilIdle();
    EXPECT_TRUE(ctrl.IsButtonEnabled(kFull));
    EXPECT_FALSE(ctrl.IsButtonChecked(kRealTime));

    // Commands go to the host (the toolbar's notify window), not the frame.
    RECT r{};
    frame->bar->GetItemRect(frame->bar->CommandToIndex(kFull), &r);
    win::script::Click(frame->bar->m_hWnd, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], kFull);

    // The drop-down arrow opens the host's menu; the script picks "Overlaid".
    ctrl.EnableButton(kDisplay, TRUE);
    frame->bar->GetItemRect(frame->bar->CommandToIndex(kDisplay), &r);
    win::script::ChooseNextMenuText("Overlaid");
    win::script::Click(frame->bar->m_hWnd, r.right - 4, (r.top + r.bottom) / 2);
    ASSERT_EQ(win::script::MenuLog().size(), 1u);
    EXPECT_EQ(win::script::MenuLog()[0].items.size(), 2u);
    EXPECT_EQ(host.displayMode, 1);
    EXPECT_EQ(host.commands.back(), kOverlaid);

    // Tooltips: relayed through the frame's PreTranslateMessage, shown after the delay.
    frame->UpdateToolTips();
    EXPECT_EQ(frame->tips->GetToolCount(), 5);
    win::script::MouseMove(frame->bar->m_hWnd, r.left + 3, r.top + 3);
    win::script::AdvanceClock(600);
    EXPECT_TRUE(frame->tips->IsWindowVisible());
    EXPECT_EQ(win::script::Text(frame->tips->m_hWnd), "Set Chromatogram Display - Overlaid");

    // Destroying the frame takes the bar and the tips with it.
    HWND barWindow = frame->bar->m_hWnd;
    frame->DestroyToolBar();
    EXPECT_FALSE(IsWindow(barWindow));
    frame->DestroyWindow();
    delete frame;
    host.DestroyWindow();
  }
  FrameworkTermExtensionModule(ext);
}

namespace {
struct ThreadJob {
  HANDLE done = nullptr;
  DWORD seenThread = 0;
};
UINT ThreadBody(LPVOID p) {
  auto* job = static_cast<ThreadJob*>(p);
  job->seenThread = GetCurrentThreadId();
  SetEvent(job->done);
  return 5;
}
}  // namespace

TEST(FrameworkThreads, WorkerStartsAtNormalPriorityAndWaitCursorRestores) {
  ThreadJob job;
  job.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CWinThread* t = FrameworkBeginThread(ThreadBody, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(t, nullptr);
  t->m_bAutoDelete = FALSE;
  EXPECT_EQ(t->GetThreadPriority(), THREAD_PRIORITY_NORMAL);
  t->ResumeThread();
  EXPECT_EQ(WaitForSingleObject(t->m_hThread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(job.seenThread, t->m_nThreadID);
  DWORD code = 0;
  GetExitCodeThread(t->m_hThread, &code);
  EXPECT_EQ(code, 5u);
  delete t;
  CloseHandle(job.done);
  EXPECT_EQ(FrameworkBeginThread(nullptr, nullptr), nullptr);

  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  {
    CWaitCursor wait;
    EXPECT_EQ(win::script::CurrentCursorName(), "IDC_WAIT");
  }
  EXPECT_EQ(win::script::CurrentCursorName(), "IDC_ARROW");
}
