#pragma once
// The pages of the preference sheets and the marker appearance dialog.
// Control ids are per template; the common ones:
//   1000-1099 check boxes, 1100-1199 radio buttons, 1200-1299 number
//   fields, 1300-1399 drop-down lists, 1400-1499 colour swatches,
//   1500-1549 font buttons, 1550-1599 font samples and texts,
//   1600-1699 lists, 1700-1799 push buttons, 1800-1899 track bars and
//   their caption strips, 1900-1999 spin buttons.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "framework/framework_dialog.h"
#include "prefsheets/preference_page.h"

// Template ids.
enum : int {
  PREFS_T_LABELS = 220,
  PREFS_T_AXES = 221,
  PREFS_T_COLORS = 222,
  PREFS_T_RPT_SPTS_COLORS = 223,
  PREFS_T_CHRO_COLORS = 224,
  PREFS_T_RPT_CHRO_COLORS = 225,
  PREFS_T_SCALES = 226,
  PREFS_T_LABELING = 227,
  PREFS_T_SPECTRA_REPORTS = 228,
  PREFS_T_FONT = 229,
  PREFS_T_REPORT_FONTS = 230,
  PREFS_T_LIST_FONTS = 231,
  PREFS_T_SPOOLER = 232,
  PREFS_T_MISC = 233,
  PREFS_T_DH = 234,
  PREFS_T_MARKERS = 235,
  PREFS_T_SPTS_FEATURES = 236,
  PREFS_T_CHRO_FEATURES = 237,
  PREFS_T_AMDIS = 238,
  PREFS_T_TL = 239,
  PREFS_T_CHRO_PLOT = 240,
  PREFS_T_CHRO_TITLES = 241,
  PREFS_T_RPT_SPECTRA_PLOTS = 242,
  PREFS_T_CHRO_REPORTS = 243,
  PREFS_T_NOISE = 244,
  PREFS_T_SPTS_TITLES = 245,
  PREFS_T_CAL_CURVES = 246,
  PREFS_T_PROFILE = 247,
  PREFS_T_SCI_NOTATION = 248,
  PREFS_T_MISC_REPORT = 249,
  PREFS_T_MARKER_APPEARANCE = 271,
  PREFS_T_OPTIMIZATION = 391,
};

// Shared control ids.
enum : int {
  PREFS_CHECK = 1000,    // + n
  PREFS_RADIO = 1100,    // + n
  PREFS_NUMBER = 1200,   // + n
  PREFS_COMBO = 1300,    // + n
  PREFS_SWATCH = 1400,   // + colour index
  PREFS_FONT = 1500,     // + n
  PREFS_SAMPLE = 1550,   // + n
  PREFS_CAPTION = 1560,  // a text the page sets
  PREFS_NOTE = 1561,
  PREFS_CHOOSE_LIST = 1601,
  PREFS_SELECTED_LIST = 1602,
  PREFS_ADD = 1701,
  PREFS_INSERT = 1702,
  PREFS_REMOVE = 1703,
  PREFS_MOVE_UP = 1704,
  PREFS_MOVE_DOWN = 1705,
  PREFS_APPEARANCE = 1706,
  PREFS_SELECT_FILE = 1707,
  PREFS_CREATE_FILE = 1708,
  PREFS_TRACK = 1800,  // + n
  PREFS_STRIP = 1810,  // + n
  PREFS_SPIN = 1900,   // + n
};

// ---- Colour pages -----------------------------------------------------------

// A colour block: swatches for some of its colours and check boxes.
class KELT_CLASS CColourPageBase : public CPrefPage {
 public:
  struct Swatch {
    int index;  // colour number in the block (offset 4 x index)
    const char* label;
  };
  struct Box {
    int offset;
    const char* label;
  };
  CColourPageBase(UINT templateId, const char* caption, size_t size, int16_t number, int16_t* last, uint32_t help,
                  bool screen, std::vector<Swatch> swatches, std::vector<Box> boxes, int fadedOffset);

 protected:
  void AfterChange(int id) override;
  bool m_screen;
  int m_fadedOffset;
};

