#pragma once
// The plot controls' integration and filtering dialogs: the modeless
// "Edit Integration Parameters" window of one plot or of all plots of a
// detector (integration, results list, area labels, exports and summary
// report). The filtering editor it once held has its own file.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/filtering_params_dialog.h"
#include "dialogs/quick_integration_params.h"
#include "dialogs/quick_integrator.h"
#include "framework/framework_dialog.h"
#include "plotengine/overlay.h"

class CCtlOPlot;
struct STRUCT_SPT_PLUS;

#define QUICK_INTEGRATION_DIALOG_ID 381
#define QUICK_INTEGRATION_HELP_CONTEXT 201
// Commands and controls of the integration window.
#define QI_INTEGRATE 6240
#define QI_PRINT 6243
#define QI_EXPORT 6244
#define QI_APPEND 6245
#define QI_SAVE_PARAMS 6246
#define QI_EDIT_PARAMS 6247
#define QI_SHOW_LABELS 6248
#define QI_LOAD_PARAMS 6249
#define QI_EXIT 6250
#define QI_CLEAR 6251
#define QI_DELETE 6253
#define QI_DATA_FILE 6254
#define QI_LOCAL 6255
#define QI_LOCK_WIDTH 6213
#define QI_USE_RMS 6260
#define QI_LIST 6230
#define QI_FILE_PARAMS 6231
#define QI_WIDTH 6210
#define QI_SLOPE 6211
#define QI_TANGENT 6212
#define QI_REJECT 6214
#define QI_WIDTH_LABEL 6220
#define QI_SLOPE_LABEL 6221
#define QI_TANGENT_LABEL 6222
#define QI_REJECT_LABEL 6223
#define QI_FILE_GROUP 6224
#define QI_LOCAL_GROUP 6225
#define QI_PARAMS_GROUP 6226
#define QI_GRIP 6227
// Pop-up commands of Export and Append.
#define QI_APPEND_TEXT 600
#define QI_EXPORT_TEXT 601
#define QI_APPEND_SPECTRA 602
#define QI_EXPORT_SPECTRA 603

// Messages of the plot control to an open integration window.
#define QIM_REMAPPLOTS (WM_USER + 20)
#define QIM_EXCHANGEPLOTS (WM_USER + 21)
#define QIM_REFRESH (WM_USER + 22)
#define QIM_SETPARAMS (WM_USER + 23)
// Bytes of the noise record the controls hand over.
#define QUICK_INTEGRATION_SETTINGS_SIZE 94
#define QUICK_INTEGRATION_ALL_PLOTS 20

class KELT_CLASS CQuickIntegrationDlg : public CDialog {
 public:
  // plotIndex 0-19, or 20 for every present plot of the detector. The
  // dialog sends closeMessage (when not 0) with its plot index to parent
  // as its window goes, however it is closed.
  CQuickIntegrationDlg(CWnd* parent, short plotIndex, CCtlOPlot* control, uint16_t moduleId, SVW_OVERLAY* overlay,
                       int16_t filterFlag, const int16_t* filtering, const void* noise, UINT closeMessage,
                       int16_t timeRange);
  // Makes the modeless window; FALSE when it cannot be made (the object is
  // then the caller's to delete). Afterwards the window deletes the object.
  BOOL CreateWindowed();

  // ---- State the plot control, the host and tests read -------------------------------
  short m_plotIndex;
  uint16_t m_moduleId;
  int16_t m_filterFlag;
  int16_t m_filtering[TRANSIENT_FILTER_VALUES] = {};
  uint8_t m_noise[QUICK_INTEGRATION_SETTINGS_SIZE] = {};
  int16_t m_timeRange;
  STRUCT_QUICK_INT_PARAMS m_params{};
  int16_t m_useRms = 1;
  int16_t m_openAndIntegrate = 1;
  STRUCT_QUICK_INT_PEAK* m_results[OVERLAY_SLOTS] = {};
  int16_t m_peakCount[OVERLAY_SLOTS] = {};
  int16_t m_chosen[OVERLAY_SLOTS] = {};
  double m_totalArea[OVERLAY_SLOTS] = {};
  int16_t m_chosenCount = 0, m_totalPeaks = 0;
  STRUCT_QUICK_INT_PARAMS m_last{};  // parameters of the last integration
  double m_lastStart = 0, m_lastEnd = 0;
  int16_t m_lastHadRange = 0;
  int16_t m_resultsPresent = 0, m_paramsChanged = 0, m_buttonState = 1;
  int16_t m_panelHidden = 0;

