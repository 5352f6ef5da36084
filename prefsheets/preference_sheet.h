#pragma once
// What the four preference sheets share: the extra buttons "Reset All to
// Defaults" and "Save All as Defaults" and their layout, the live preview
// into the plot control that opened the sheet, help and "What's This?".
#include <cstdint>
#include <vector>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "framework/framework_controls.h"
#include "framework/framework_property_sheet.h"
#include "prefsheets/preference_page.h"

class KELT_CLASS CPrefSheet : public CPropertySheet {
 public:
  enum Kind { kSpectra, kChromatogram, kReport, kGeneral };
  CPrefSheet(Kind kind, const char* title, CWnd* parent, UINT startPage, uint32_t helpContext);
  ~CPrefSheet() override;

  Kind m_kind;
  int16_t m_defaultsFlag = 0;
  int16_t m_mode = 0;
  HWND m_live = nullptr;  // the control previewing the edits, or null (a handle: callers may pass a temporary object)
  CButton* m_resetAll = nullptr;
  CButton* m_saveAll = nullptr;
  int16_t m_laidOut = 0;

  // Two rows of extra buttons: a live spectra or chromatogram sheet.
  bool HasSaveAll() const { return (m_kind == kSpectra || m_kind == kChromatogram) && !m_defaultsFlag; }

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Sheet-specific: every page slice to its defaults.
  virtual void ResetAll() = 0;
  // The whole record from the current slices (spectra and chromatogram
  // sheets); false when the sheet has none.
  virtual bool BuildRecord(std::vector<uint8_t>* record) {
    (void)record;
    return false;
  }
  // "Save All as Defaults".
  virtual void SaveAll() {}
  // The record pushed into the live control.
  void LivePreview();
  void LayoutButtons();

 protected:
  // The active page refreshed; colour and label pages repainted.
  void RefreshActivePage(bool repaint);
  kelt::dlg::DialogHelp m_help;
};

namespace prefsheets {
// A write of a stored default record that changes the library's current
// copy only when the write succeeded, and tells the user when it failed.
// write: the record's write function; current: the library's copy.
KELT_CLASS bool WriteDefaultsOrSay(HWND owner, const char* what, void* current, size_t size,
                                   bool (*write)(const void* record), const void* record);
// The page numbers last activated, one per sheet class (and per mode or
// page order where the sheet keeps several), outliving the sheets.
struct RememberedPages {
  int16_t spectra = 6;
  int16_t chromatogram = 8;   // what the chromatogram pages write
  int16_t chroGeneral = 8;    // kept per mode, on OK only
  int16_t chroMode2 = 0;
  int16_t chroMode3 = 0;
  int16_t chroMode4 = 8;
  int16_t chroMode5 = 9;
  int16_t report = 2;         // what the report pages write
  int16_t reportSpectraFirst = 2;
  int16_t reportChroFirst = 9;
  int16_t general = 1;
};
KELT_CLASS RememberedPages& Remembered();
// The remembered opening pages back to their first values (tests).
KELT_CLASS void ResetRememberedPages();
// The position of a page number in a sheet's table; 0 when missing.
KELT_CLASS int OpeningPage(const int16_t* table, int count, int16_t remembered);
}  // namespace prefsheets
