#pragma once
// The four title lines of a spectrum record (main, name, file, info):
// the fixed layout, the layout chosen item by item from a title-preference
// record, the titles of difference spectra and the SDS addition.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "spectra/spectrum_record.h"

// Item codes of a title-preference list.
#define SPT_TITLE_EXTRA_INFO 0
#define SPT_TITLE_NAME 1
#define SPT_TITLE_FORMULA 2
#define SPT_TITLE_CAS 3
#define SPT_TITLE_MW 4
#define SPT_TITLE_BASE_PEAK 5
#define SPT_TITLE_BASE_AMOUNT 6
#define SPT_TITLE_SOURCE 7
#define SPT_TITLE_ENTRY 8
#define SPT_TITLE_TIME 9
#define SPT_TITLE_SCANS 10
#define SPT_TITLE_CHANNEL 11
#define SPT_TITLE_ION 12
#define SPT_TITLE_RIC 13
#define SPT_TITLE_BC 14
#define SPT_TITLE_EDITED 15
#define SPT_TITLE_COMMENT 16
#define SPT_TITLE_PROFILE 17
#define SPT_TITLE_SEGMENT 18

// The unit written after ion masses ("us" at first); at most 3 characters.
KELT_API void PlusSpt_SetIonUnitText(const char* unit);

KELT_API void PlusSpt_InitRightTitles(STRUCT_SPT_PLUS* spt);
KELT_API void PlusSpt_InitFileTitle(STRUCT_SPT_PLUS* spt);
KELT_API void PlusSpt_UpdateRightTitles(STRUCT_SPT_PLUS* spt);
// Lists in the record: main, file, name, info.
KELT_API void PlusSpt_InitTitlesFromPrefs(STRUCT_SPT_PLUS* spt, const STRUCT_SPTS_TITLES* prefs);
KELT_API void PlusSpt_InitDiffSptTitles(STRUCT_SPT_PLUS* diff, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b);
// The two source titles of a "Spt A: ..,  Spt B: .." text (each buffer
// holds 300 bytes); 0 when either marker is missing.
KELT_API int32_t PlusSpt_SplitDiffTitle(const char* text, char* a, char* b);
KELT_API void PlusSpt_AddSDSInfoToTitles(STRUCT_SPT_PLUS* spt);

namespace kelt::spectra {
// Whether the fixed title layout holds for a spectrum: the load-time
// switch and the display-made marker of its MS data.
bool FixedTitles(const STRUCT_SPT_PLUS* spt);
// The fixed-scheme titles of a difference (main, file, name, info lines).
void FixedDiffTitles(STRUCT_SPT_PLUS* diff, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, bool profile);
// "BP: 91.1 (9,000=100%)": the spectrum's own base peak, as its title items write it.
std::string BasePeakTitle(const STRUCT_SPT_PLUS* spt);
}  // namespace kelt::spectra
