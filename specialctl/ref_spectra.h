#pragma once
// The reference (background) spectra of one plot of an overlay: the data
// file's background correction (a Jessul32 record, stored in the file's
// "BackgroundCorr" section) and, per reference spectrum, a drawing record
// with its time and the plot values of its scans, so that a plot can mark
// each spectrum and find the one nearest a click.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "jessul32/reference_ranges.h"
#include "plotengine/background_correction_marks.h"
#include "plotengine/overlay.h"
#include "quorna/ms_lists.h"

// STRUCT_BC_DRAW_INFO, one reference spectrum, is the drawing engine's
// record: a block of the common allocator holding its 38-byte head and
// scanCount (time, value) pairs.
#define BC_DRAW_INFO_HEAD 38
static_assert(offsetof(STRUCT_BC_DRAW_INFO, firstScan) == 6);
static_assert(offsetof(STRUCT_BC_DRAW_INFO, centreScan) == 26);

// Bytes of a drawing record of n scans.
inline size_t BCDrawInfoBytes(int n) { return BC_DRAW_INFO_HEAD + 16u * static_cast<size_t>(n < 0 ? 0 : n); }
// Pair i of a record (no bounds check). The pairs start at byte 38, so
// they are copied, never read in place.
inline void GetBCDrawInfoPair(const STRUCT_BC_DRAW_INFO* r, int i, double* time, double* value) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(r) + BC_DRAW_INFO_HEAD + 16u * static_cast<size_t>(i);
  std::memcpy(time, p, 8);
  std::memcpy(value, p + 8, 8);
}
inline void SetBCDrawInfoPair(STRUCT_BC_DRAW_INFO* r, int i, double time, double value) {
  uint8_t* p = reinterpret_cast<uint8_t*>(r) + BC_DRAW_INFO_HEAD + 16u * static_cast<size_t>(i);
  std::memcpy(p, &time, 8);
  std::memcpy(p + 8, &value, 8);
}

// Most reference spectra one set keeps (the count is 16-bit).
#define REF_SPTS_MAX 32000
// The pointer array grows by this many.
#define REF_SPTS_GROW 200

class KELT_CLASS CRefSpts {
 public:
  CRefSpts();
  virtual ~CRefSpts();
  CRefSpts(const CRefSpts&) = delete;
  CRefSpts& operator=(const CRefSpts&) = delete;

  // Attaches the plot's data file (borrowed) and loads its stored correction.
  void NewFile(STRUCT_WORK_FILE* workFile, int16_t type, const STRUCT_MASS_LIST* massList,
               const STRUCT_CHAN_LIST* chanList, STRUCT_SCAN_FUN_ARRAY* scanFuns, STRUCT_SEG_PLOTS* segPlots,
               SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData, int16_t twoTimes,
               double time1, double time2);
  // Reloads when the plot's definition changed.
  void SetPlotType(int16_t type, const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                   STRUCT_SCAN_FUN_ARRAY* scanFuns, STRUCT_SEG_PLOTS* segPlots, SVW_OVERLAY* overlay, int16_t slot,
                   const STRUCT_CHRO_PLOT_DATA* plotData, int16_t twoTimes, double time1, double time2);
  void ClearRefSpts();
  void ClearFile();
  // Index of the new spectrum of n scans at time, or -1.
  int16_t AddSpt(double time, int16_t scanCount, SVW_OVERLAY* overlay, int16_t slot,
                 const STRUCT_CHRO_PLOT_DATA* plotData);
  // Takes the record (always: it is freed when it cannot be kept); its index or -1.
  int16_t AddToDrawBCArray(STRUCT_BC_DRAW_INFO* record, SVW_OVERLAY* overlay, int16_t slot);
  void CalculatePlotValues(int16_t index, SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData);
  void DeleteSpt(int16_t index);
  int32_t LoadSpts(SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData);
  int32_t DoAutoBackCorr(SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData);
  int32_t DoNewBackCorr(int16_t automatic, SVW_OVERLAY* overlay, int16_t slot, const STRUCT_CHRO_PLOT_DATA* plotData);
  void SaveSpts();
  // A copy the caller frees with FreeBackCorr, or 0.
  STRUCT_FILE_BC* CopyBaseCorr() const;

  // Read access for the controls and report graphics.
  int16_t Count() const { return m_nCount; }
  // Record i, or 0 outside the count.
  const STRUCT_BC_DRAW_INFO* Spectrum(int i) const {
    return i >= 0 && i < m_nCount && m_ppDraw ? m_ppDraw[i] : nullptr;
  }
  STRUCT_WORK_FILE* WorkFile() const { return m_pWorkFile; }
  const STRUCT_FILE_BC* BackCorr() const { return m_pFileBC; }

  // Fields, in the order the class keeps them.
  int16_t m_nCount;
  int16_t m_nCapacity;
  STRUCT_BC_DRAW_INFO** m_ppDraw;
  STRUCT_FILE_BC* m_pFileBC;
  STRUCT_WORK_FILE* m_pWorkFile;
  int16_t m_nPlotType;
  STRUCT_MASS_LIST m_MassList;
  STRUCT_CHAN_LIST m_ChanList;
  STRUCT_SCAN_FUN_ARRAY* m_pScanFuns;
  STRUCT_SEG_PLOTS* m_pSegPlots;
  int16_t m_bTwoTimes;
  double m_dTime1;
  double m_dTime2;

 private:
  bool FromTrace(STRUCT_BC_DRAW_INFO* r, const SVW_OVERLAY* overlay, int16_t slot,
                 const STRUCT_CHRO_PLOT_DATA* plotData) const;
  void FromMSData(STRUCT_BC_DRAW_INFO* r, int step);
};
