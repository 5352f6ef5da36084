#pragma once
// The data-handling record library: the tables of a data-handling method
// and of processed data files (global parameters, compounds, calibration
// log, time events, report format, logs, integration results), kept in the
// sections of the file's sectioned store so that they travel with the file.
//
// A table is addressed by (file path, 16-bit module id, 16-bit module
// address, tag text); its section is named "<base>.<id>.<address>.<tag>"
// with the id and address as four hexadecimal digits. Tables hold
// fixed-size records: a section whose record size differs from the one the
// call expects is refused, as is a damaged section.
//
// Handles returned here are closed with Orvik32's CloseSection (or the
// matching Free/Close call). Generic item sections (time events) are plain
// Orvik32 sections of 10-byte items, so an Orvik32 section handle serves
// the item calls as well. The numbers in brackets are the export ordinals
// by which the workstation's callers know some calls.
#include <cstdint>
#include "dh_records.h"
#include "orvik32/orvik32.h"

#define HOLBRIN_API extern "C" __attribute__((visibility("default")))

typedef void* HDHTABLE;  // 0 on failure

// ---- Section names --------------------------------------------------------
// "<base>.<id:%04X>.<address:%04X>.<tag>" into buffer (at least 64 bytes);
// 0 when an argument is missing, the base holds a '.', or it does not fit.
HOLBRIN_API BOOL BuildDHSectionName(char* buffer, const char* baseName, uint16_t moduleId,
                                    uint16_t moduleAddress, const char* tag);
// Splits a built name; 0 unless it has all four fields.
HOLBRIN_API BOOL ParseDHSectionName(const char* name, char* baseOut, int32_t baseSize,
                                    uint16_t* moduleId, uint16_t* moduleAddress, char* tagOut,
                                    int32_t tagSize);
// Names of the sections of a file (those beginning with stem; all when the
// stem is 0 or empty): one block of 32-byte names ended by an empty name,
// freed with FreeBlock. Names of 32 characters or more are left out. 0 when
// the file cannot be listed.
HOLBRIN_API char* ListSectionNames(const char* path, const char* stem);

// ---- Generic fixed-record tables ----------------------------------------------
// Creates (replacing) an empty table of recordSize-byte records.
HOLBRIN_API HDHTABLE CreateDHTable(const char* path, const char* sectionName, uint32_t recordSize);
// Replaces a table with count records in one commit (a create followed by
// appends commits each step, and an interruption between them would leave
// the table empty or short).
HOLBRIN_API BOOL ReplaceDHTable(const char* path, const char* sectionName, uint32_t recordSize,
                                const void* records, int32_t count);
// Opens an existing table whose records are recordSize bytes; forUpdate
// allows PutDHRecord and AppendDHRecord.
HOLBRIN_API HDHTABLE OpenDHTableSection(const char* path, const char* sectionName,
                                        uint32_t recordSize, BOOL forUpdate);
HOLBRIN_API int32_t CountDHRecords(HDHTABLE table);  // -1 for a bad handle
HOLBRIN_API BOOL GetDHRecord(HDHTABLE table, int32_t index, void* record);
// Replaces record index (index == count appends); written through at once.
HOLBRIN_API BOOL PutDHRecord(HDHTABLE table, int32_t index, const void* record);
// Replaces count records from index on (reaching past the end appends) in
// one write; none is written when it fails.
HOLBRIN_API BOOL PutDHRecords(HDHTABLE table, int32_t index, int32_t count, const void* records);
HOLBRIN_API BOOL AppendDHRecord(HDHTABLE table, const void* record);
HOLBRIN_API uint32_t GetDHRecordSize(HDHTABLE table);
HOLBRIN_API void FreeDHRecordSet(HDHTABLE table);

// ---- Global parameters ("GlobalParams", STRUCT_DH_GLOBAL_PARAMS) ---------------
HOLBRIN_API HDHTABLE OpenGlobalTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag);
HOLBRIN_API HDHTABLE OpenGlobalTableForUpdate(const char* path, uint16_t moduleId,
                                              uint16_t moduleAddress, const char* tag);
HOLBRIN_API HDHTABLE CreateGlobalTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                       const char* tag);
// [408] Reads the record (5,887 bytes); 0 when the table holds none.
HOLBRIN_API BOOL ReadGlobalTable(HDHTABLE table, STRUCT_DH_GLOBAL_PARAMS* record);
HOLBRIN_API BOOL WriteGlobalTable(HDHTABLE table, const STRUCT_DH_GLOBAL_PARAMS* record);
// Defaults of a new method (peak width 3 s, slope 5, tangent 10 %, RIC, merged).
HOLBRIN_API BOOL InitGlobalParams(STRUCT_DH_GLOBAL_PARAMS* record);

