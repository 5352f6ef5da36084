#pragma once
// The engine's exports for the result sections of a data file. Sections
// are opened through Orvik32 and closed by the caller with CloseSection.
// Results are 1 (or a handle or block) on success, 0 (or null) on failure.
#include <cstdint>
#include <type_traits>

#include "common/engine_entries.h"
#include "orvik32/orvik32.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"
#include "win/win_types.h"

// ---- Module -------------------------------------------------------------------
// Load-time work: keeps the instance handle and the floating-point control
// word. Always 1.
MORVEX_API BOOL DllMain(HINSTANCE instance, DWORD reason, void* reserved);
MORVEX_API HINSTANCE MorvexInstance();
MORVEX_API unsigned int MorvexControlWord();
// Sends "WM_MORVEX_ERROR" (level 0 note, 1 error) with three blanks and the
// text; the text is valid only during the send. What the window returns.
MORVEX_API LRESULT PostStatusText(HWND window, int16_t level, const char* text);
// "SaveMiniRunFiles" of "MORVEX.INI" is set.
MORVEX_API BOOL StoreRunFiles();

// ---- "MSResults:h4" ---------------------------------------------------------------
// A new section (replacing) with a zero header and n zero steps.
MORVEX_API HSECTION CreateTolResults(const char* dataFile, int16_t n);
MORVEX_API HSECTION CreateTolResultsShared(const char* dataFile, int16_t n);
// Old results are offered for deletion first (OpenResultsSection); null then,
// when absent, and when the section is damaged (a length that is not a header
// and whole steps, or a format version this engine does not know).
MORVEX_API HSECTION OpenTolResults(const char* dataFile);
MORVEX_API HSECTION OpenTolResultsReadOnly(const char* dataFile, char* reserved = nullptr);
MORVEX_API BOOL ReadTolResults(HSECTION section, STRUCT_RESULTS_HEADER* header);
MORVEX_API BOOL WriteTolResults(HSECTION section, const STRUCT_RESULTS_HEADER* header);
MORVEX_API int32_t CountTolResultSteps(HSECTION section);
MORVEX_API BOOL ReadTolResultStep(HSECTION section, uint16_t index, STRUCT_RESULT_STEP* step,
                                  int16_t reserved = 1);
MORVEX_API BOOL WriteTolResultStep(HSECTION section, uint16_t index, const STRUCT_RESULT_STEP* step);
// The header's step counts by kind (0-5): the count's offset (0 for any
// other kind), its value, and a change of it.
MORVEX_API int32_t ResultKindCountOffset(int32_t kind);
MORVEX_API int16_t GetResultKindCount(const STRUCT_RESULTS_HEADER* header, int32_t kind);
MORVEX_API void AddResultKindCount(STRUCT_RESULTS_HEADER* header, int32_t kind, int16_t delta);
// One step changes kind: the count of from goes down, that of to up
// (compound kinds 0-2 only; other kinds change nothing).
MORVEX_API void MoveResultStepKind(STRUCT_RESULTS_HEADER* header, int32_t from, int32_t to);
MORVEX_API BOOL CopyTolResults(const char* destination, const char* source);
MORVEX_API BOOL MORVEX_CopyDHResults(const char* destination, const char* source);
MORVEX_API BOOL DeleteTolResults(const char* dataFile);
MORVEX_API BOOL DeleteFullChromatogram(const char* dataFile);
MORVEX_API BOOL DeleteRunSection(const char* dataFile, int32_t compoundNumber);
// Deletes "Run1"... to "Run9..." sections; how many deletions succeeded.
MORVEX_API int32_t DeleteRunSections(const char* dataFile);
MORVEX_API BOOL DeleteOldResultsSections(const char* dataFile);
// 1 when current results (or none) are present; 0 when old ones were found
// (deleted when "AutoUpgrade" is set or the user agreed).
MORVEX_API BOOL OpenResultsSection(const char* dataFile);
MORVEX_API BOOL UpgradeOldResults(const char* dataFile);
// Keeps the header and the first n steps; rebuilt in a temporary file.
MORVEX_API BOOL RewriteTolResults(const char* dataFile, int16_t n);
// The data file's background correction: kept when it has one and force is
// 0; else made anew from its MS data and stored. 1 on success.
MORVEX_API BOOL DetermineBackground(const char* dataFile, const char* methodFile, int16_t force);
// Default quantitation options (QUANT_OPTIONS_SIZE bytes).
MORVEX_API void InitQuantOptions(void* options);

