// Spectra and data-review managers: the eight places of four spectrum
// controls, their markers, preferences, active place and MSP file.
#include "spectra/spectrum_managers.h"

#include <cstdio>
#include <cstring>

#include "common/library_state.h"
#include "fandor/search_groups.h"
#include "orvik32/orvik32.h"
#include "win/win_crt.h"
#include "win/win_profile.h"

namespace {

const char kMspSection[] = "GroupActiveMSP";
const char kParamsKey[] = "Params";

bool ValidControl(int control) { return control >= 0 && control < DRM_CONTROLS; }
bool ValidPlot(int plot) { return plot >= 0 && plot < DRM_PLOTS; }
bool ValidPlace(int control, int plot) { return ValidControl(control) && ValidPlot(plot); }

bool WindowExists(HWND hwnd) { return hwnd && IsWindow(hwnd); }

// Two MS-data spectra of the same scans of the same file, shown alike.
bool SameSpectrum(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b) {
  if (a->kind != SPT_KIND_TOL || b->kind != SPT_KIND_TOL || !a->tolSpt || !b->tolSpt) return false;
  const STRUCT_TOL_SPT& x = *a->tolSpt;
  const STRUCT_TOL_SPT& y = *b->tolSpt;
  return x.header.time == y.header.time && x.header.scanNumber == y.header.scanNumber &&
         x.scansAveraged == y.scansAveraged && _stricmp(x.dataFilePath, y.dataFilePath) == 0 &&
         a->ownDecimals == b->ownDecimals && a->massDecimals == b->massDecimals;
}

// SPTM_SPTPLUSDATA with whatever the control's two places hold.
void SendSpectra(HWND control, STRUCT_SPT_PLUS* a, STRUCT_SPT_PLUS* b) {
  STRUCT_CCSPT_SPT_PLUS_DATA data{};
  if (a) {
    data.presentA = 1;
    data.sptA = a;
  }
  if (b) {
    data.presentB = 1;
    data.sptB = b;
  }
  SendMessage(control, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace

// ---- CSptManager -------------------------------------------------------------------

CSptManager::CSptManager()
    : m_pBlock(nullptr),
      m_ControlIndex(0),
      m_PlotIndex(0),
      m_hOwner(nullptr),
      m_hSptCtrl(nullptr),
      m_NewSptMessage(0),
      m_ChangeMessage(0) {}

bool CSptManager::ValidPlace() const { return m_pBlock && ::ValidPlace(m_ControlIndex, m_PlotIndex); }

void CSptManager::ShowSpectraOfControl() const {
  if (!WindowExists(m_hSptCtrl)) return;
  STRUCT_SPT_PLUS* const* place = m_pBlock->spectra[m_ControlIndex];
  if (!place[0] && !place[1])
    SendMessage(m_hSptCtrl, SPTM_NODATA, 0, 0);
  else
    SendSpectra(m_hSptCtrl, place[0], place[1]);
}

void CSptManager::NewSpectrum(STRUCT_SPT_PLUS* spt, const STRUCT_SPT_MARKER* marker) {
  if (!spt) return;
  // Without a place nothing happens: the spectrum stays the caller's.
  if (!ValidPlace()) return;
  STRUCT_SPT_PLUS*& place = m_pBlock->spectra[m_ControlIndex][m_PlotIndex];
  STRUCT_SPT_PLUS* old = place;
  const bool same = old && SameSpectrum(old, spt);
  if (old && m_hOwner && m_ChangeMessage && !same && IsWindow(m_hOwner))
    SendMessage(m_hOwner, m_ChangeMessage, m_ControlIndex, m_PlotIndex);
  if (!spt->name[0])
    std::snprintf(spt->name, sizeof spt->name, "Spectrum %d%s", m_ControlIndex + 1, m_PlotIndex ? "B" : "A");
  place = spt;
  STRUCT_SPT_MARKER& stored = m_pBlock->markers[m_ControlIndex][m_PlotIndex];
  if (marker)
    stored = *marker;
  else
    stored = STRUCT_SPT_MARKER{};
  if (WindowExists(m_hSptCtrl))
    SendSpectra(m_hSptCtrl, m_pBlock->spectra[m_ControlIndex][0], m_pBlock->spectra[m_ControlIndex][1]);
  // The very record handed back in stays: freeing it would leave the place
  // pointing at freed memory.
  if (old && old != spt) PlusSpt_Free(old);
  if (m_hOwner && m_NewSptMessage && !same && IsWindow(m_hOwner))
    PostMessage(m_hOwner, m_NewSptMessage, m_ControlIndex, m_PlotIndex);
}

void CSptManager::DeleteSpectrum() {
  if (!ValidPlace()) return;
  m_pBlock->markers[m_ControlIndex][m_PlotIndex] = STRUCT_SPT_MARKER{};
  STRUCT_SPT_PLUS*& place = m_pBlock->spectra[m_ControlIndex][m_PlotIndex];
  STRUCT_SPT_PLUS* old = place;
  if (!old) return;
  place = nullptr;
  if (m_hOwner && m_ChangeMessage && IsWindow(m_hOwner))
    SendMessage(m_hOwner, m_ChangeMessage, m_ControlIndex, m_PlotIndex);
  ShowSpectraOfControl();
  PlusSpt_Free(old);
}

void CSptManager::NewSptFromDialog(STRUCT_SPT_PLUS* spt, const STRUCT_SPT_MARKER* marker) {
  if (m_hOwner && m_NewSptMessage) {
    if (IsWindow(m_hOwner)) SendMessage(m_hOwner, m_NewSptMessage, 0, reinterpret_cast<LPARAM>(spt));
    return;
  }
  NewSpectrum(spt, marker);
}

// ---- CDataReviewManager: set-up ------------------------------------------------------

CDataReviewManager::CDataReviewManager(STRUCT_NIST_DEFS* nistDefs, STRUCT_MSP_FILE_DEFS* mspFileDefs,
                                       int16_t useListProfile)
    : m_pBlock(nullptr),
      m_hOwner(nullptr),
      m_hSptCtrls{},
      m_hPlotOwner(nullptr),
      m_hPlotCtrl(nullptr),
      m_ControlsAttached(0),
      m_UseListProfile(useListProfile),
      m_FollowNewSpectrum(0) {
  m_pBlock = static_cast<STRUCT_SEARCH_GROUP*>(AllocBlock(sizeof(STRUCT_SEARCH_GROUP)));
  if (!m_pBlock) return;
  std::memset(m_pBlock, 0, sizeof *m_pBlock);
  m_pBlock->nistDefs = nistDefs;
  m_pBlock->mspFileDefs = mspFileDefs;
  for (STRUCT_SPTS_PREFS& prefs : m_pBlock->sptsPrefs) KELT_GetCurrDefSptsPrefs(&prefs);
  if (m_UseListProfile) ReadListProfileParams();
}

CDataReviewManager::~CDataReviewManager() {
  if (!m_pBlock) return;
  if (m_UseListProfile) WriteListProfileParams();
  // The spectra are the manager's: a control still showing them lets go
  // first, then they are freed.
  for (int c = 0; c < DRM_CONTROLS; ++c) {
    STRUCT_SPT_PLUS** place = m_pBlock->spectra[c];
    if ((place[0] || place[1]) && WindowExists(m_hSptCtrls[c])) SendMessage(m_hSptCtrls[c], SPTM_NODATA, 0, 0);
    for (int p = 0; p < DRM_PLOTS; ++p) {
      PlusSpt_Free(place[p]);
      place[p] = nullptr;
    }
  }
  SearchGroup_Free(m_pBlock);
  m_pBlock = nullptr;
}

CSptManager* CDataReviewManager::Manager(int16_t control, int16_t plot) {
  if (!ValidControl(control)) return nullptr;
  return plot ? &m_SptMgrB[control] : &m_SptMgrA[control];
}

void CDataReviewManager::AttachManagers(UINT newSptMsgA, UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB) {
  for (int i = 0; i < DRM_CONTROLS; ++i) {
    for (int p = 0; p < DRM_PLOTS; ++p) {
      CSptManager& m = p ? m_SptMgrB[i] : m_SptMgrA[i];
      m.m_pBlock = m_pBlock;
      m.m_ControlIndex = static_cast<uint16_t>(i);
      m.m_PlotIndex = static_cast<uint16_t>(p);
      m.m_hOwner = m_hOwner;
      m.m_hSptCtrl = m_hSptCtrls[i];
      m.m_NewSptMessage = p ? newSptMsgB : newSptMsgA;
      m.m_ChangeMessage = p ? changeMsgB : changeMsgA;
    }
  }
}

void CDataReviewManager::RedrawWhenAttached() {
  if (m_ControlsAttached) RedrawSpectraAndPlotControls();
}

void CDataReviewManager::Setup(HWND owner, HWND sptCtrl0, UINT newSptMsgA, UINT changeMsgA, UINT newSptMsgB,
                               UINT changeMsgB) {
  m_hOwner = m_hPlotOwner = owner;
  m_hSptCtrls[0] = sptCtrl0;
  for (int p = 0; p < DRM_PLOTS; ++p) {
    CSptManager& m = p ? m_SptMgrB[0] : m_SptMgrA[0];
    m.m_pBlock = m_pBlock;
    m.m_ControlIndex = 0;
    m.m_PlotIndex = static_cast<uint16_t>(p);
    m.m_hOwner = owner;
    m.m_hSptCtrl = sptCtrl0;
    m.m_NewSptMessage = p ? newSptMsgB : newSptMsgA;
    m.m_ChangeMessage = p ? changeMsgB : changeMsgA;
  }
}

void CDataReviewManager::SetupEx(HWND owner, HWND sptCtrl0, HWND sptCtrl1, HWND sptCtrl2, HWND sptCtrl3, HWND plotCtrl,
                                 UINT newSptMsgA, UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB,
                                 uint16_t attached) {
  m_hOwner = m_hPlotOwner = owner;
  m_hSptCtrls[0] = sptCtrl0;
  m_hSptCtrls[1] = sptCtrl1;
  m_hSptCtrls[2] = sptCtrl2;
  m_hSptCtrls[3] = sptCtrl3;
  m_hPlotCtrl = plotCtrl;
  AttachManagers(newSptMsgA, changeMsgA, newSptMsgB, changeMsgB);
  m_ControlsAttached = static_cast<int16_t>(attached ? 1 : 0);
  RedrawWhenAttached();
}

void CDataReviewManager::SetPlotInfo(HWND plotOwner, HWND plotCtrl) {
  m_hPlotOwner = plotOwner;
  m_hPlotCtrl = plotCtrl;
  m_ControlsAttached = 1;
  for (int i = 0; i < DRM_CONTROLS; ++i) {
    for (int p = 0; p < DRM_PLOTS; ++p) {
      CSptManager& m = p ? m_SptMgrB[i] : m_SptMgrA[i];
      m.m_pBlock = m_pBlock;
      m.m_ControlIndex = static_cast<uint16_t>(i);
      m.m_PlotIndex = static_cast<uint16_t>(p);
    }
  }
  RedrawSpectraAndPlotControls();
}

void CDataReviewManager::RemovePlotInfo() {
  m_hPlotOwner = nullptr;
  m_hPlotCtrl = nullptr;
  RedrawSpectraAndPlotControls();
}

void CDataReviewManager::SetSptsInfo(HWND owner, HWND sptCtrl0, HWND sptCtrl1, HWND sptCtrl2, HWND sptCtrl3,
                                     UINT newSptMsgA, UINT changeMsgA, UINT newSptMsgB, UINT changeMsgB) {
  m_hOwner = m_hPlotOwner = owner;
  m_hSptCtrls[0] = sptCtrl0;
  m_hSptCtrls[1] = sptCtrl1;
  m_hSptCtrls[2] = sptCtrl2;
  m_hSptCtrls[3] = sptCtrl3;
  AttachManagers(newSptMsgA, changeMsgA, newSptMsgB, changeMsgB);
  m_ControlsAttached = 1;
  RedrawSpectraAndPlotControls();
}

void CDataReviewManager::RemoveSptsInfo() {
  m_hOwner = nullptr;
  for (HWND& h : m_hSptCtrls) h = nullptr;
  for (int i = 0; i < DRM_CONTROLS; ++i) {
    for (CSptManager* m : {&m_SptMgrA[i], &m_SptMgrB[i]}) {
      m->m_hOwner = nullptr;
      m->m_hSptCtrl = nullptr;
      m->m_NewSptMessage = 0;
      m->m_ChangeMessage = 0;
    }
    ClearMarker(static_cast<int16_t>(i), 0);
    ClearMarker(static_cast<int16_t>(i), 1);
  }
  RedrawSpectraAndPlotControls();
}

// ---- Active place and preferences ----------------------------------------------------------

// The controls index their arrays with the active place: one outside them is refused.
void CDataReviewManager::SetActiveSptControlIndex(int16_t index) {
  if (!m_pBlock || !ValidControl(index)) return;
  m_pBlock->activeControl = index;
  RedrawWhenAttached();
}

void CDataReviewManager::SetActiveSptPlotIndex(int16_t index) {
  if (!m_pBlock || !ValidPlot(index)) return;
  m_pBlock->activePlot = index;
  RedrawWhenAttached();
}

int16_t CDataReviewManager::GetActiveSptControlIndex() const { return m_pBlock ? m_pBlock->activeControl : 0; }
int16_t CDataReviewManager::GetActiveSptPlotIndex() const { return m_pBlock ? m_pBlock->activePlot : 0; }

void CDataReviewManager::SetSptsPrefs(const STRUCT_SPTS_PREFS* prefs, int16_t control) {
  if (!m_pBlock || !prefs || !ValidControl(control)) return;
  m_pBlock->sptsPrefs[control] = *prefs;
  RedrawWhenAttached();
}

void CDataReviewManager::UpdateOtherSptsPrefs(const STRUCT_SPTS_PREFS* prefs, int16_t control) {
  if (!m_pBlock || !prefs || !ValidControl(control)) return;
  STRUCT_SPT_LOCAL_PREFS record{};
  bool keep = false;
  if (m_hSptCtrls[control])
    keep = SendMessage(m_hSptCtrls[control], SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&record)) != 0 &&
           record.flag != 0;
  for (int i = 0; i < DRM_CONTROLS; ++i) {
    if (i == control) continue;
    m_pBlock->sptsPrefs[i] = *prefs;
    if (!m_hSptCtrls[i]) continue;
    STRUCT_SPT_LOCAL_PREFS other{};
    if (!SendMessage(m_hSptCtrls[i], SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&other))) continue;
    other.prefs = *prefs;
    if (keep) other.flag = 1;
    SendMessage(m_hSptCtrls[i], SPTM_SETLOCALPREFERENCES, 1, reinterpret_cast<LPARAM>(&other));
  }
  RedrawWhenAttached();
}

// ---- Spectra ---------------------------------------------------------------------------------

bool CDataReviewManager::HeldElsewhere(const STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot) const {
  for (int c = 0; c < DRM_CONTROLS; ++c)
    for (int p = 0; p < DRM_PLOTS; ++p)
      if ((c != control || p != plot) && m_pBlock->spectra[c][p] == spt) return true;
  return false;
}

void CDataReviewManager::NewSpectrum1(STRUCT_SPT_PLUS* spt, int16_t control) { NewSpectrum(spt, control, 0, nullptr); }
void CDataReviewManager::NewSpectrum2(STRUCT_SPT_PLUS* spt, int16_t control) { NewSpectrum(spt, control, 1, nullptr); }

void CDataReviewManager::NewSpectrum(STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot,
                                     const STRUCT_SPT_MARKER* marker) {
  if (!spt) return;
  const int16_t place = plot ? 1 : 0;
  // Without a block or a place nothing happens: the spectrum stays the caller's.
  if (!m_pBlock || !ValidControl(control)) return;
  if (HeldElsewhere(spt, control, place)) {
    // One record in two places would be freed twice: the new place gets its own copy.
    spt = PlusSpt_Copy(spt);
    if (!spt) return;
  }
  Manager(control, plot)->NewSpectrum(spt, marker);
  if (m_FollowNewSpectrum) {
    m_pBlock->activeControl = control;
    m_pBlock->activePlot = place;
  }
  RedrawWhenAttached();
}

void CDataReviewManager::ReplaceSpectrum(const STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot) {
  if (!m_pBlock || !spt || !ValidPlace(control, plot)) return;
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(spt);
  if (!copy) return;
  STRUCT_SPT_PLUS*& place = m_pBlock->spectra[control][plot];
  PlusSpt_Free(place);
  place = copy;
}

int16_t CDataReviewManager::HaveSpectrum(int16_t control, int16_t plot) const {
  if (!m_pBlock || !ValidPlace(control, plot) || !m_pBlock->spectra[control][plot]) return 0;
  if (!m_hSptCtrls[control]) return 0;
  return static_cast<int16_t>(SendMessage(m_hSptCtrls[control], SPTM_ISSPTDISPLAYED, plot, 0));
}

void CDataReviewManager::UpdateSpectraControls() const {
  if (!m_pBlock) return;
  for (int c = 0; c < DRM_CONTROLS; ++c) {
    STRUCT_SPT_PLUS* const* place = m_pBlock->spectra[c];
    if ((place[0] || place[1]) && WindowExists(m_hSptCtrls[c])) SendSpectra(m_hSptCtrls[c], place[0], place[1]);
  }
}

int16_t CDataReviewManager::GetSpectraCount() const {
  if (!m_pBlock) return 0;
  int16_t n = 0;
  for (auto& control : m_pBlock->spectra)
    for (STRUCT_SPT_PLUS* spt : control)
      if (spt) ++n;
  return n;
}

STRUCT_SPT_PLUS* CDataReviewManager::GetSpectrum(int16_t control, int16_t plot) const {
  if (!m_pBlock || !ValidPlace(control, plot)) return nullptr;
  return m_pBlock->spectra[control][plot];
}

STRUCT_SPT_PLUS* CDataReviewManager::GetSpectrumFromCtrl(int16_t control, int16_t plot) const {
  if (!ValidControl(control) || !m_hSptCtrls[control]) return nullptr;
  return reinterpret_cast<STRUCT_SPT_PLUS*>(SendMessage(m_hSptCtrls[control], SPTM_GETSPECTRUMPOINTER, plot, 0));
}

void CDataReviewManager::UpdateActiveSpectrumIndexes() {
  if (!m_pBlock) return;
  int16_t& control = m_pBlock->activeControl;
  int16_t& plot = m_pBlock->activePlot;
  if (!ValidPlace(control, plot)) control = plot = 0;
  if (HaveSpectrum(control, plot)) return;
  const int16_t other = plot ? 0 : 1;
  if (HaveSpectrum(control, other)) {
    plot = other;
    return;
  }
  for (int16_t c = 0; c < DRM_CONTROLS; ++c) {
    for (int16_t p = 0; p < DRM_PLOTS; ++p) {
      if (HaveSpectrum(c, p)) {
        control = c;
        plot = p;
        return;
      }
    }
  }
  control = plot = 0;
}

void CDataReviewManager::DeleteSpectrum(int16_t control, int16_t plot) {
  CSptManager* m = Manager(control, plot);
  if (!m) return;
  m->DeleteSpectrum();
  UpdateActiveSpectrumIndexes();
  RedrawWhenAttached();
}

void CDataReviewManager::RedrawSpectraAndPlotControls() {
  const LPARAM self = reinterpret_cast<LPARAM>(this);
  if (m_hPlotCtrl) SendMessage(m_hPlotCtrl, OPM_SETDATAREVIEWMANAGER, 1, self);
  for (HWND h : m_hSptCtrls)
    if (h) SendMessage(h, SPTM_SETDATAREVIEWMANAGER, 1, self);
}

// ---- Markers ----------------------------------------------------------------------------------

int16_t CDataReviewManager::HaveMarker(int16_t control, int16_t plot) const {
  if (!m_pBlock || !ValidPlace(control, plot)) return -1;
  const STRUCT_SPT_MARKER& m = m_pBlock->markers[control][plot];
  return m.present ? m.chroPlotIndex : static_cast<int16_t>(-1);
}

int16_t CDataReviewManager::GetChroPlotIndex(int16_t control, int16_t plot) const {
  if (!m_pBlock || !ValidPlace(control, plot)) return -1;
  return m_pBlock->markers[control][plot].chroPlotIndex;
}

void CDataReviewManager::ClearMarker(int16_t control, int16_t plot) {
  if (!m_pBlock || !ValidPlace(control, plot)) return;
  m_pBlock->markers[control][plot] = STRUCT_SPT_MARKER{};
  if (m_hPlotCtrl) SendMessage(m_hPlotCtrl, OPM_CLEARMARKERINFO, control, plot);
}

int16_t CDataReviewManager::GetMarker(int16_t control, int16_t plot, STRUCT_SPT_MARKER* marker) const {
  if (!m_pBlock || !marker || !ValidPlace(control, plot)) return 0;
  const STRUCT_SPT_MARKER& m = m_pBlock->markers[control][plot];
  if (!m.present) return 0;
  *marker = m;
  return 1;
}

void CDataReviewManager::SetMarker(int16_t control, int16_t plot, const STRUCT_SPT_MARKER* marker) {
  if (!m_pBlock || !marker || !ValidPlace(control, plot)) return;
  m_pBlock->markers[control][plot] = *marker;
}

// ---- Active MSP file ----------------------------------------------------------------------------

void CDataReviewManager::SetActiveMSPFile(const char* path) {
  if (!m_pBlock) return;
  kelt::spectra::CopyText(m_pBlock->activeMSPFile, path ? path : "", DRM_MSP_PATH_SIZE - 1);
}

int16_t CDataReviewManager::GetActiveMSPFile(char* path) {
  if (!m_pBlock || !m_pBlock->activeMSPFile[0]) return 0;
  if (!FileExists(m_pBlock->activeMSPFile)) {
    m_pBlock->activeMSPFile[0] = 0;
    return 0;
  }
  if (!path) return 0;
  std::memcpy(path, m_pBlock->activeMSPFile, DRM_MSP_PATH_SIZE);
  return 1;
}

void CDataReviewManager::ReadListProfileParams() {
  if (!m_pBlock) return;
  m_pBlock->activeMSPFile[0] = 0;
  char stored[DRM_MSP_PATH_SIZE] = {};
  if (!GetPrivateProfileStructA(kMspSection, kParamsKey, stored, sizeof stored, kelt::lib::PreferencesIniPath()))
    return;
  stored[DRM_MSP_PATH_SIZE - 1] = 0;  // a stored path without its end is cut, not overrun
  if (CheckMSPFile(stored)) std::memcpy(m_pBlock->activeMSPFile, stored, sizeof stored);
}

void CDataReviewManager::WriteListProfileParams() const {
  if (!m_pBlock) return;
  WritePrivateProfileStructA(kMspSection, kParamsKey, m_pBlock->activeMSPFile, DRM_MSP_PATH_SIZE,
                             kelt::lib::PreferencesIniPath());
}

// ---- Plain functions ------------------------------------------------------------------------------

KELT_API void KELT_DRM_NewSpectrum(CDataReviewManager* manager, STRUCT_SPT_PLUS* spt, int16_t control, int16_t plot,
                                   const STRUCT_SPT_MARKER* marker) {
  if (!manager) return;
  try {
    manager->NewSpectrum(spt, control, plot, marker);
  } catch (...) {
  }
}

KELT_API int16_t KELT_DRM_GetSpectraCount(CDataReviewManager* manager) {
  return manager ? manager->GetSpectraCount() : 0;
}

KELT_API STRUCT_SPT_PLUS* KELT_DRM_GetSpectrumFromCtrl(CDataReviewManager* manager, int16_t control, int16_t plot) {
  return manager ? manager->GetSpectrumFromCtrl(control, plot) : nullptr;
}

KELT_API void SearchGroup_Free(STRUCT_SEARCH_GROUP* block) {
  if (!block) return;
  if (block->searchHandleA) ReleaseSearchGroupHandleA(block->searchHandleA);
  if (block->searchHandleB) ReleaseSearchGroupHandleB(block->searchHandleB);
  FreeBlock(block);
}
