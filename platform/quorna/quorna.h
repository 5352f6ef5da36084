#pragma once
// The MS data library: reads and writes the "MSData" section of sectioned
// data files and raw MS files, makes traces and spectra from them, centroids
// profile scans and converts mass and channel lists to and from text.
//
// Spectrum buffers everywhere (scan reads, averages, centroiding) use one
// layout, the exchange buffer: u32 count, then count 13-byte entries
// {u8 flag, f64 mass, u32 intensity}, ascending mass.
#include <cstddef>
#include <cstdint>
#include "win/win_types.h"
#include "quorna/ms_lists.h"

#define QUORNA_VIS __attribute__((visibility("default")))
#define QUORNA_API extern "C" QUORNA_VIS
#define QUORNA_CLASS QUORNA_VIS

// Failure value of the scan-header reads.
#define MS_SCAN_TIME_FAILED (-1440.1)

#define MS_INFO_BLOCK_SIZE 2570
#define MS_SEGMENT_BLOCK_SIZE 61909
#define MS_SCAN_FUNCTION_SIZE 242
#define MS_SCAN_HEADER_SIZE 430
#define MS_RAW_HEADER_SIZE 256
#define MS_MAX_FUNCTIONS 255
#define MS_MAX_EXTRA_COLUMNS 20
// Largest number of peaks (or profile points) one stored scan may hold.
#define MS_MAX_SCAN_POINTS 32768
#define MS_EXCHANGE_ENTRY_SIZE 13
#define MS_POINT_SIZE 20
#define MS_POINT_BLOCK_HEAD 12

// Point i of a trace block: after its MS_POINT_BLOCK_HEAD bytes (the word
// at 8 says whether values are doubles or whole counts) come points of
// MS_POINT_SIZE bytes, the time at 0 and the value at 12.
inline void MSTracePointAt(const void* block, uint32_t i, double* time, double* value) {
  const auto* bytes = static_cast<const unsigned char*>(block);
  uint32_t isDouble;
  __builtin_memcpy(&isDouble, bytes + 8, 4);
  const unsigned char* p = bytes + MS_POINT_BLOCK_HEAD + size_t(i) * MS_POINT_SIZE;
  __builtin_memcpy(time, p, 8);
  if (isDouble) {
    __builtin_memcpy(value, p + 12, 8);
  } else {
    uint64_t raw;
    __builtin_memcpy(&raw, p + 12, 8);
    *value = double(raw);
  }
}

// File-kind words (information block word 0).
#define MS_FILE_KIND_QUADRUPOLE 1
#define MS_FILE_KIND_ION_TRAP 2
#define MS_FILE_KIND_TANDEM 3   // XMS
#define MS_FILE_KIND_MSN 4      // XMS
// Scan-function kinds (entry word 24).
#define MS_SCAN_KIND_FULL 0
#define MS_SCAN_KIND_SIM 1
#define MS_SCAN_KIND_PARENT 13  // a scan with a parent scan
// Bit set by MakeCentroidScanKind on a centroided scan's kind.
#define MS_SCAN_KIND_CENTROIDED 0x4000
// Scan-header flags.
#define MS_SCAN_FLAG_SATURATED 0x0001
// Entry flag of an exchange-buffer peak.
#define MS_PEAK_FLAG_SATURATED 0x01

typedef void* HMSDATA;  // 0 on failure; CloseSection closes it too
typedef int32_t MSRetCode;  // 0 on success
#define MS_OK 0
#define MS_ERR_ARGUMENT 1
#define MS_ERR_MEMORY 2
#define MS_ERR_NOT_INITIALISED 3
#define MS_ERR_TOO_MANY_POINTS 4

