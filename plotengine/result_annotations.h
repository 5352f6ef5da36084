#pragma once
// Result annotations: one short text per peak of a plot slot, made from
// the quantitation results of its data file, for the tiled-text placer.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "common/preference_records.h"
#include "fandor/target_list_results.h"
#include "plotengine/overlay.h"

#define ANNOTATION_DATA_FILE_SIZE 260
// Bytes behind the texts: the source file's last-write time (FILETIME) and
// room the allocation rules give.
#define ANNOTATION_TEXTS_TAIL 18

// In memory only (it holds pointers); fields in their documented order.
struct STRUCT_ANNOTATIONS {
  uint16_t count;
  int16_t textLength;     // characters kept per text
  double* times;          // minutes
  double* values;         // trace value at each time
  char* texts;            // count slots of textLength + 1, then the FILETIME
  double* amounts;        // result amount, or -1.0
  char dataFile[ANNOTATION_DATA_FILE_SIZE];
  uint16_t plotKind;
  STRUCT_MASS_LIST massList;
  STRUCT_CHAN_LIST chanList;
  double valuesFrom;
  double valuesTo;
};

// A target-list search over a run: one entry as the search lists it.
using STRUCT_TARGET_MATCH = TARGET_LIST_MATCH;

#define TARGET_MOST_LIBRARIES 16

// In memory only; the index tables are the libraries' (kept between reads).
struct STRUCT_TARGET_SEARCH_RESULT {
  int32_t count;
  STRUCT_TARGET_MATCH* entries;
  int16_t libraryCount;
  char libraryPaths[TARGET_MOST_LIBRARIES][ANNOTATION_DATA_FILE_SIZE];
  std::vector<uint32_t> indexTables[TARGET_MOST_LIBRARIES];
};

// Text i of a record (its slot of textLength + 1 characters).
inline const char* AnnotationText(const STRUCT_ANNOTATIONS* a, int i) {
  return a->texts + static_cast<size_t>(i) * (static_cast<size_t>(a->textLength) + 1);
}

KELT_API STRUCT_ANNOTATIONS* OPLOT_CreateDHAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                             const STRUCT_RESULT_ANNOTATIONS* prefs,
                                                             int16_t lineWidth, int16_t breakAtName);
// The identifications of the data file's deconvolution result file.
KELT_API STRUCT_ANNOTATIONS* OPLOT_CreateFINAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                              const STRUCT_AMDIS_ANNOTATIONS* prefs,
                                                              int16_t lineWidth, int16_t breakAtName);
// The components of the data file's deconvolution, through the component
// reader's ordinals; the last argument is not read.
KELT_API STRUCT_ANNOTATIONS* OPLOT_CreateELUAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                              const STRUCT_AMDIS_ANNOTATIONS* prefs,
                                                              int16_t lineWidth, int16_t ignored);
// The matched entries of a target-list search.
KELT_API STRUCT_ANNOTATIONS* OPLOT_CreateTCHROAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot,
                                                                int16_t useProcessed,
                                                                const STRUCT_TCHRO_ANNOTATIONS* prefs,
                                                                STRUCT_TARGET_SEARCH_RESULT* result,
                                                                int16_t lineWidth, int16_t breakAtName);
KELT_API void OPLOT_InitAnnotationPlotValues(SVW_OVERLAY* overlay, STRUCT_ANNOTATIONS* record, int16_t slot,
                                             int16_t useProcessed, int16_t force);
KELT_API void OPLOT_FreeAnnotationStrings(STRUCT_ANNOTATIONS* record);
KELT_API void OPLOT_FreeAllAnnotations(STRUCT_ANNOTATIONS** records);

namespace kelt::annotations {
// A text piece and its item code.
struct Piece {
  int code;
  std::string text;
};
// Joins pieces by the line rule: a new line only for angles 0..900 and from
// 2700, at the name (nameCode, when breakAtName) or when the line would pass
// lineWidth; else two blanks.
KELT_CLASS std::string JoinPieces(const std::vector<Piece>& pieces, int32_t angle, int16_t lineWidth,
                                  int16_t breakAtName, int nameCode);
}  // namespace kelt::annotations
