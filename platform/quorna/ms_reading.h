#pragma once
// Traces and spectra made from a checked image.
#include <cstdint>
#include <vector>

#include "quorna/ms_image.h"

namespace quorna {

struct TracePoint {
  double time;
  uint32_t flag;
  union {
    int64_t i;
    double d;
  } value;
};

struct Trace {
  uint32_t firstScan = 0;
  uint32_t lastScan = 0;
  bool isDouble = false;
  std::vector<TracePoint> points;
};

// False for a request, channel list or mass list the image cannot serve.
bool MakeTrace(const Image& img, const MS_TRACE_REQUEST& request, const STRUCT_CHAN_LIST* channels,
               const STRUCT_MASS_LIST* masses, Trace& out);

// The scan a request names under a channel list, and the scan positions
// whose spectra make up its spectrum. False when there is none.
bool ResolveScan(const Image& img, const MS_SCAN_REQUEST& request, const STRUCT_CHAN_LIST* channels,
                 std::vector<uint32_t>& members);

// The position of the scan a time picks (mode: an MS_PICK_ value, any other
// the nearest) among those the channels take; false when there is none.
// Times that ascend are halved; a damaged index whose times do not is walked.
bool ScanAtTime(const Image& img, double t, uint32_t mode, const STRUCT_CHAN_LIST* channels, uint32_t& picked);
// The same by looking at every scan.
bool ScanAtTimeByWalk(const Image& img, double t, uint32_t mode, const STRUCT_CHAN_LIST* channels,
                      uint32_t& picked);

// Header and spectrum of a set of scan positions (the first one's header,
// totals over the added peaks); false when a scan cannot be read.
bool CombineScans(const Image& img, const std::vector<uint32_t>& members, MS_SCAN_HEADER& header,
                  std::vector<Peak>& peaks);

// Peaks of several spectra added, equal masses joined, ascending mass.
std::vector<Peak> AddSpectra(const std::vector<std::vector<Peak>>& spectra);

// Capacity in peaks of the scan buffer of an image (or of any image).
uint32_t ScanBufferPeaks(const Image* img);

}  // namespace quorna