#pragma pack(push, 1)
// The information block: file facts of one acquisition.
struct MS_INFO_BLOCK {
  uint16_t fileKind;          // 0
  uint16_t fileType;          // 2
  uint16_t module;            // 4
  uint32_t centroid;          // 6: nonzero centroid data, zero profile data
  uint16_t formatWord;        // 10
  uint16_t upperMassLimit;    // 12
  uint16_t lowerMassLimit;    // 14
  uint32_t maxScanPoints;     // 16: most peaks of any scan
  uint8_t reserved20[8];      // 20
  uint32_t acquisitionTime;   // 28: seconds since 1970
  uint32_t reserved32;        // 32
  uint16_t segmentCount;      // 36
  uint32_t firstScan;         // 38
  uint32_t lastScan;          // 42
  uint32_t maxTicScan;        // 46
  uint64_t maxTic;            // 50
  // 58: the acquisition's title, shown after the data kind in file
  // descriptions. Start and end time of the data are not kept here:
  // ReadMSFileInfo gives them after the block.
  char16_t title[80];         // 58
  uint16_t extraColumnCount;  // 218
  char16_t extraColumnNames[MS_MAX_EXTRA_COLUMNS][14];  // 220
  uint8_t reserved780[142];   // 780
  // 22 wide characters fit before the description; stored NUL-terminated.
  char16_t sampleName[22];    // 922
  char16_t description[256];  // 966
  char16_t operatorName[32];  // 1478
  char16_t instrumentName[32];  // 1542
  uint8_t reserved1606[964];  // 1606
};

// One scan function of a segment.
struct MS_SCAN_FUNCTION {
  uint16_t number;            // 0: 0-based within the segment
  uint16_t flags;             // 2
  uint32_t reserved4;         // 4
  double massWidth;           // 8: peak width, also the continuity value
  uint16_t massDecimals;      // 16
  uint16_t reserved18;        // 18
  uint32_t reserved20;        // 20
  int16_t kind;               // 24
  char16_t description[64];   // 26: e.g. "50.0-550.0"; empty when [0] == 0
  char16_t name[32];          // 154
  double lowMass;             // 218
  double highMass;            // 226
  double scanSeconds;         // 234
};

// One acquisition segment and its scan functions.
struct MS_SEGMENT_BLOCK {
  uint16_t number;            // 0: 1-based
  double startTime;           // 2: minutes
  double endTime;             // 10
  uint8_t functionCount;      // 18: 1..255
  uint32_t firstScan;         // 19
  uint32_t lastScan;          // 23
  uint32_t maxTicScan;        // 27
  uint64_t maxTic;            // 31
  char16_t name[32];          // 39
  uint8_t reserved103[96];    // 103
  MS_SCAN_FUNCTION functions[MS_MAX_FUNCTIONS];  // 199
};

// Header of one scan (or of an averaged spectrum).
struct MS_SCAN_HEADER {
  uint32_t scanNumber;        // 0
  double time;                // 4: minutes
  uint64_t totalIon;          // 12
  int16_t scanKind;           // 20
  uint16_t flags;             // 22
  uint32_t pointCount;        // 24
  uint32_t reserved28;        // 28
  double lowLimit;            // 32: scanned mass range
  double highLimit;           // 40
  uint32_t reserved48;        // 48
  double highestMass;         // 52
  double lowestMass;          // 60
  double basePeakMass;        // 68
  uint32_t basePeakIntensity; // 76
  uint16_t segment;           // 80: 1-based
  uint8_t function;           // 82: 0-based, 255 none
  uint32_t parentScan;        // 83
  char16_t text[64];          // 87
  uint8_t reserved215[39];    // 215
  double ionMass;             // 254: selected ion, 0 none
  uint16_t extraCount;        // 262
  double extra[MS_MAX_EXTRA_COLUMNS];  // 264: extra data column values
  uint8_t reserved424[6];     // 424
};

// What ReadMSScan fills and WriteMSScan takes: a size word, then the header.
struct MS_SCAN_RECORD {
  uint32_t recordSize;        // sizeof(MS_SCAN_RECORD)
  MS_SCAN_HEADER header;      // 4 (so the selected ion is the double at 258)
};

// First 256 bytes of a raw MS file.
struct MS_RAW_HEADER {
  uint16_t zero0;             // 0: 0
  uint32_t zero2;             // 2: 0
  uint16_t fileType;          // 6
  uint16_t module;            // 8
  uint8_t reserved10[28];     // 10
  uint32_t one38;             // 38: 1
  uint32_t acquisitionTime;   // 42
  char description[64];       // 46
  char operatorName[20];      // 110
  // The sample name runs to the fixed words at 176; stored NUL-terminated.
  char sampleName[46];        // 130
  uint16_t headerWord;        // 176: 16
  uint32_t infoOffset;        // 178: the information block
  uint32_t reserved182;       // 182
  uint16_t revision;          // 186: at most 4
  uint8_t reserved188[12];    // 188
  uint32_t segmentOffset;     // 200: the segment blocks
  uint32_t indexOffset;       // 204: the scan index
  uint8_t reserved208[38];    // 208
  uint32_t dataEnd;           // 246: end of the scan data
  uint8_t reserved250[6];     // 250
};

