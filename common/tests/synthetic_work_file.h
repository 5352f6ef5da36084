#pragma once
// A work-file record built by hand: an MS data file of a few segments with
// named and described scan functions, for tests that need exact contents.
#include <cstring>
#include <string>
#include <vector>

#include "common/work_file.h"
#include "orvik32/orvik32.h"

struct SyntheticFunction {
  std::u16string name;         // may hold a '|' between short and long part
  std::u16string description;  // e.g. u"50.0-550.0"
};

struct SyntheticSegment {
  double start, end;
  std::vector<SyntheticFunction> functions;
};

inline void PutWideText(char16_t* out, size_t room, const std::u16string& s) {
  std::memset(out, 0, room * sizeof(char16_t));
  std::memcpy(out, s.data(), std::min(room, s.size()) * sizeof(char16_t));
}

// Freed with FreeSyntheticWorkFile.
inline STRUCT_WORK_FILE* MakeSyntheticWorkFile(const std::vector<SyntheticSegment>& segments, uint16_t decimals = 1,
                                               double lowMass = 10, double highMass = 1000,
                                               const std::vector<std::u16string>& extraColumns = {}) {
  auto* wf = static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)));
  std::strcpy(wf->filePath, "C:\\Data\\synthetic.kms");
  wf->sectioned = 1;
  wf->centroid = 1;
  wf->fileType = 0x14;
  wf->module = 1;
  wf->startTime = segments.empty() ? 0 : segments.front().start;
  wf->endTime = segments.empty() ? 0 : segments.back().end;
  std::memcpy(wf->typeDescriptor, &decimals, 2);
  std::memcpy(wf->typeDescriptor + 2, &lowMass, 8);
  std::memcpy(wf->typeDescriptor + 10, &highMass, 8);
  wf->msInfo.segmentCount = static_cast<uint16_t>(segments.size());
  wf->msInfo.extraColumnCount = static_cast<uint16_t>(extraColumns.size());
  for (size_t k = 0; k < extraColumns.size(); ++k) PutWideText(wf->msInfo.extraColumnNames[k], 14, extraColumns[k]);
  if (!segments.empty())
    wf->segmentBlocks =
        static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(static_cast<uint32_t>(segments.size() * sizeof(MS_SEGMENT_BLOCK))));
  for (size_t s = 0; s < segments.size(); ++s) {
    MS_SEGMENT_BLOCK& b = wf->segmentBlocks[s];
    b.number = static_cast<uint16_t>(s + 1);
    b.startTime = segments[s].start;
    b.endTime = segments[s].end;
    b.functionCount = static_cast<uint8_t>(segments[s].functions.size());
    if (static_cast<int>(segments[s].functions.size()) > wf->mostScanFunctions)
      wf->mostScanFunctions = static_cast<int16_t>(segments[s].functions.size());
    for (size_t f = 0; f < segments[s].functions.size(); ++f) {
      PutWideText(b.functions[f].name, 32, segments[s].functions[f].name);
      PutWideText(b.functions[f].description, 64, segments[s].functions[f].description);
      if (!segments[s].functions[f].description.empty()) wf->hasDescriptions = 1;
    }
  }
  return wf;
}

inline void FreeSyntheticWorkFile(STRUCT_WORK_FILE* wf) {
  if (wf->segmentBlocks) FreeBlock(wf->segmentBlocks);
  FreeBlock(wf);
}
