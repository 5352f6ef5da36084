// Debugger output, kept in a bounded log.
#include <deque>
#include <mutex>

#include "win_debug.h"

namespace {
constexpr size_t kKeep = 256;
std::mutex g_mutex;
std::deque<std::string>& Log() {
  static std::deque<std::string> log;
  return log;
}
}  // namespace

void OutputDebugStringA(LPCSTR text) {
  if (!text) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  Log().emplace_back(text);
  if (Log().size() > kKeep) Log().pop_front();
}

namespace win::debug {
std::vector<std::string> OutputLog() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return {Log().begin(), Log().end()};
}
void ClearOutputLog() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Log().clear();
}
}  // namespace win::debug