// ---- Compounds ("PeakTable", STRUCT_DH_COMPOUND) ------------------------------
HOLBRIN_API HDHTABLE OpenCompoundTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                       const char* tag);
HOLBRIN_API HDHTABLE OpenDHRecordSet(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag);
HOLBRIN_API HDHTABLE OpenDHRecordSetForUpdate(const char* path, uint16_t moduleId,
                                              uint16_t moduleAddress, const char* tag);
HOLBRIN_API HDHTABLE CreateCompoundTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                         const char* tag);

// ---- "DataMethod": the 400-byte quantitation block ------------------------------
HOLBRIN_API BOOL ReadDataMethod(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                const char* tag, DH_QUANT_BLOCK* block);
HOLBRIN_API BOOL WriteDataMethod(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                 const char* tag, const DH_QUANT_BLOCK* block);

// ---- Calibration log ("CalibrationLog", DH_CALIBRATION_LOG_ROW) -----------------
HOLBRIN_API HDHTABLE OpenDHTable(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                 const char* tag);
HOLBRIN_API HDHTABLE CreateCalibrationLog(const char* path, uint16_t moduleId,
                                          uint16_t moduleAddress, const char* tag);
HOLBRIN_API int16_t CountDHTableRows(HDHTABLE table);  // -1 for a bad handle
// count: number of rows to read into row (1 in practice).
HOLBRIN_API BOOL GetDHTableRow(HDHTABLE table, int16_t index, void* row, int16_t count);

// ---- Injection record (STRUCT_DH_INJECTION_RECORD, one per data file) -----------
HOLBRIN_API HDHTABLE OpenDHRecord(const char* path);
HOLBRIN_API HDHTABLE OpenDataFileDHRecord(const char* path);
HOLBRIN_API HDHTABLE OpenDHDescriptionRecord(const char* path);  // [60]
HOLBRIN_API BOOL ReadDHRecord(HDHTABLE record, void* buffer);
HOLBRIN_API BOOL WriteDHInjectionRecord(const char* path, const STRUCT_DH_INJECTION_RECORD* record);

// ---- Error record ("ErrorLog", STRUCT_DH_ERROR_LOG) -----------------------------
HOLBRIN_API HDHTABLE OpenDHErrorRecord(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                       const char* tag);  // [344]
HOLBRIN_API HDHTABLE OpenDHErrorLog(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                    const char* tag);
HOLBRIN_API BOOL GetDHLogEntry(HDHTABLE errorRecord, STRUCT_DH_ERROR_LOG* record);
HOLBRIN_API BOOL WriteDHErrorRecord(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                    const char* tag, const STRUCT_DH_ERROR_LOG* record);

// ---- Revision log (plain section "RevisionLog", text) ---------------------------
// The module arguments are accepted for the callers' sake; the log is the file's.
HOLBRIN_API HDHTABLE OpenDHLog(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                               const char* tag);
HOLBRIN_API int32_t CountDHLogEntries(HDHTABLE log);  // byte length of the text; -1 bad handle
// [65] Copies up to count bytes of the text (no terminator added).
HOLBRIN_API BOOL ReadDHLogText(HDHTABLE log, char* buffer, int32_t count);
// Appends one line ("\n" added) to the file's revision log.
HOLBRIN_API BOOL AppendDHLogText(const char* path, const char* line);

// ---- Recalculation list of a sequence file (DH_RECALC_LIST_ENTRY) ---------------
HOLBRIN_API HDHTABLE OpenRecalcList(const char* path);
HOLBRIN_API HDHTABLE CreateRecalcList(const char* path);
HOLBRIN_API int32_t CountRecalcEntries(HDHTABLE list);
HOLBRIN_API BOOL GetRecalcEntry(HDHTABLE list, int32_t index, DH_RECALC_LIST_ENTRY* entry);
HOLBRIN_API void CloseRecalcList(HDHTABLE list);

// ---- Processing log of a data file ("RecalcLog", STRUCT_RECALC_ENTRY) -----------
HOLBRIN_API HDHTABLE OpenRecalcLog(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                   const char* tag);
HOLBRIN_API HDHTABLE CreateRecalcLog(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag);
// The library's two texts of a processing-log entry (description, version).
HOLBRIN_API BOOL GetDHLibraryTexts(char* description, char* version);  // 42 bytes each

