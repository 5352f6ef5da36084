#pragma once
// Mass lists and channel lists: which masses (or which derived signal) and
// which scan functions a trace or spectrum is made for. Both records are
// stored inside plot descriptors and segment plots, so their bytes are fixed.
#include <cstddef>
#include <cstdint>

#define MASS_LIST_MAX_RANGES 10
#define CHAN_LIST_MAX_ENTRIES 10

// Mass-list kinds.
#define MASS_LIST_TOTAL_ION 0      // "RIC"
#define MASS_LIST_ION_TIME 1
#define MASS_LIST_BASE_PEAK_ION 2
#define MASS_LIST_BASE_PEAK_INTENSITY 3
#define MASS_LIST_RANGES 4
#define MASS_LIST_EXTRA_COLUMN 5   // 5 + k: extra data column k

// Channel-list kinds.
#define CHAN_LIST_MERGED 0   // "Merged"
#define CHAN_LIST_LISTED 1
#define CHAN_LIST_IGNORED 2  // "All"

#pragma pack(push, 1)
struct MASS_RANGE {
  uint32_t reserved;  // 0
  double low;
  double high;
};

struct STRUCT_MASS_LIST {
  uint32_t kind;
  uint16_t count;  // ranges used, 0..10
  MASS_RANGE ranges[MASS_LIST_MAX_RANGES];
  double window;   // half width around each range; not above 0 counts as 0.5
};

struct CHAN_RANGE {
  uint32_t reserved;  // must be 0
  uint16_t low;       // 0-based scan-function numbers
  uint16_t high;
};

struct STRUCT_CHAN_LIST {
  uint32_t kind;
  uint16_t count;  // entries used, 0..10
  CHAN_RANGE entries[CHAN_LIST_MAX_ENTRIES];
};
#pragma pack(pop)

static_assert(sizeof(MASS_RANGE) == 20);
static_assert(sizeof(STRUCT_MASS_LIST) == 214);
static_assert(offsetof(STRUCT_MASS_LIST, count) == 4);
static_assert(offsetof(STRUCT_MASS_LIST, ranges) == 6);
static_assert(offsetof(STRUCT_MASS_LIST, window) == 206);
static_assert(sizeof(CHAN_RANGE) == 8);
static_assert(sizeof(STRUCT_CHAN_LIST) == 86);
static_assert(offsetof(STRUCT_CHAN_LIST, entries) == 6);