class KELT_CLASS CColorsPage : public CColourPageBase {
 public:
  CColorsPage();
};
class KELT_CLASS CRptSptsColorsPage : public CColourPageBase {
 public:
  CRptSptsColorsPage();
};
class KELT_CLASS CChroColorsPage : public CColourPageBase {
 public:
  CChroColorsPage();
};
class KELT_CLASS CRptChroColorsPage : public CColourPageBase {
 public:
  CRptChroColorsPage();
};

// ---- Labels, axes and fonts -------------------------------------------------------

class KELT_CLASS CLabelsPage : public CPrefPage {
 public:
  CLabelsPage(int16_t defaultsFlag, int16_t spectra, UINT templateId = PREFS_T_LABELS);

 protected:
  void ApplyRules() override;
  void OnDeactivate() override;
  void FontChooserSetup(int offset, DWORD* flags, COLORREF* colour) override;
};

class KELT_CLASS CAxesPage : public CPrefPage {
 public:
  CAxesPage(int16_t defaultsFlag, int16_t spectra, int16_t report, UINT templateId = PREFS_T_AXES);
};

class KELT_CLASS CFontPage : public CPrefPage {
 public:
  CFontPage(int16_t defaultsFlag, int16_t chromatogram, UINT templateId = PREFS_T_FONT);
  BOOL OnSetActive() override;

 private:
  int16_t m_chromatogram;
};

class KELT_CLASS CReportFontsPage : public CPrefPage {
 public:
  CReportFontsPage();

 protected:
  bool DrawOwnItem(const DRAWITEMSTRUCT* d) override;
};

class KELT_CLASS CListFontsPage : public CPrefPage {
 public:
  CListFontsPage();
};

// ---- Field lists: annotations and plot titles -------------------------------------

// "Choose from:" and "Selected:" lists over one array of field indexes.
class KELT_CLASS CFieldListPage : public CPrefPage {
 public:
  CFieldListPage(UINT templateId, const char* caption, size_t size, int16_t number, int16_t* last, uint32_t help,
                 bool sortedChoices);
  BOOL OnSetActive() override;
  void UpdateControls() override;
  void NotifyChanged() override;
  // Every stored array rid of indexes its vocabulary does not hold.
  virtual void PurgeIndexes();

 protected:
  // The array being edited: its count and items offsets, capacity, vocabulary.
  virtual int CountOffset() const = 0;
  virtual int ItemsOffset() const = 0;
  virtual int Capacity() const = 0;
  virtual const std::vector<const char*>& Vocabulary() const = 0;
  // Lists and their buttons usable (annotations or the line shown).
  virtual bool ListsOn() const = 0;
  // The show flag that the validity rule clears, -1 when none.
  virtual int ShowOffset() const = 0;
  virtual bool Valid() const;
  // Controls other than the lists enabled with them.
  virtual void EnableExtras(bool on) { (void)on; }
  void OnDeactivate() override;
  bool OnPageCommand(int id, int code) override;
  void ApplyRules() override;
  void AfterChange(int id) override;

  void FillLists();
  void FillSelected(const std::vector<int>& selected);
  void Enabling();
  int SelectedSingle() const;
  void Store(const std::vector<int16_t>& items);
  std::vector<int16_t> Items() const;
  void Add();
  void Insert();
  void Remove();
  void Move(int by);
  static void PurgeArray(CPrefPage* page, int countOffset, int itemsOffset, int capacity, int vocabulary);
  bool m_sorted;
};

class KELT_CLASS CDHAnnotationsPage : public CFieldListPage {
 public:
  explicit CDHAnnotationsPage(int16_t defaultsFlag, UINT templateId = PREFS_T_DH);

 protected:
  int CountOffset() const override { return 14; }
  int ItemsOffset() const override { return 16; }
  int Capacity() const override { return 10; }
  const std::vector<const char*>& Vocabulary() const override;
  bool ListsOn() const override { return Word(0) != 0; }
  int ShowOffset() const override { return 0; }
  bool Valid() const override;
  void EnableExtras(bool on) override;
  bool OnPageCommand(int id, int code) override;
};

class KELT_CLASS CAMDISAnnotationsPage : public CFieldListPage {
 public:
  explicit CAMDISAnnotationsPage(int16_t defaultsFlag, UINT templateId = PREFS_T_AMDIS);
  void PurgeIndexes() override;

