#pragma once
// The spectra shown by a data-review host: four spectrum controls of two
// places each (spectrum A and B), the marker tying each spectrum to the
// chromatogram, a preference copy per control, the active place and the
// active spectrum-list (MSP) file of the library-search group.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "spectra/spectrum_record.h"
#include "win/win_types.h"
#include "win/win_user.h"

struct STRUCT_NIST_DEFS;
struct STRUCT_MSP_FILE_DEFS;

#define DRM_CONTROLS 4
#define DRM_PLOTS 2
#define DRM_MSP_PATH_SIZE 260

// Messages of the spectrum control and the overlay plot control that the
// managers send.
#define SPTM_NODATA (WM_USER + 21)
#define SPTM_GETLOCALPREFERENCES (WM_USER + 58)
#define SPTM_SETLOCALPREFERENCES (WM_USER + 59)
#define SPTM_SPTPLUSDATA (WM_USER + 68)
#define OPM_CLEARMARKERINFO (WM_USER + 69)
#define SPTM_SETDATAREVIEWMANAGER (WM_USER + 72)
#define OPM_SETDATAREVIEWMANAGER (WM_USER + 72)
#define SPTM_GETSPECTRUMPOINTER (WM_USER + 85)
#define SPTM_ISSPTDISPLAYED (WM_USER + 90)

#pragma pack(push, 1)
// Where a spectrum came from on the chromatogram.
struct STRUCT_SPT_MARKER {
  int16_t present;        // 1 = set
  int32_t centreScan;     // middle scan of the spectrum's scan range
  int16_t chroPlotIndex;  // overlay plot the spectrum came from
  uint32_t firstScan;
  uint32_t lastScan;
  uint16_t plotFlag;  // set by the plot control
};

// Spectra handed to a spectrum control by pointer; they stay the sender's.
struct STRUCT_CCSPT_SPT_PLUS_DATA {
  uint16_t presentA;
  STRUCT_SPT_PLUS* sptA;
  uint16_t presentB;
  STRUCT_SPT_PLUS* sptB;
  int16_t hiddenA;
  int16_t hiddenB;
  int16_t hiddenDifference;
  int16_t options[5];
};

// A spectrum control's local preferences as SPTM_GET/SETLOCALPREFERENCES
// exchange them.
struct STRUCT_SPT_LOCAL_PREFS {
  int16_t localWord;
  int16_t flag;  // carried to the other controls by UpdateOtherSptsPrefs
  STRUCT_SPTS_PREFS prefs;
  uint8_t scaleBlocks[2][34];
  int16_t value;
  uint8_t block[40];
  int16_t values[2];
};

#pragma pack(pop)

// The block every manager of one data-review manager works on. It holds
// pointers and lives in memory only, so it keeps natural alignment.
struct STRUCT_SEARCH_GROUP {
  int16_t activeControl;
  int16_t activePlot;
  STRUCT_SPT_PLUS* spectra[DRM_CONTROLS][DRM_PLOTS];  // owned; 0 = empty
  STRUCT_SPT_MARKER markers[DRM_CONTROLS][DRM_PLOTS];
  STRUCT_SPTS_PREFS sptsPrefs[DRM_CONTROLS];
  char activeMSPFile[DRM_MSP_PATH_SIZE];
  uint32_t searchHandleA;             // released with ReleaseSearchGroupHandleA
  uint32_t searchHandleB;             // released with ReleaseSearchGroupHandleB
  STRUCT_NIST_DEFS* nistDefs;         // not owned
  STRUCT_MSP_FILE_DEFS* mspFileDefs;  // not owned
};

static_assert(sizeof(STRUCT_SPT_MARKER) == 18);
static_assert(offsetof(STRUCT_SPT_MARKER, chroPlotIndex) == 6);
static_assert(offsetof(STRUCT_SPT_MARKER, plotFlag) == 16);
static_assert(sizeof(STRUCT_SPT_LOCAL_PREFS) == 4 + 478 + 68 + 2 + 40 + 4);
static_assert(offsetof(STRUCT_SPT_LOCAL_PREFS, prefs) == 4);

// One place (a control's spectrum A or B).
class KELT_CLASS CSptManager {
 public:
  CSptManager();
  // Stores the spectrum (the manager owns it from now on) with the marker,
  // or a zeroed marker when marker is 0.
  void NewSpectrum(STRUCT_SPT_PLUS* spt, const STRUCT_SPT_MARKER* marker);
  void DeleteSpectrum();
  // With an owner and a new-spectrum message the spectrum goes to the
  // owner (which takes it); otherwise as NewSpectrum.
  void NewSptFromDialog(STRUCT_SPT_PLUS* spt, const STRUCT_SPT_MARKER* marker);

