#pragma once
// Spectrum information: the rows of everything known about one or two
// spectra in a report-view list, the information list inside the spectrum
// control, a two-list window for one spectrum, a window holding one
// spectrum control, and the control's toolbar frame.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "framework/framework_controls.h"
#include "framework/framework_wnd.h"
#include "spectra/spectrum_record.h"
#include "spectrumctl/spectrum_control.h"
#include "overlayctl/wrapping_toolbar.h"  // the toolbar frame, CWrapSptToolBar

// Fills a report-view list (already cleared, columns set up) with the
// information rows of spectrum a and, beside it, b (may be null).
KELT_API void KELT_ShowSpectraInfoInListCtrl(STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b, CListCtrl* list);
// The number of rows KELT_ShowSpectraInfoInListCtrl writes for the same spectra.
KELT_CLASS int16_t KELT_CountSpectraInfoRows(STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b);

namespace kelt::sptinfo {
struct Row {
  std::string label, a, b;
};
// The information rows of a and b, as the list shows them.
KELT_CLASS std::vector<Row> InfoRows(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b);
// One ion-list row: the 1-based pair indexes in A and B (0 absent).
struct IonRow {
  uint32_t a = 0, b = 0;
};
// Both pair lists merged in mass order, equal masses sharing a row.
KELT_CLASS std::vector<IonRow> MergeIons(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b);
}  // namespace kelt::sptinfo

#define SPTINFO_MODE_INFO 1
#define SPTINFO_MODE_IONS 2
#define SPTINFO_MODE_COMPARISON 3
#define SPTINFO_RESIZED (WM_USER + 1111)
// Sort-marker icons of the list headers: 801 the mass column sorted
// ascending, 803 the intensity columns sorted descending, 800 the mass
// column while another sorts, 802 a column not sorted.
#define SPTINFO_ICON_FIRST 800
#define SPTINFO_ICONS 4

namespace kelt::sptinfo {
// The marker icon of each of columns columns (at most 5) with the list
// sorted by sortColumn: columns 1 and 2 belong to the first spectrum, 3 and
// 4 to the second.
KELT_CLASS void SortMarkers(int sortColumn, int columns, int16_t* icons);
}  // namespace kelt::sptinfo

// The information list inside the spectrum control (child 12345).
class KELT_CLASS CWrapCtlSptInfo : public CWnd {
 public:
  CWrapCtlSptInfo();
  ~CWrapCtlSptInfo() override;
  void PostNcDestroy() override {}

  CListCtrl* m_pList = nullptr;
  HFONT m_listFont = nullptr;
  STRUCT_SPT_PLUS* m_a = nullptr;  // not owned
  STRUCT_SPT_PLUS* m_b = nullptr;
  char m_prefix[SPT_NAME_SIZE] = {};
  char m_labelA[SPT_NAME_SIZE + 2] = {};
  char m_labelB[SPT_NAME_SIZE + 2] = {};
  int16_t m_mode = SPTINFO_MODE_INFO;
  uint16_t m_sortColumn = 65535, m_previousSort = 65535;
  int16_t m_searchSet = 0;
  STRUCT_CCSPT_SEARCH_PARAMS m_search{};
  int16_t m_widths[5] = {};
  std::vector<kelt::sptinfo::IonRow> m_ions;
  HIMAGELIST m_images = nullptr;
  int16_t m_markers[5] = {};  // the icon each column header shows

  // Texts of the list as shown: rows of columns.
  int RowCount() const;
  std::string Cell(int row, int column) const;

 protected:
  // A click on a column header asks for that column's order.
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  LRESULT OnClear(WPARAM, LPARAM);
  LRESULT OnShowInfo(WPARAM, LPARAM);
  LRESULT OnShowIons(WPARAM, LPARAM);
  LRESULT OnSortColumn(WPARAM, LPARAM);
  LRESULT OnSetPrefix(WPARAM, LPARAM);
  LRESULT OnShowComparison(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void MakeLabels();
  void SetHeadings();
  void SizeColumns(int width);
  void FillIons();
  void ShowSortMarkers();
};

// One spectrum's information rows (left) and ions (right).
class KELT_CLASS CWrapSpectrumInfo : public CWnd {
 public:
  CListCtrl* m_pLeft = nullptr;
  CListCtrl* m_pRight = nullptr;
  STRUCT_SPT_PLUS* m_spectrum = nullptr;  // not owned
  int16_t m_sortColumn = -1;
  HIMAGELIST m_images = nullptr;
  int16_t m_markers[3] = {};  // the icon each ion column header shows
  ~CWrapSpectrumInfo() override;

 protected:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  int OnCreate(CREATESTRUCTA* cs);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  LRESULT OnClear(WPARAM, LPARAM);
  LRESULT OnShow(WPARAM, LPARAM);
  LRESULT OnSortColumn(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void FillIons();
};

// A window holding one spectrum control (id 500) that passes the control's
// delete, hide and show notifications on to a chosen window.
class KELT_CLASS CWrapCtlSpt : public CWnd {
 public:
  CCtlSpt* m_pControl = nullptr;
  uint16_t m_targetCommand = 0;
  HWND m_target = nullptr;
  // Makes the control; 1, or 0 when it could not be made.
  int CreateControl();

 protected:
  void OnSize(UINT type, int cx, int cy);
  void OnDestroy();
  LRESULT OnSetTarget(WPARAM, LPARAM);
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  DECLARE_MESSAGE_MAP()
};