// ---- Report format ("MSReportFormat2", STRUCT_REPORT_FORMAT) --------------------
HOLBRIN_API BOOL ReadReportFormat(const char* path, const char* sectionName, void* record);
HOLBRIN_API BOOL ResetReportFormat(void* record);
HOLBRIN_API BOOL WriteReportFormat(const char* path, const char* sectionName, const void* record);
// The calibration report pages of a file's method (tag "1" in practice):
// page kind 0 the calibration block of every compound, 1 each compound's
// calibration curve. A new page buffer of the page-rendering library
// (freed with FreePageBuffer, also when it holds no page), or 0 when the
// method's compounds cannot be read. The arguments after the page kind
// are the callers' and not read.
HOLBRIN_API void* MakeCalibrationReportPages(const char* path, const char* tag, uint16_t moduleId,
                                             uint16_t moduleAddress, const void* format, int16_t pageKind,
                                             int32_t a7, int32_t a8, int32_t a9, int32_t a10, int32_t a11,
                                             int32_t a12, int32_t a13, int32_t last);
// The calibration block of every compound of a file's method as a text
// file of separated columns: one header row, then a row per calibration
// level of each compound (a compound without levels gets one row), every
// row with the same fields, texts quoted with their quotes doubled, CR LF
// line ends. The separator comes from extension ("csv" comma, "txt" tab,
// "prn" blank, any case) or, without one of those, from the output format
// of the report format read from formatFile/formatSection (0 comma, 1 tab,
// 2 blank; the default format when that cannot be read). displayName, when
// given, names the method in the rows instead of path. The three flags are
// the callers' and not read. The file is replaced in one step; 1 when
// written, 0 when the compounds cannot be read or the file not written.
HOLBRIN_API int32_t WriteCalibrationBlockText(const char* path, const char* tag, uint16_t moduleId,
                                              uint16_t moduleAddress, const char* formatFile,
                                              const char* formatSection, const char* outputPath, int32_t flag1,
                                              int32_t flag2, int32_t flag3, const char* extension,
                                              const char* displayName);

// ---- Generic item sections (time events, 10-byte items) ------------------------
// The "TimeEvents" table of the module. Handles are Orvik32 sections.
HOLBRIN_API HSECTION OpenDHSection(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                   const char* tag);  // [337] read-only
HOLBRIN_API HSECTION OpenDHSectionForUpdate(const char* path, uint16_t moduleId,
                                            uint16_t moduleAddress, const char* tag);  // [27]
HOLBRIN_API HSECTION CreateDHSection(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag);  // [26] replaces
HOLBRIN_API int16_t CountDHItems(HSECTION section);     // [28] negative on error
// [29]/[30] count consecutive items from index (1 in practice); writing at
// the item count appends.
HOLBRIN_API BOOL ReadDHItem(HSECTION section, int16_t index, void* items, int16_t count);
HOLBRIN_API BOOL WriteDHItem(HSECTION section, int16_t index, const void* items, int16_t count);
// [25] Puts the items in time order; *changed nonzero when the order changed
// (the caller must read them again).
HOLBRIN_API BOOL SortDHItems(HSECTION section, int32_t* changed);
// The finishing call after a table was filled: sorts; flags reserved (0).
HOLBRIN_API BOOL FinishDHSection(HSECTION section, int32_t flags);
// [104] Makes path a sectioned file ready to take sections (kept when it is one).
HOLBRIN_API BOOL PrepareDHFile(const char* path);

// ---- Integration results of a processed file ------------------------------------
// Peak events ("PeakEvents", DH_PEAK_EVENT); values are read multiplied and
// written divided by the scale factor.
HOLBRIN_API HDHTABLE OpenDHEventList(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                     const char* tag);  // [34] for reading, and writing in place
HOLBRIN_API HDHTABLE OpenDHEventListReadOnly(const char* path, uint16_t moduleId,
                                             uint16_t moduleAddress, const char* tag);  // [339]
HOLBRIN_API HDHTABLE CreateDHEventList(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                       const char* tag);  // [108]
HOLBRIN_API int16_t CountDHEvents(HDHTABLE events);  // [35]
HOLBRIN_API BOOL ReadDHEvent(HDHTABLE events, int16_t index, DH_PEAK_EVENT* item, int16_t count,
                             float scale);  // [500]