 protected:
  int CountOffset() const override { return Word(2) ? 4 : 28; }
  int ItemsOffset() const override { return Word(2) ? 6 : 30; }
  int Capacity() const override { return Word(2) ? 11 : 12; }
  const std::vector<const char*>& Vocabulary() const override;
  bool ListsOn() const override { return Word(0) != 0; }
  int ShowOffset() const override { return 0; }
  void EnableExtras(bool on) override;
  bool OnPageCommand(int id, int code) override;
};

class KELT_CLASS CTLAnnotationsPage : public CFieldListPage {
 public:
  explicit CTLAnnotationsPage(int16_t defaultsFlag, UINT templateId = PREFS_T_TL);

 protected:
  int CountOffset() const override { return 2; }
  int ItemsOffset() const override { return 4; }
  int Capacity() const override { return 8; }
  const std::vector<const char*>& Vocabulary() const override;
  bool ListsOn() const override { return Word(0) != 0; }
  int ShowOffset() const override { return 0; }
  void EnableExtras(bool on) override;
  bool OnPageCommand(int id, int code) override;
};

class KELT_CLASS CChroTitlesPage : public CFieldListPage {
 public:
  explicit CChroTitlesPage(int16_t defaultsFlag, UINT templateId = PREFS_T_CHRO_TITLES);

 protected:
  int CountOffset() const override { return 8; }
  int ItemsOffset() const override { return 10; }
  int Capacity() const override { return 8; }
  const std::vector<const char*>& Vocabulary() const override;
  bool ListsOn() const override { return Word(0) != 0; }
  int ShowOffset() const override { return 0; }
};

class KELT_CLASS CSptsTitlesPage : public CFieldListPage {
 public:
  explicit CSptsTitlesPage(UINT templateId = PREFS_T_SPTS_TITLES);
  void PurgeIndexes() override;
  void NotifyChanged() override;
  int16_t m_line = 0;  // the title line the lists edit

 protected:
  int CountOffset() const override { return 16 + 22 * m_line; }
  int ItemsOffset() const override { return 18 + 22 * m_line; }
  int Capacity() const override { return 10; }
  const std::vector<const char*>& Vocabulary() const override;
  bool ListsOn() const override { return Word(2 * m_line) != 0; }
  int ShowOffset() const override { return -1; }
  bool Valid() const override { return true; }
  bool OnPageCommand(int id, int code) override;
  void ApplyRules() override;
};

// ---- Feature, scale, plot and report pages ----------------------------------------

class KELT_CLASS CSptsFeaturesPage : public CPrefPage {
 public:
  CSptsFeaturesPage(int16_t mode = 0, UINT templateId = PREFS_T_SPTS_FEATURES);
  int16_t m_mode;

 protected:
  void ApplyRules() override;
};

class KELT_CLASS CChroFeaturesPage : public CPrefPage {
 public:
  CChroFeaturesPage(int16_t defaultsFlag, int16_t mode = 0, UINT templateId = PREFS_T_CHRO_FEATURES);
  int16_t m_mode;

 protected:
  void ApplyRules() override;
};

class KELT_CLASS CScalesPage : public CPrefPage {
 public:
  explicit CScalesPage(UINT templateId = PREFS_T_SCALES);
};

class KELT_CLASS CLabelingPage : public CPrefPage {
 public:
  CLabelingPage(int16_t mode = 0, UINT templateId = PREFS_T_LABELING);
  int16_t m_mode;

 protected:
  void ApplyRules() override;
};

class KELT_CLASS CProfilePlotsPage : public CPrefPage {
 public:
  explicit CProfilePlotsPage(UINT templateId = PREFS_T_PROFILE);

 protected:
  void ApplyRules() override;
};

class KELT_CLASS CMarkersPage : public CPrefPage {
 public:
  // mode: the chromatogram sheet's mode, -1 on the report sheet.
  CMarkersPage(int16_t defaultsFlag, int16_t optimization, int16_t report, int16_t mode,
               UINT templateId = PREFS_T_MARKERS);
  int16_t m_optimization, m_report, m_mode;

 protected:
  void ApplyRules() override;
  bool OnPageCommand(int id, int code) override;
};

