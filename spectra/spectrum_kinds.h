#pragma once
// The kind records a spectrum record carries and the three pair layouts
// they hold. Records that hold pointers live in memory only; the others
// keep the sizes other code relies on.
#include <cstddef>
#include <cstdint>

#include "fandor/list_entries.h"
#include "fandor/nist_entries.h"
#include "quorna/quorna.h"

struct STRUCT_SCAN_FUN_ARRAY;

#define SPT_TEXT_NAME_SIZE 300
#define SPT_TEXT_FORMULA_SIZE 41
#define SPT_TEXT_COMMENT_SIZE 150
#define SPT_PATH_SIZE 260
#define SPT_DISPLAY_NAME_SIZE 520
#define SPT_REF_MAX_PAIRS 16
#define SLBR_LIBRARY_NAME_SIZE 260
#define TIC_DATA_FILE_SIZE 216

#pragma pack(push, 1)
// Double pair (difference spectra): intensity may be negative.
struct DIFF_PAIR {
  double mass;
  double intensity;
};
// Integer pair: nominal mass.
struct TOL_PAIR {
  uint16_t mass;
  uint32_t intensity;
};

// Kind 0: a spectrum made from MS data. The pairs grow at the end.
struct STRUCT_TOL_SPT {
  MS_SCAN_HEADER header;
  MS_SEGMENT_BLOCK segment;           // the segment that holds the scan
  uint16_t scanFunIndex;              // header.function, 255 turned into 0
  uint16_t precision;                 // mass steps per mass unit
  uint16_t precisionKnown;
  int16_t scansAveraged;
  double firstTime, lastTime;
  uint32_t firstScan, lastScan;
  uint16_t averagedMarker;
  uint8_t overlayBytes[4];
  STRUCT_CHAN_LIST chanList;
  STRUCT_SCAN_FUN_ARRAY* scanFuns;    // owned copy, or 0
  uint16_t scanFunStep;               // scan functions of the segment
  int16_t segmentIndex;
  uint16_t bgCorrected;
  uint16_t bgMade;
  uint16_t extendedBg;
  char dataFilePath[SPT_PATH_SIZE];
  char displayName[SPT_DISPLAY_NAME_SIZE];
  int16_t profile;
  MS_INFO_BLOCK fileBlock;
  uint16_t halfHeightsPresent;
  uint16_t halfHeightKind;
  uint32_t halfHeightWidth;
  int16_t displayMade;
  uint32_t pairCount;
  XTOL_PAIR pairs[1];
};

// Kind 2: difference of two spectra.
struct STRUCT_DIFF_SPT {
  uint16_t mode;
  uint16_t profile;
  uint32_t pairCount;
  DIFF_PAIR pairs[1];
};

// Kind 3 (STRUCT_LIST_SPT) is the list reader's entry record.

// Kind 4: a search-library entry.
struct STRUCT_SLBR_SPT {
  char name[SPT_TEXT_NAME_SIZE];
  char formula[SPT_TEXT_FORMULA_SIZE];
  char comment[SPT_TEXT_COMMENT_SIZE];
  uint16_t molecularWeight;
  uint32_t casNumber;
  int32_t entryNumber;
  char libraryName[SLBR_LIBRARY_NAME_SIZE];
  uint8_t* chemStruct;                // NIST_CHEM_STRUCT_SIZE bytes, or 0
  int16_t pairCount;
  TOL_PAIR pairs[1];
};

// Kind 5: a reference spectrum, at most 16 pairs (417 bytes).
struct STRUCT_REF_SPT {
  uint32_t scan;
  double time;
  uint16_t ionMass;
  uint32_t totalIon;
  int16_t scansAveraged;
  uint32_t firstScan, lastScan;
  uint16_t bgCorrected;
  char dataFilePath[SPT_PATH_SIZE];
  uint8_t reserved[29];
  int16_t pairCount;
  TOL_PAIR pairs[SPT_REF_MAX_PAIRS];
};

// Kind 7: an extended reference spectrum, at most 16 pairs (1,370 bytes).
// Method compound records store it as it stands: a 718-byte head (the scan
// header and the head fields of the spectrum it was made from), the pair
// count at 718 and the pairs from 720.
struct STRUCT_REF_EX_SPT {
  MS_SCAN_HEADER header;
  int16_t scansAveraged;           // 430
  double firstTime, lastTime;      // 432
  uint32_t firstScan, lastScan;    // 448
  uint16_t bgCorrected;            // 456
  char dataFilePath[SPT_PATH_SIZE];  // 458
  int16_t pairCount;               // 718
  XTOL_PAIR pairs[SPT_REF_MAX_PAIRS];  // 720
  uint8_t reserved[442];           // 928
};

// Kind 6: a TIC spectrum from quantitation results ((count - 1) x 6 + 725 bytes).
struct STRUCT_TIC_SPT {
  char name[SPT_TEXT_NAME_SIZE];
  char formula[SPT_TEXT_FORMULA_SIZE];
  char comment[SPT_TEXT_COMMENT_SIZE];
  uint32_t casNumber;
  uint16_t molecularWeight;
  int32_t entryNumber;
  char dataFile[TIC_DATA_FILE_SIZE];
  int16_t pairCount;
  TOL_PAIR pairs[1];
};
#pragma pack(pop)

static_assert(sizeof(DIFF_PAIR) == 16);
static_assert(sizeof(TOL_PAIR) == 6);
static_assert(sizeof(STRUCT_REF_SPT) == 417);
static_assert(sizeof(STRUCT_REF_EX_SPT) == 1370);
static_assert(sizeof(XTOL_PAIR) == 13);
static_assert(offsetof(STRUCT_REF_EX_SPT, scansAveraged) == 430);
static_assert(offsetof(STRUCT_REF_EX_SPT, firstScan) == 448);
static_assert(offsetof(STRUCT_REF_EX_SPT, dataFilePath) == 458);
static_assert(offsetof(STRUCT_REF_EX_SPT, pairCount) == 718);
static_assert(offsetof(STRUCT_REF_EX_SPT, pairs) == 720);
static_assert(sizeof(STRUCT_TIC_SPT) == 725);
static_assert(offsetof(STRUCT_TOL_SPT, segment) == 430);
static_assert(offsetof(STRUCT_TOL_SPT, scanFunIndex) == 430 + 61909);

// Bytes of a kind-0 record's head, and of a record with room for n pairs.
constexpr size_t kTolHeadBytes = offsetof(STRUCT_TOL_SPT, pairs);
constexpr size_t TolSptBytes(size_t n) { return kTolHeadBytes + n * sizeof(XTOL_PAIR); }
// Room of a new kind-0 record: 20 pairs before the first enlargement.
#define TOL_START_PAIRS 21
// Growth steps of the kind records, bytes.
#define SPT_GROW_PRECISE 260
#define SPT_GROW_INTEGER 120
#define SPT_GROW_DOUBLE 320