HOLBRIN_API BOOL WriteDHEvent(HDHTABLE events, int16_t index, const DH_PEAK_EVENT* item,
                              int16_t count, float scale);  // [501]
// Baselines ("Baselines", DH_BASELINE; the peak table of the editing control).
HOLBRIN_API HDHTABLE OpenDHBaselineList(const char* path, uint16_t moduleId,
                                        uint16_t moduleAddress, const char* tag);  // [341]
HOLBRIN_API HDHTABLE OpenDHBaselineListForUpdate(const char* path, uint16_t moduleId,
                                                 uint16_t moduleAddress, const char* tag);  // [110]
HOLBRIN_API HDHTABLE CreateDHBaselineList(const char* path, uint16_t moduleId,
                                          uint16_t moduleAddress, const char* tag);
HOLBRIN_API int16_t CountDHBaselines(HDHTABLE baselines);  // [43]
HOLBRIN_API BOOL ReadDHBaseline(HDHTABLE baselines, int16_t index, DH_BASELINE* item,
                                int16_t count);  // [44]
HOLBRIN_API BOOL WriteDHBaseline(HDHTABLE baselines, int16_t index, const DH_BASELINE* item,
                                 int16_t count);  // [45]
// Integrated peaks ("Peaks", DH_PEAK).
HOLBRIN_API HDHTABLE OpenDHPeakList(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                    const char* tag);  // [340]
HOLBRIN_API HDHTABLE CreateDHPeakList(const char* path, uint16_t moduleId, uint16_t moduleAddress,
                                      const char* tag);
HOLBRIN_API int16_t CountDHPeaks(HDHTABLE peaks);  // [39]
HOLBRIN_API BOOL ReadDHPeak(HDHTABLE peaks, int16_t index, DH_PEAK* item, int16_t count);  // [40]
HOLBRIN_API BOOL WriteDHPeak(HDHTABLE peaks, int16_t index, const DH_PEAK* item, int16_t count);

// Raw integration times count 1/600000 minute.
#define DH_RAW_PER_MINUTE 600000.0
HOLBRIN_API double DHRawToMinutes(uint32_t raw);  // [366]
// Rounded; negative times give 0, times past the range the largest count.
HOLBRIN_API uint32_t DHMinutesToRaw(double minutes);  // [365]

// [502] The scale factor stored for a module (detector) of the data file.
// path may be a work-file record, which begins with its path. 0 (factor
// untouched) when none is stored.
HOLBRIN_API BOOL GetDataScaleFactor(const char* path, uint16_t module, float* factor);
HOLBRIN_API BOOL SetDataScaleFactor(const char* path, uint16_t module, float factor);

// ---- Module kinds and texts ---------------------------------------------------------
// Mass decimals and mass range of an instrument module kind; unknown kinds
// get 0 decimals and a zero range (and 0 is returned).
HOLBRIN_API BOOL GetFileTypeDescriptor(uint16_t fileType, DH_FILE_TYPE_DESCRIPTOR* descriptor);
// The library's string table: messages of the integration engine by number
// (the ids of the error record). Returns the text length, 0 when the id has
// no text (buffer then empty).
HOLBRIN_API int32_t LoadDHString(uint32_t id, char* buffer, int32_t size);
// The engine's error-text call: the text of a message number into buffer
// (81 bytes in practice); 0 when the number has no text.
HOLBRIN_API BOOL GetDHErrorText(int32_t code, char* buffer, int32_t size);

// Filters the integer point block of an MS trace (12-byte head: first scan,
// last scan, value-is-double flag; 20-byte points: f64 time, u32 flag, u64
// intensity) into a new block of the same layout (AllocBlock) in *filtered.
// 0 for a double-valued block, a count of 0, or a request out of range.
HOLBRIN_API BOOL FilterMSTrace(void** filtered, const void* pointBlock, const DH_FILTER_REQUEST* request,
                               uint32_t pointCount);
// Processes a trace for display against a background window: the two
// settings are the window's ends in thousandths of a minute (in either
// order), as the method records keep their background window; the new block
// (AllocBlock, same layout, values doubles) holds each point's intensity
// less the trace's mean intensity inside the window. 0 when both settings
// are 0, the window holds no point, or the block is bad.
HOLBRIN_API BOOL ProcessMSTrace(void** processed, const void* pointBlock, uint32_t pointCount, uint32_t setting1,
                                uint32_t setting2);