// ReadMSTrace request: {3, from, to} by time or {2, first, last} by scan.
#define MS_TRACE_BY_SCANS 2
#define MS_TRACE_BY_TIMES 3
struct MS_TRACE_REQUEST {
  uint32_t kind;
  union {
    struct { double from, to; } times;
    struct { uint32_t first, last; } scans;
  };
};

// Scan request: {0, mode, u32 scan} by scan or {1, mode, f64 time} by time.
// Mode picks the scan for a time: 1 at or before, 2 nearest, 3 at or after.
#define MS_SCAN_BY_NUMBER 0
#define MS_SCAN_BY_TIME 1
#define MS_PICK_AT_OR_BEFORE 1
#define MS_PICK_NEAREST 2
#define MS_PICK_AT_OR_AFTER 3
struct MS_SCAN_REQUEST {
  uint32_t kind;
  uint32_t mode;
  union {
    uint32_t scan;
    double time;
  };
};

// Centroid parameter record as data files and the centroid dialog hold it.
// The engine is handed the part after the first four bytes.
struct MS_CENTROID_ENGINE_PARAMS {
  uint8_t reserved[44];       // record bytes 4..47, carried unchanged
  uint16_t chargeState;       // 48
  uint16_t smoothPoints;      // 50
  uint16_t reserved52;        // 52
  uint16_t smoothPointsUsed;  // 54: per-scan value (0: take smoothPoints)
  uint16_t reserved56;        // 56
  uint16_t searchPoints;      // 58
  uint16_t centroidPoints;    // 60
  uint16_t searchPointsUsed;  // 62
  uint16_t centroidPointsUsed;  // 64
  uint16_t scanKind;          // 66
  uint16_t thresholdCount;    // 68: noise threshold (0: automatic)
  uint16_t forcedApex;        // 70: 1 keeps lone apexes above the percentage
  uint16_t forcedApexPercent; // 72
};
struct MS_CENTROID_PARAMS {
  uint32_t recordWord;
  MS_CENTROID_ENGINE_PARAMS engine;
};
#pragma pack(pop)

