// The "Time Event Errors" dialog: what the checks of a method's time
// events found, with one button to close it.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "framework/framework_dialog.h"
#include "plotengine/event_marks.h"
#include "plotengine/time_event_errors_dialog.h"
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
      {TEE_IDC_DUPLICATES, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 7, 140, 10},
      {TEE_IDC_OVERLAPS, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 19, 140, 10},
      {TEE_IDC_INVALID, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 31, 140, 10},
      {TEE_IDC_MESSAGES, "ListBox", "", WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, 0, 7,
       45, 206, 98},
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
    Count(TEE_IDC_DUPLICATES, "Duplicate events: %d", errors_->duplicateCount);
    Count(TEE_IDC_OVERLAPS, "Overlapping events: %d", errors_->overlapCount);
    Count(TEE_IDC_INVALID, "Invalid events: %d", errors_->invalidCount);
    int n = errors_->messageCount;
    if (n > TIME_EVENT_ERROR_MESSAGES) n = TIME_EVENT_ERROR_MESSAGES;
    for (int i = 0; i < n; ++i) {
      const std::string line(errors_->messages[i], strnlen(errors_->messages[i], TIME_EVENT_ERROR_TEXT_SIZE));
      SendDlgItemMessage(TEE_IDC_MESSAGES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    return TRUE;
  }

 private:
  void Count(int id, const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    SetDlgItemText(id, text);
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
