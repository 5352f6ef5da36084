// The "Time Event Errors" dialog: what the checks of a method's time
// events found, with one button to close it.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "framework/framework_dialog.h"
#include "plotengine/event_marks.h"
#include "dialogs/time_event_errors_dialog.h"
#include "win/win_resources.h"

namespace {

void EnsureTemplate() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, TIME_EVENT_ERRORS_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Time Event Errors";
  t.cx = 220;
  t.cy = 170;
  t.items = {
      {TEE_IDC_MESSAGES, "ListBox", "", WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, 0, 7,
       7, 206, 136},
      {IDOK, "Button", "&Done", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 85, 149, 50, 14},
  };
  AddDialog(module, TIME_EVENT_ERRORS_DIALOG, t);
}

class CTimeEventErrorsDlg : public CDialog {
 public:
  CTimeEventErrorsDlg() : CDialog(TIME_EVENT_ERRORS_DIALOG) {}
  void SetErrors(const STRUCT_TIME_EVENT_ERRORS* errors) { errors_ = errors; }

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (!errors_) return TRUE;
    Count("Duplicate Events: %d", errors_->duplicateCount);
    Count("Overlapping Events: %d", errors_->overlapCount);
    Count("Invalid Events: %d", errors_->invalidCount);
    Add("  ");
    // The caller's count is bounded by the lines the record holds.
    int n = errors_->messageCount;
    if (n > TIME_EVENT_ERROR_MESSAGES) n = TIME_EVENT_ERROR_MESSAGES;
    for (int i = 0; i < n; ++i)
      Add(std::string(errors_->messages[i], strnlen(errors_->messages[i], TIME_EVENT_ERROR_TEXT_SIZE)).c_str());
    return TRUE;
  }

 private:
  void Add(const char* line) { SendDlgItemMessage(TEE_IDC_MESSAGES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line)); }
  void Count(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    Add(text);
  }

  const STRUCT_TIME_EVENT_ERRORS* errors_ = nullptr;
};

}  // namespace

KELT_API void Dlg_ViewTimeEventErrors(const STRUCT_TIME_EVENT_ERRORS* errors) {
  try {
    EnsureTemplate();
    CTimeEventErrorsDlg dlg;
    dlg.SetErrors(errors);
    dlg.DoModal();
  } catch (...) {
  }
}