static_assert(sizeof(MS_INFO_BLOCK) == MS_INFO_BLOCK_SIZE);
static_assert(offsetof(MS_INFO_BLOCK, centroid) == 6);
static_assert(offsetof(MS_INFO_BLOCK, acquisitionTime) == 28);
static_assert(offsetof(MS_INFO_BLOCK, segmentCount) == 36);
static_assert(offsetof(MS_INFO_BLOCK, title) == 58);
static_assert(offsetof(MS_INFO_BLOCK, firstScan) == 38);
static_assert(offsetof(MS_INFO_BLOCK, lastScan) == 42);
static_assert(offsetof(MS_INFO_BLOCK, maxTicScan) == 46);
static_assert(offsetof(MS_INFO_BLOCK, maxTic) == 50);
static_assert(offsetof(MS_INFO_BLOCK, extraColumnCount) == 218);
static_assert(offsetof(MS_INFO_BLOCK, extraColumnNames) == 220);
static_assert(offsetof(MS_INFO_BLOCK, sampleName) == 922);
static_assert(offsetof(MS_INFO_BLOCK, description) == 966);
static_assert(offsetof(MS_INFO_BLOCK, operatorName) == 1478);
static_assert(sizeof(MS_SCAN_FUNCTION) == MS_SCAN_FUNCTION_SIZE);
static_assert(offsetof(MS_SCAN_FUNCTION, massWidth) == 8);
static_assert(offsetof(MS_SCAN_FUNCTION, massDecimals) == 16);
static_assert(offsetof(MS_SCAN_FUNCTION, kind) == 24);
static_assert(offsetof(MS_SCAN_FUNCTION, description) == 26);
static_assert(sizeof(MS_SEGMENT_BLOCK) == MS_SEGMENT_BLOCK_SIZE);
static_assert(offsetof(MS_SEGMENT_BLOCK, startTime) == 2);
static_assert(offsetof(MS_SEGMENT_BLOCK, endTime) == 10);
static_assert(offsetof(MS_SEGMENT_BLOCK, functionCount) == 18);
static_assert(offsetof(MS_SEGMENT_BLOCK, firstScan) == 19);
static_assert(offsetof(MS_SEGMENT_BLOCK, lastScan) == 23);
static_assert(offsetof(MS_SEGMENT_BLOCK, functions) == 199);
static_assert(sizeof(MS_SCAN_HEADER) == MS_SCAN_HEADER_SIZE);
static_assert(offsetof(MS_SCAN_HEADER, time) == 4);
static_assert(offsetof(MS_SCAN_HEADER, totalIon) == 12);
static_assert(offsetof(MS_SCAN_HEADER, highestMass) == 52);
static_assert(offsetof(MS_SCAN_HEADER, lowestMass) == 60);
static_assert(offsetof(MS_SCAN_HEADER, basePeakMass) == 68);
static_assert(offsetof(MS_SCAN_HEADER, basePeakIntensity) == 76);
static_assert(offsetof(MS_SCAN_HEADER, segment) == 80);
static_assert(offsetof(MS_SCAN_HEADER, function) == 82);
static_assert(offsetof(MS_SCAN_HEADER, parentScan) == 83);
static_assert(offsetof(MS_SCAN_HEADER, ionMass) == 254);
static_assert(offsetof(MS_SCAN_RECORD, header) + offsetof(MS_SCAN_HEADER, ionMass) == 258);
static_assert(sizeof(MS_RAW_HEADER) == MS_RAW_HEADER_SIZE);
static_assert(offsetof(MS_RAW_HEADER, one38) == 38);
static_assert(offsetof(MS_RAW_HEADER, description) == 46);
static_assert(offsetof(MS_RAW_HEADER, operatorName) == 110);
static_assert(offsetof(MS_RAW_HEADER, sampleName) == 130);
static_assert(offsetof(MS_RAW_HEADER, headerWord) == 176);
static_assert(offsetof(MS_RAW_HEADER, infoOffset) == 178);
static_assert(offsetof(MS_RAW_HEADER, revision) == 186);
static_assert(offsetof(MS_RAW_HEADER, segmentOffset) == 200);
static_assert(offsetof(MS_RAW_HEADER, indexOffset) == 204);
static_assert(offsetof(MS_RAW_HEADER, dataEnd) == 246);
static_assert(sizeof(MS_TRACE_REQUEST) == 20);
static_assert(sizeof(MS_SCAN_REQUEST) == 16);
static_assert(sizeof(MS_CENTROID_PARAMS) == 74);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, smoothPoints) == 50);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, smoothPointsUsed) == 54);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, searchPoints) == 58);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, centroidPoints) == 60);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, searchPointsUsed) == 62);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, centroidPointsUsed) == 64);
static_assert(offsetof(MS_CENTROID_PARAMS, engine) + offsetof(MS_CENTROID_ENGINE_PARAMS, scanKind) == 66);

// ---- Opening -------------------------------------------------------------
// pathOrWorkFile: a path, or any record whose first field is the path
// (read up to its NUL, at most 260 bytes). With a section name the
// sectioned file's section is opened; without, the path is a raw MS file.
QUORNA_API HMSDATA OpenMSData(const void* pathOrWorkFile, const char* section, int32_t mode);
// mode 0 reads; mode 1 starts a new "MSData" (or, without a section name, a
// raw MS file) that is written when the handle is closed. scanCount is a
// capacity hint; headerWord is kept as the information block's format word;
// scratch (may be 0) receives 0.
QUORNA_API HMSDATA OpenMSDataSection(const char* path, const char* section, int32_t mode,
                                     uint32_t scanCount, uint16_t headerWord, uint16_t* scratch);
// 0 on success; a writing handle fails (-1) when what was written does not
// make a whole data set, and nothing is stored then.
QUORNA_API int32_t CloseMSData(HMSDATA handle);
// Keeps a data set open for a run of work over it (a quantitation's many
// steps): while kept, every reading open of that path and section shares
// one checked image, so the scan index is read once and each block of the
// data at most once. Keeps nest (1 on success); the last release lets the
// image go. A write through this library to the same section ends the
// sharing: later opens read what was written (while still kept, they share
// the image of the bytes written, not read back). The caller does not rewrite
// the section by other means while it keeps it.
QUORNA_API BOOL KeepMSDataOpen(const char* path, const char* section);
// Stores the MS data a reading handle holds, as it is stored, as the
// section of another sectioned file (replacing it); 0 on success, -1 when
// the handle reads no section or the section cannot be written.
QUORNA_API int32_t CopyMSDataSection(HMSDATA handle, const char* path, const char* section);
QUORNA_API void ReleaseMSDataOpen(const char* path, const char* section);