class KELT_CLASS CNoisePage : public CPrefPage {
 public:
  explicit CNoisePage(int16_t defaultsFlag, UINT templateId = PREFS_T_NOISE);

 protected:
  bool OnPageCommand(int id, int code) override;
};

class KELT_CLASS CChroPlotPage : public CPrefPage {
 public:
  explicit CChroPlotPage(int16_t defaultsFlag, UINT templateId = PREFS_T_CHRO_PLOT);

 protected:
  void ApplyRules() override;
  void AfterChange(int id) override;
  void FillPoints();
  int16_t m_listedMethod = -1;
};

class KELT_CLASS COptimizationDataPage : public CPrefPage {
 public:
  explicit COptimizationDataPage(int16_t defaultsFlag, UINT templateId = PREFS_T_OPTIMIZATION);

 protected:
  void ApplyRules() override;
  void AfterChange(int id) override;
};

class KELT_CLASS CSpectraReportsPage : public CPrefPage {
 public:
  explicit CSpectraReportsPage(UINT templateId = PREFS_T_SPECTRA_REPORTS);

 protected:
  bool DrawOwnItem(const DRAWITEMSTRUCT* d) override;
};

class KELT_CLASS CRptSpectraPlotsPage : public CPrefPage {
 public:
  explicit CRptSpectraPlotsPage(UINT templateId = PREFS_T_RPT_SPECTRA_PLOTS);

 protected:
  void ApplyRules() override;
};

class KELT_CLASS CChroReportsPage : public CPrefPage {
 public:
  explicit CChroReportsPage(UINT templateId = PREFS_T_CHRO_REPORTS);

 protected:
  bool DrawOwnItem(const DRAWITEMSTRUCT* d) override;
};

class KELT_CLASS CCalCurvesPage : public CPrefPage {
 public:
  explicit CCalCurvesPage(UINT templateId = PREFS_T_CAL_CURVES);

 protected:
  bool DrawOwnItem(const DRAWITEMSTRUCT* d) override;
};

// ---- Spooler, miscellaneous and scientific notation -------------------------------

class KELT_CLASS CSpoolerPage : public CPrefPage {
 public:
  explicit CSpoolerPage(UINT templateId = PREFS_T_SPOOLER);
  void UpdateControls() override;

 protected:
  bool OnPageCommand(int id, int code) override;
};

class KELT_CLASS CMiscReportPage : public CPrefPage {
 public:
  explicit CMiscReportPage(UINT templateId = PREFS_T_MISC_REPORT);
};

class KELT_CLASS CMiscellaneousPage : public CPrefPage {
 public:
  explicit CMiscellaneousPage(UINT templateId = PREFS_T_MISC);
};

class KELT_CLASS CSciNotationPage : public CPrefPage {
 public:
  explicit CSciNotationPage(UINT templateId = PREFS_T_SCI_NOTATION);

 protected:
  void ApplyRules() override;
};

// ---- Marker appearance -----------------------------------------------------------------

// Colours, font, angle and one detail switch of a family of chromatogram
// markers; OK returns 1 (the caller takes m_params), Cancel 2.
class KELT_CLASS CMarkerAppearanceDlg : public CDialog {
 public:
  CMarkerAppearanceDlg();
  ~CMarkerAppearanceDlg() override;
  int16_t m_kind = 0;
  STRUCT_MARKER_PARAMS m_params{};

  INT_PTR DoModal() override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Fill();
  void Sample();
  HFONT m_sample = nullptr;
  kelt::dlg::DialogHelp m_help{171};
};

// The texts a kind of marker shows: caption, note and detail label.
namespace prefsheets {
struct MarkerTexts {
  const char* caption;
  const char* note;
  const char* detail;
};
KELT_CLASS MarkerTexts MarkerKindTexts(int16_t kind);
// The field vocabularies of the list pages.
KELT_CLASS const std::vector<const char*>& DHFields();
KELT_CLASS const std::vector<const char*>& AMDISComponentFields();
KELT_CLASS const std::vector<const char*>& AMDISIdentifiedFields();
KELT_CLASS const std::vector<const char*>& TLFields();
KELT_CLASS const std::vector<const char*>& ChroTitleFields();
KELT_CLASS const std::vector<const char*>& SptsTitleFields();
}  // namespace prefsheets