// ---- "MSQualifiers:h4" ------------------------------------------------------------
MORVEX_API HSECTION CreateQualifierData(const char* dataFile, int16_t n);
MORVEX_API HSECTION OpenQualifierData(const char* dataFile);
MORVEX_API HSECTION OpenQualifierDataReadOnly(const char* dataFile);
MORVEX_API int32_t CountQualifierCompounds(HSECTION section);
MORVEX_API BOOL GetQualifierRecord(HSECTION section, int16_t index, STRUCT_QUALIFIER_RECORD* record);
MORVEX_API BOOL WriteQualifierRecord(HSECTION section, int16_t index, const STRUCT_QUALIFIER_RECORD* record);
// The record of a compound number; 0 when none (record then holds the last read).
MORVEX_API BOOL GetMatchingQualifierRecord(HSECTION section, int32_t compoundNumber,
                                           STRUCT_QUALIFIER_RECORD* record);
MORVEX_API BOOL CopyQualifierData(const char* destination, const char* source);

// The display library calls these by name through the shared types.
static_assert(std::is_same_v<decltype(&OpenTolResultsReadOnly), kelt::engine::OpenTolResultsReadOnlyFn>);
static_assert(std::is_same_v<decltype(&ReadTolResults), kelt::engine::ReadTolResultsFn>);
static_assert(std::is_same_v<decltype(&ReadTolResultStep), kelt::engine::ReadTolResultStepFn>);
static_assert(std::is_same_v<decltype(&OpenQualifierDataReadOnly), kelt::engine::OpenQualifierDataReadOnlyFn>);
static_assert(std::is_same_v<decltype(&GetMatchingQualifierRecord), kelt::engine::GetMatchingQualifierRecordFn>);

// ---- "MSTICs:h4" ------------------------------------------------------------------
MORVEX_API BOOL CopyTICData(const char* destination, const char* source);
MORVEX_API HSECTION CreateTICData(const char* dataFile);
MORVEX_API HSECTION OpenTICData(const char* dataFile);
MORVEX_API HSECTION OpenTICDataReadOnly(const char* dataFile);
MORVEX_API HSECTION OpenTICDataReadOnlyShared(const char* dataFile);
MORVEX_API int32_t CountTICUnknowns(HSECTION section);
// Peak i (head and hits) or hit j of peak i as blocks of the shared
// allocator, freed with FreeTICPeak / FreeTICHitRecord; null when absent
// or damaged.
MORVEX_API STRUCT_TIC_PEAK* GetTICPeak(HSECTION section, int16_t index);
MORVEX_API STRUCT_TIC_HIT* GetTICHitRecord(HSECTION section, int16_t peak, int16_t hit);
// The record at a byte offset kept in a result step; null for offset 0.
MORVEX_API STRUCT_TIC_PEAK* GetMatchingTICPeak(HSECTION section, uint32_t offset);
MORVEX_API STRUCT_TIC_HIT* GetMatchingTICHitRecord(HSECTION section, uint32_t offset);
// Appends a whole peak record (its first u32 is its length).
MORVEX_API BOOL WriteTICPeak(HSECTION section, int16_t ignored, const STRUCT_TIC_PEAK* record);
MORVEX_API void FreeTICPeak(STRUCT_TIC_PEAK* block);
MORVEX_API void FreeTICHitRecord(STRUCT_TIC_HIT* block);
static_assert(std::is_same_v<decltype(&OpenTICDataReadOnly), kelt::engine::OpenTICDataReadOnlyFn>);
static_assert(std::is_same_v<decltype(&GetTICHitRecord), kelt::engine::GetTICHitRecordFn>);
static_assert(std::is_same_v<decltype(&FreeTICHitRecord), kelt::engine::FreeTICHitRecordFn>);

// ---- Byte moves at the section's position ---------------------------------------
MORVEX_API uint32_t WriteSectionBytes(HSECTION section, const void* buffer, uint32_t n);
MORVEX_API uint32_t ReadSectionBytes(HSECTION section, void* buffer, uint32_t n);