// ---- File facts ----------------------------------------------------------
// out: the 2,570-byte information block followed by start and end time
// (two f64, minutes). Nonzero on success.
QUORNA_API int32_t ReadMSFileInfo(const void* pathOrWorkFile, uint32_t* acquisitionTime, void* out);
QUORNA_API int32_t ReadMSInfoFromHandle(HMSDATA handle, void* infoBlock);  // 0 on success
// segment from 1; flag is accepted and has no effect. 0 on success.
QUORNA_API int32_t ReadMSSegmentBlock(HMSDATA handle, int32_t segment, void* block, int32_t flag);
QUORNA_API int16_t GetMSDataLiveFlag(HMSDATA handle);
// Facts of the sectioned file a reading handle's data set lies in, through
// the store's handle it reads with: its type code and format word (-1 when
// the handle cannot tell, as for raw files), and whether a section of that
// name is there (asked by path when the handle cannot tell).
QUORNA_API int32_t GetMSDataFileType(HMSDATA handle, uint16_t* formatWord);
QUORNA_API BOOL MSDataSectionExists(HMSDATA handle, const char* name);
// Marks a written data set as still acquiring (writing handles only).
QUORNA_API int32_t SetMSDataLiveFlag(HMSDATA handle, int16_t live);
// Bytes an exchange buffer needs for any scan or average of the file;
// without a handle, enough for any scan any file may hold.
QUORNA_API uint32_t GetMSScanBufferSize(HMSDATA handle);
QUORNA_API BOOL IsXMSFileKind(uint16_t fileKind);

// ---- Traces --------------------------------------------------------------
// *pointBlock receives a point block (12-byte head: first scan, last scan,
// value-is-double flag; 20-byte points: f64 time, u32 flag, 8-byte value).
// Returns the point count; 0 with *pointBlock = 0 when nothing matched.
QUORNA_API uint32_t ReadMSTrace(HMSDATA handle, const void* request, const STRUCT_CHAN_LIST* channels,
                                const STRUCT_MASS_LIST* masses, void** pointBlock);
QUORNA_API void FreeMSTrace(void* pointBlock);

// ---- Scans ---------------------------------------------------------------
// The scan a request names, restricted to the channel list (0: any scan);
// fills the header and returns its time, 0.0 on failure.
QUORNA_API double FindMSScan(HMSDATA handle, const MS_SCAN_REQUEST* request, const STRUCT_CHAN_LIST* channels,
                             MS_SCAN_HEADER* header);
// As FindMSScan, and fills scanBuffer (GetMSScanBufferSize bytes) with the
// spectrum: for a listed or merged channel list the scans of that cycle
// whose functions the list holds, added together; for an ignored list (or
// none) the one scan. Returns the time, MS_SCAN_TIME_FAILED on failure.
QUORNA_API double ReadMSScanHeader(HMSDATA handle, const MS_SCAN_REQUEST* request,
                                   const STRUCT_CHAN_LIST* channels, MS_SCAN_HEADER* header, void* scanBuffer);
// One stored scan as it is. 0 on success.
QUORNA_API int32_t ReadMSScan(HMSDATA handle, uint32_t scan, MS_SCAN_RECORD* record, void* peakBuffer);
// The time the scan index holds for a scan (the time its header was
// written with), without reading the scan; NaN when there is no such scan.
QUORNA_API double GetMSScanIndexTime(HMSDATA handle, uint32_t scan);

// ---- Writing (handles from OpenMSDataSection mode 1) ---------------------
QUORNA_API int32_t WriteMSHeader(HMSDATA handle, const void* infoBlock);
QUORNA_API int32_t WriteMSSegment(HMSDATA handle, const void* segmentBlock);
QUORNA_API int32_t WriteMSScan(HMSDATA handle, const MS_SCAN_RECORD* record, const void* peakBuffer);

