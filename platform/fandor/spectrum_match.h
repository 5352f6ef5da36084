#pragma once
// Inside the library: spectra reduced for matching, MSP libraries in memory.
#include <cstdint>
#include <string>
#include <vector>

namespace fandor {

// A spectrum at nominal mass, ascending, with matching weights scaled to
// unit length (sum of squares 1).
struct Weighted {
  std::vector<uint16_t> masses;
  std::vector<float> weights;
  std::vector<float> abundances;  // 0..999
  bool Empty() const { return masses.empty(); }
};

// (mass, intensity) pairs at any masses to a weighted spectrum.
Weighted Reduce(const std::vector<std::pair<double, double>>& peaks);
// The exchange buffer's peaks; false for a malformed buffer.
bool ReadExchange(const void* buffer, std::vector<std::pair<double, double>>* peaks);
// Forward and reverse match, 0..999.
void Match(const Weighted& unknown, const Weighted& reference, double* forward, double* reverse);

struct Entry {
  std::string name, formula, cas;
  int32_t molecularWeight = 0, nistNumber = 0;
  uint32_t offset = 0;       // of the entry's "Name:" line in the file
  Weighted spectrum;
  uint16_t largest[8] = {};  // masses of the largest peaks, largest first
  int largestCount = 0;
};

struct Library {
  std::string path;
  std::vector<Entry> entries;
  int32_t skipped = 0;
  // Entries by the masses of their largest peaks, and by their base peak.
  std::vector<std::vector<int32_t>> byLargest, byBase;
  // The entries' spectra again, side by side, so that a search reads the
  // candidates' peaks from one block rather than from a few scattered
  // allocations each. Entries of one base peak lie together, as a search
  // takes them together: entry i holds the peaks from peakSpans[i].start,
  // peakSpans[i].count of them.
  struct PeakSpan {
    uint32_t start = 0, count = 0;
  };
#pragma pack(push, 2)
  struct PackedPeak {
    uint16_t mass;
    float weight;
  };
#pragma pack(pop)
  std::vector<PeakSpan> peakSpans;
  std::vector<PackedPeak> peaks;
};

// Reads and indexes an MSP file; false with an error number set.
bool LoadLibrary(const std::string& path, Library* out);
// The two halves of LoadLibrary: the file's bytes (false, error set, when it
// cannot be read) and the library they hold.
bool ReadLibraryFile(const std::string& path, std::string* text);
bool ParseLibrary(const std::string& path, const std::string& text, Library* out);

void SetError(int32_t number, const std::string& text);

}  // namespace fandor
