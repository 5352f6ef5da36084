// A worker thread posts its progress to a window holding a progress bar and
// is stopped by an event.
#include "controls_test_support.h"
#include "win/win_threads.h"

namespace {

constexpr UINT kProgress = WM_APP + 10;
constexpr UINT kFinished = WM_APP + 11;

struct Job {
  HWND window = nullptr;
  HANDLE stop = nullptr;
  HANDLE reached = nullptr;  // set when the worker has posted 30 steps
  int steps = 0;
};

DWORD Work(LPVOID p) {
  auto* job = static_cast<Job*>(p);
  for (int i = 1; i <= 1000; ++i) {
    if (WaitForSingleObject(job->stop, 0) == WAIT_OBJECT_0) break;
    job->steps = i;
    PostMessageA(job->window, kProgress, static_cast<WPARAM>(i), 0);
    if (i == 30) SetEvent(job->reached);
    Sleep(1);
  }
  PostMessageA(job->window, kFinished, static_cast<WPARAM>(job->steps), 0);
  return static_cast<DWORD>(job->steps);
}

class WorkerProgressTest : public ControlParentTest {};

}  // namespace

TEST_F(WorkerProgressTest, ProgressFromAWorkerReachesTheBarUntilTheStopEvent) {
  HWND bar = Child(PROGRESS_CLASSA, PBS_SMOOTH, 10, 10, 300, 20, 50);
  SendMessageA(bar, PBM_SETRANGE32, 0, 1000);
  std::vector<int> positions;
  int finishedAt = -1;
  onMessage = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
    if (m == kProgress) {
      SendMessageA(bar, PBM_SETPOS, w, 0);
      positions.push_back(static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)));
      *r = 0;
      return true;
    }
    if (m == kFinished) {
      finishedAt = static_cast<int>(w);
      *r = 0;
      return true;
    }
    return false;
  };
  Job job;
  job.window = parent;
  job.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  job.reached = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE worker = CreateThread(nullptr, 0, Work, &job, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  EXPECT_TRUE(SetThreadPriority(worker, THREAD_PRIORITY_NORMAL));
  ASSERT_EQ(WaitForSingleObject(job.reached, 10000), WAIT_OBJECT_0);
  SetEvent(job.stop);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0)) DispatchMessageA(&m);  // ends when the worker is gone and all is handled
  EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(worker, &code);
  EXPECT_GE(code, 30u);
  EXPECT_LT(code, 1000u);  // stopped early by the event
  ASSERT_EQ(positions.size(), static_cast<size_t>(code));
  for (size_t i = 0; i < positions.size(); ++i) EXPECT_EQ(positions[i], static_cast<int>(i) + 1);
  EXPECT_EQ(finishedAt, static_cast<int>(code));
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), static_cast<LRESULT>(code));
  win::script::PumpUntilIdle();
  // The bar is filled to its position (smooth: one block from the left).
  COLORREF filled = win::script::WindowPixel(bar, 3, 10);
  COLORREF empty = win::script::WindowPixel(bar, 295, 10);
  EXPECT_EQ(filled, GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_NE(empty, filled);
  CloseHandle(worker);
  CloseHandle(job.stop);
  CloseHandle(job.reached);
}
