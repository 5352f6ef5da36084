// Timers on the virtual clock.
#include <algorithm>

#include "user_internal.h"
#include "win_kernel.h"
#include "win_script.h"

namespace win::user {
void DropTimersFor(HWND hwnd) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [&](auto& t) { return t.hwnd == hwnd; }),
                 s.timers.end());
}
}  // namespace win::user

using namespace win::user;

namespace {
constexpr UINT kMinimumElapse = 10;  // shorter periods are raised to this
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (hwnd && !Get(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  elapse = std::clamp<UINT>(elapse, kMinimumElapse, 0x7FFFFFFF);
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (!hwnd) {
    auto same = std::find_if(s.timers.begin(), s.timers.end(), [&](auto& t) { return !t.hwnd && t.id == id; });
    if (id == 0 || same == s.timers.end()) id = s.nextTimerId++;
  }
  auto it = std::find_if(s.timers.begin(), s.timers.end(), [&](auto& t) { return t.hwnd == hwnd && t.id == id; });
  Timer t{hwnd, id, elapse, proc, s.clock + elapse};
  if (it != s.timers.end())
    *it = t;
  else
    s.timers.push_back(t);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  auto it = std::find_if(s.timers.begin(), s.timers.end(), [&](auto& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == s.timers.end()) return FALSE;
  s.timers.erase(it);
  return TRUE;
}

namespace win::script {

uint64_t Clock() { return S().clock; }

void AdvanceClock(uint64_t ms) {
  auto& s = S();
  uint64_t target = s.clock + ms;
  for (;;) {
    Timer due{};
    {
      std::lock_guard<std::recursive_mutex> lock(s.mutex);
      auto it = std::min_element(s.timers.begin(), s.timers.end(), [](auto& a, auto& b) { return a.due < b.due; });
      if (it == s.timers.end() || it->due > target) break;
      s.clock = std::max(s.clock, it->due);
      it->due += it->elapse;
      due = *it;
    }
    MSG m{};
    m.hwnd = due.hwnd;
    m.message = WM_TIMER;
    m.wParam = due.id;
    m.lParam = reinterpret_cast<LPARAM>(due.proc);
    m.time = static_cast<DWORD>(s.clock);
    m.pt = s.cursorPos;
    if (due.hwnd) {
      DispatchMessageA(&m);
    } else if (due.proc) {
      due.proc(nullptr, WM_TIMER, due.id, m.time);
    } else {
      PostThreadMessageA(0, WM_TIMER, due.id, 0);
    }
    PumpUntilIdle();
  }
  s.clock = std::max(s.clock, target);
  PumpUntilIdle();
}

}  // namespace win::script
