// The engine's module: what it keeps from its load, and the one routine
// through which its messages reach the caller's window.
#include <cstdio>
#include <cstring>

#include "quant/results_sections.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

struct ModuleState {
  HINSTANCE instance = nullptr;
  unsigned int controlWord = 0;
  UINT errorMessage = 0;
  char statusText[1024] = {};
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

// The loader here does not call DllMain; the library's static set-up does.
// The instance handle is looked up later: asking the loader for it while
// it is still loading this library would wait on the loader itself.
struct Attach {
  Attach() { DllMain(nullptr, 1 /* process attach */, nullptr); }
} g_attach;

}  // namespace

BOOL DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == 1) {
    State().instance = instance;
    State().controlWord = _control87(0, 0);
  }
  return TRUE;
}

HINSTANCE MorvexInstance() {
  if (!State().instance) State().instance = GetModuleHandleA("morvex.dll");
  return State().instance;
}
unsigned int MorvexControlWord() { return State().controlWord; }

LRESULT PostStatusText(HWND window, int16_t level, const char* text) {
  ModuleState& s = State();
  if (!s.errorMessage) s.errorMessage = RegisterWindowMessageA("WM_MORVEX_ERROR");
  std::snprintf(s.statusText, sizeof s.statusText, "   %s", text ? text : "");
  return SendMessageA(window, s.errorMessage, static_cast<WPARAM>(level), reinterpret_cast<LPARAM>(s.statusText));
}

BOOL StoreRunFiles() {
  return GetPrivateProfileIntA("MORVEX", "SaveMiniRunFiles", 0, "MORVEX.INI") != 0 ? TRUE : FALSE;
}

void InitQuantOptions(void* options) {
  if (!options) return;
  auto* bytes = static_cast<uint8_t*>(options);
  std::memset(bytes, 0, QUANT_OPTIONS_SIZE);
  const int16_t one = 1, analysis = 2, factors = 4;
  std::memcpy(bytes + 20, &one, 2);
  std::memcpy(bytes + 24, &analysis, 2);
  // The factor block: a count, then that many factors of 1.0.
  std::memcpy(bytes + 26, &factors, 2);
  for (int i = 0; i < factors; ++i) {
    const float f = 1.0f;
    std::memcpy(bytes + 28 + 4 * i, &f, 4);
  }
}