  // The text of one cell of the results list (row, column 0-5).
  std::string CellText(int row, int column) const;
  int RowCount() const { return m_chosenCount + m_totalPeaks; }
  // Plot and peak (-1 for a plot row) of a list row; false past the end.
  bool RowAt(int row, int* plot, int* peak) const;

  // ---- Commands (public so that hosts and tests can drive them directly) -----------
  void Integrate();
  void ClearResults();
  void DeleteResults();
  void TogglePanel();
  // Writes every chosen plot into a text file, separated as the extension
  // says ("txt" tabs, "prn" blanks, else commas); create: a new file, else
  // added to. The number of plots written.
  int WriteTextFile(const char* path, const char* extension, bool create);
  // Makes the integration summary into a reports file (an empty path: a
  // new temporary one, whose name comes back); the number of pages.
  int MakeSummaryReport(std::string* reportsPath, bool temporary);
  // One averaged, background-corrected spectrum of a peak (plot 0-19, peak
  // below the plot's count), its comment and title telling the peak; the
  // caller frees it with PlusSpt_Free. 0 when none can be made.
  STRUCT_SPT_PLUS* MakePeakSpectrum(int plot, int peak);
  // Writes the spectrum of every peak of every plot with peaks into a
  // spectrum list: create makes the file with the first spectrum made
  // (plain pairs when the name ends in ".msp"), the rest are added. The
  // number of spectra written.
  int WriteSpectrumList(const char* path, bool create);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  DECLARE_MESSAGE_MAP()

 private:
  void OnIntegrate() { Integrate(); }
  void OnClear() { ClearResults(); }
  void OnDelete() { DeleteResults(); }
  void OnEditParams() { TogglePanel(); }
  void OnExit() { DestroyWindow(); }
  void OnSaveParams();
  void OnLoadParams();
  void OnPrint();
  void OnExportButton();
  void OnAppendButton();
  void OnExportText();
  void OnAppendText();
  void OnExportSpectra();
  void OnAppendSpectra();
  void OnCheckBox(int id);
  void OnDataFileOrLocal(int id);
  void OnKillField(int id);
  void OnHelpButton();
  LRESULT OnRemapPlots(WPARAM, LPARAM);
  LRESULT OnExchangePlots(WPARAM, LPARAM);
  LRESULT OnRefresh(WPARAM, LPARAM);
  LRESULT OnSetParams(WPARAM, LPARAM);

  void ReadLocalParams();
  void FillParamControls();
  void FillFileParamsList();
  void ChoosePlots();
  void SetTitle();
  void MakeColumns();
  void UpdateButtons();
  void SetListCount();
  void FreeResults();
  void LayOutHidden();
  void OnSized();
  const OVERLAY_SLOT* Slot(int plot) const;
  bool Usable(int plot) const;  // chosen, with a work file and a data-points record

  CCtlOPlot* m_control;
  SVW_OVERLAY* m_overlay;
  HWND m_opener = nullptr;
  UINT m_closeMessage;
  char* m_text = nullptr;  // 500-byte list text buffer
  HFONT m_listFont = nullptr;
  kelt::dlg::DialogHelp m_help{QUICK_INTEGRATION_HELP_CONTEXT};
  int m_minWidth = 0, m_minHeightHidden = 0, m_minHeightShown = 0, m_panelHeight = 0, m_groupTop = 0;
  RECT m_templateRects[30] = {};
  RECT m_lastClient{};
  int m_openWidth = 0, m_openClientWidth = 0;
  bool m_initialised = false;
  bool m_sizing = false;
};
