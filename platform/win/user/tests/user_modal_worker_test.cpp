// A modal dialog that runs a worker thread keeps its loop going until the
// worker's messages have ended it, with nobody answering it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win/win_resources.h"
#include "win/win_script.h"
#include "win/win_threads.h"
#include "win/win_user.h"

namespace {

constexpr UINT kPagePrinted = WM_USER + 20, kDone = WM_USER + 45;
constexpr int kLeft = 100;

struct Job {
  HWND dialog = nullptr;
  HANDLE done = nullptr;
  int pages = 5;
};

DWORD PrintPages(LPVOID p) {
  auto* job = static_cast<Job*>(p);
  for (int i = 1; i <= job->pages; ++i) {
    SendMessageA(job->dialog, kPagePrinted, static_cast<WPARAM>(i), job->pages);  // waits for the dialog
    Sleep(1);
  }
  SetEvent(job->done);
  PostMessageA(job->dialog, kDone, 0, 0);
  return 0;
}

std::vector<std::string> g_shown;
Job g_job;
HANDLE g_thread = nullptr;

INT_PTR CALLBACK StatusProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_INITDIALOG:
      g_job.dialog = dlg;
      g_thread = CreateThread(nullptr, 0, PrintPages, &g_job, 0, nullptr);
      return TRUE;
    case kPagePrinted: {
      std::string left = std::to_string(static_cast<int>(l) - static_cast<int>(w)) + " left";
      SetDlgItemTextA(dlg, kLeft, left.c_str());
      g_shown.push_back(left);
      return TRUE;
    }
    case kDone:
      if (WaitForSingleObject(g_job.done, 0) == WAIT_OBJECT_0) EndDialog(dlg, IDOK);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

TEST(UserModalWorker, DialogEndsWhenItsWorkerIsDone) {
  win::script::ResetLogs();
  g_shown.clear();
  g_job = Job{};
  g_job.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  win::resources::DialogTemplate t;
  t.caption = "Printing Now";
  t.cx = 120;
  t.cy = 40;
  t.items = {{kLeft, "Static", "Left", SS_LEFT | WS_VISIBLE, 0, 10, 10, 100, 10}};
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, &t, nullptr, StatusProc, 0), IDOK);
  std::vector<std::string> want{"4 left", "3 left", "2 left", "1 left", "0 left"};
  EXPECT_EQ(g_shown, want);
  auto log = win::script::DialogLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_FALSE(log[0].cancelledUnanswered);
  EXPECT_EQ(WaitForSingleObject(g_thread, 10000), WAIT_OBJECT_0);
  CloseHandle(g_thread);
  CloseHandle(g_job.done);
}
