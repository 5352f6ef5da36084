// Messages from worker threads reach the pump of the windows' thread.
#include <gtest/gtest.h>

#include <vector>

#include "win/win_kernel.h"
#include "win/win_script.h"
#include "win/win_threads.h"
#include "win/win_user.h"

namespace {

constexpr UINT kProgress = WM_APP + 1;
constexpr UINT kAsk = WM_APP + 2;
constexpr UINT kDone = WM_APP + 3;

std::vector<int> g_progress;
int g_asked = 0;
bool g_done = false;

LRESULT CALLBACK ReceiverProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case kProgress: g_progress.push_back(static_cast<int>(w)); return 0;
    case kAsk: ++g_asked; return static_cast<LRESULT>(w * 2);
    case kDone: g_done = true; return 0;
    default: return DefWindowProcA(h, m, w, l);
  }
}

struct Job {
  HWND target = nullptr;
  HANDLE stop = nullptr;
  LRESULT answers = 0;
  BOOL postAfterGone = TRUE;
};

DWORD PostingWorker(LPVOID p) {
  auto* job = static_cast<Job*>(p);
  for (int i = 1; i <= 10; ++i) {
    PostMessageA(job->target, kProgress, static_cast<WPARAM>(i), 0);
    job->answers += SendMessageA(job->target, kAsk, static_cast<WPARAM>(i), 0);  // waits for the pump
  }
  PostMessageA(job->target, kDone, 0, 0);
  return 0;
}

DWORD PostsUntilGone(LPVOID p) {
  auto* job = static_cast<Job*>(p);
  WaitForSingleObject(job->stop, INFINITE);
  job->postAfterGone = PostMessageA(job->target, kProgress, 99, 0);
  return 0;
}

class UserWorkerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    g_progress.clear();
    g_asked = 0;
    g_done = false;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReceiverProc;
    wc.lpszClassName = "TestReceiver";
    RegisterClassA(&wc);
    hwnd = CreateWindowExA(0, "TestReceiver", "r", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    UnregisterClassA("TestReceiver", nullptr);
  }
  HWND hwnd = nullptr;
};

}  // namespace

TEST_F(UserWorkerThread, GetMessageLoopSeesPostsAndAnswersSendsUntilTheWorkerEnds) {
  Job job;
  job.target = hwnd;
  HANDLE t = CreateThread(nullptr, 0, PostingWorker, &job, 0, nullptr);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0)) DispatchMessageA(&m);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
  std::vector<int> want{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(g_progress, want);
  EXPECT_EQ(g_asked, 10);
  EXPECT_EQ(job.answers, 110);
  EXPECT_TRUE(g_done);
  CloseHandle(t);
}

TEST_F(UserWorkerThread, PostToAWindowThatIsGoneFails) {
  Job job;
  job.target = hwnd;
  job.stop = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, PostsUntilGone, &job, 0, nullptr);
  DestroyWindow(hwnd);
  SetEvent(job.stop);
  win::script::PumpUntilWorkersDone();
  WaitForSingleObject(t, INFINITE);
  EXPECT_FALSE(job.postAfterGone);
  EXPECT_TRUE(g_progress.empty());
  CloseHandle(t);
  CloseHandle(job.stop);
}
