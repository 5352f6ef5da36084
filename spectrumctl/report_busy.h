#pragma once
// The spectrum control's busy state while it makes a page or report.
#include <cstdint>

#include "win/win_user.h"

namespace sptctl {

// The wait cursor and the busy flag for as long as a report is being made.
class ReportBusy {
 public:
  explicit ReportBusy(int16_t* flag) : flag_(flag), old_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) { *flag_ = 1; }
  ~ReportBusy() {
    SetCursor(old_);
    *flag_ = 0;
  }
  ReportBusy(const ReportBusy&) = delete;
  ReportBusy& operator=(const ReportBusy&) = delete;

 private:
  int16_t* flag_;
  HCURSOR old_;
};

}  // namespace sptctl