// ---- Spectra -------------------------------------------------------------
// Mean of count exchange buffers; a new exchange buffer (AllocBlock) or 0.
// infoBlock, segmentBlock, headers and workFile may be 0.
QUORNA_API void* AverageSpectra(void* const* buffers, uint32_t count, const void* infoBlock,
                                const void* segmentBlock, const MS_SCAN_HEADER* const* headers,
                                const void* workFile);
// Nominal-mass spectrum of an exchange buffer into out (room for as many
// entries as the input has; outBytes 0 means that much). rounding 1: the
// nearest integer, 0: truncate. combine 1: sum peaks of one nominal mass,
// 0: keep the largest. Nonzero on success.
QUORNA_API int32_t MakeNominalSpectrum(const void* precise, void* out, uint32_t outBytes,
                                       int16_t rounding, int16_t combine);
// Kind of a scan once centroided: the kind with MS_SCAN_KIND_CENTROIDED set,
// unless option word bit 0 asks to keep kinds as they are.
QUORNA_API uint16_t MakeCentroidScanKind(uint16_t fileType, uint16_t scanKind, uint16_t optionWord,
                                         uint32_t optionValue, int32_t scanValue);

// ---- Text forms ----------------------------------------------------------
// Channel lists: "Merged", "All", or channels 1-based joined by "+",
// a run written "3-5" (read also as "3:5"). text receives at most 128 bytes.
QUORNA_API int32_t FormatChanList(char* text, const STRUCT_CHAN_LIST* list);
QUORNA_API int32_t ParseChanList(const char* text, STRUCT_CHAN_LIST* list);  // nonzero when valid
// Mass lists: "RIC", "Ion Time", "Base Peak Ion", "Intensity of Base
// Peak", "Column k" (extra column k, 1-based), or ranges joined by "+":
// "91", "50-550" (read also as "50:550"), "91+105.5-106.5", with "/w" appended for a window w other
// than 0.5. decimals: digits after the point (0..6). text receives at most
// 400 bytes.
QUORNA_API int32_t FormatMassListText(char* text, const STRUCT_MASS_LIST* list, int32_t decimals);
QUORNA_API int32_t ParseMassList(const char* text, STRUCT_MASS_LIST* list);  // nonzero when valid

// ---- Centroiding ---------------------------------------------------------
// Profile scans to peaks. Smoothing: a moving average over the smoothing
// points (odd, at least 1). Peaks: local maxima of the smoothed profile
// over the search points whose height is above the noise threshold (the
// threshold count, or when 0 the median of the nonzero smoothed values
// times 3). Each peak's mass is the intensity-weighted mean mass of the
// raw points within the centroid points around the apex (bounded by the
// neighbouring minima) and its intensity is their sum.
class QUORNA_CLASS CMS_CentroidEngine {
 public:
  CMS_CentroidEngine();
  ~CMS_CentroidEngine();
  CMS_CentroidEngine(const CMS_CentroidEngine&) = delete;
  CMS_CentroidEngine& operator=(const CMS_CentroidEngine&) = delete;

  MSRetCode Init();
  // Data-file form: rewrites the scan record (header counts, totals, base
  // peak) and the peak buffer (exchange layout, rewritten in place).
  MSRetCode CentroidSpec(const void* infoBlock, const void* segmentBlocks, MS_SCAN_RECORD* record,
                         void* peakBuffer, const MS_CENTROID_ENGINE_PARAMS* params);
  // Spectrum form: the point block (exchange layout) is rewritten in place.
  MSRetCode CentroidSpec(const void* infoBlock, const void* scanBlock, const void* recordHead,
                         void* pointBlock, const MS_CENTROID_ENGINE_PARAMS* params);
  // Smoothed profile in place of the point block.
  MSRetCode SmoothProfileSpec(const void* infoBlock, void* pointBlock, const void* scanBlock,
                              const void* recordHead, const MS_CENTROID_ENGINE_PARAMS* params);

 private:
  bool initialised_ = false;
};

// ---- Arrays of scan reads ----------------------------------------------------
// Frees count exchange buffers (or scan headers) of an AllocBlock array of
// pointers, then the array; null entries and a null array are allowed.
QUORNA_API void FreeSpectrumBufferArray(void** buffers, uint32_t count);
QUORNA_API void FreeScanHeaderArray(MS_SCAN_HEADER** headers, uint32_t count);