  STRUCT_SEARCH_GROUP* m_pBlock;
  uint16_t m_ControlIndex;
  uint16_t m_PlotIndex;
  HWND m_hOwner;
  HWND m_hSptCtrl;
  uint32_t m_NewSptMessage;
  uint32_t m_ChangeMessage;

 private:
  bool ValidPlace() const;
  void ShowSpectraOfControl() const;
};

class KELT_CLASS CDataReviewManager {
 public:
  CDataReviewManager(STRUCT_NIST_DEFS* nistDefs, STRUCT_MSP_FILE_DEFS* mspFileDefs, int16_t useListProfile);
  ~CDataReviewManager();
  CDataReviewManager(const CDataReviewManager&) = delete;
  CDataReviewManager& operator=(const CDataReviewManager&) = delete;

  void Setup(HWND owner, HWND sptCtrl0, UINT newSptMsgA, UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB);
  void SetupEx(HWND owner, HWND sptCtrl0, HWND sptCtrl1, HWND sptCtrl2, HWND sptCtrl3, HWND plotCtrl, UINT newSptMsgA,
               UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB, uint16_t attached);
  void SetPlotInfo(HWND plotOwner, HWND plotCtrl);
  void RemovePlotInfo();
  void SetSptsInfo(HWND owner, HWND sptCtrl0, HWND sptCtrl1, HWND sptCtrl2, HWND sptCtrl3, UINT newSptMsgA,
                   UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB);
  void RemoveSptsInfo();

  void SetActiveSptControlIndex(int16_t index);
  void SetActiveSptPlotIndex(int16_t index);
  int16_t GetActiveSptControlIndex() const;
  int16_t GetActiveSptPlotIndex() const;

  void SetSptsPrefs(const STRUCT_SPTS_PREFS* prefs, int16_t control);
  void UpdateOtherSptsPrefs(const STRUCT_SPTS_PREFS* prefs, int16_t control);

  // The manager takes every spectrum handed in, also one it cannot place.
  void NewSpectrum1(STRUCT_SPT_PLUS* spt, int16_t control);
  void NewSpectrum2(STRUCT_SPT_PLUS* spt, int16_t control);
  void NewSpectrum(STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot, const STRUCT_SPT_MARKER* marker);
  // Stores a copy of the caller's spectrum; the caller keeps its own.
  void ReplaceSpectrum(const STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot);
  int16_t HaveSpectrum(int16_t control, int16_t plot) const;
  void UpdateSpectraControls() const;

  int16_t HaveMarker(int16_t control, int16_t plot) const;
  int16_t GetChroPlotIndex(int16_t control, int16_t plot) const;
  void ClearMarker(int16_t control, int16_t plot);
  int16_t GetMarker(int16_t control, int16_t plot, STRUCT_SPT_MARKER* marker) const;
  void SetMarker(int16_t control, int16_t plot, const STRUCT_SPT_MARKER* marker);

  int16_t GetSpectraCount() const;
  // Owned by the manager.
  STRUCT_SPT_PLUS* GetSpectrum(int16_t control, int16_t plot) const;
  // Owned by the control.
  STRUCT_SPT_PLUS* GetSpectrumFromCtrl(int16_t control, int16_t plot) const;
  void UpdateActiveSpectrumIndexes();
  void DeleteSpectrum(int16_t control, int16_t plot);
  void RedrawSpectraAndPlotControls();

  void SetActiveMSPFile(const char* path);
  // path receives up to DRM_MSP_PATH_SIZE bytes.
  int16_t GetActiveMSPFile(char* path);
  void ReadListProfileParams();
  void WriteListProfileParams() const;

  STRUCT_SEARCH_GROUP* m_pBlock;
  CSptManager m_SptMgrA[DRM_CONTROLS];
  CSptManager m_SptMgrB[DRM_CONTROLS];
  HWND m_hOwner;
  HWND m_hSptCtrls[DRM_CONTROLS];
  HWND m_hPlotOwner;
  HWND m_hPlotCtrl;
  int16_t m_ControlsAttached;
  int16_t m_UseListProfile;
  int16_t m_FollowNewSpectrum;  // set by the host: a new spectrum's place becomes active

 private:
  CSptManager* Manager(int16_t control, int16_t plot);
  void AttachManagers(UINT newSptMsgA, UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB);
  void RedrawWhenAttached();
  bool HeldElsewhere(const STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot) const;
};

KELT_API void KELT_DRM_NewSpectrum(CDataReviewManager* manager, STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot,
                                   const STRUCT_SPT_MARKER* marker);
KELT_API int16_t KELT_DRM_GetSpectraCount(CDataReviewManager* manager);
KELT_API STRUCT_SPT_PLUS* KELT_DRM_GetSpectrumFromCtrl(CDataReviewManager* manager, int16_t control, int16_t plot);
// Releases the block's search handles and frees the block; accepts 0.
KELT_API void SearchGroup_Free(STRUCT_SEARCH_GROUP* block);
