// MSP libraries: reading, indexing and searching.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "fandor/entry_text.h"
#include "fandor/library_search.h"
#include "fandor/spectrum_match.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace fandor {

namespace {

thread_local int32_t g_error = 0;
thread_local std::string g_errorText;

constexpr int kMaxMass = 65535;

bool ReadWholeFile(const std::string& path, std::string* out) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 0 && size.QuadPart < (1LL << 31);
  if (ok) {
    out->resize(size_t(size.QuadPart));
    DWORD got = 0;
    ok = out->empty() || (ReadFile(h, out->data(), DWORD(out->size()), &got, nullptr) && got == out->size());
  }
  CloseHandle(h);
  return ok;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Peak lines: "m i" pairs separated by blanks, ';' or ','; a quoted
// annotation after a pair is passed over. False on a malformed number.
bool ParsePeaks(const std::string& line, std::vector<std::pair<double, double>>* peaks) {
  std::string clean;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted, c = ' ';
    else if (quoted) c = ' ';
    else if (c == ';' || c == ',' || c == '\t' || c == ':') c = ' ';
    clean += c;
  }
  const char* p = clean.c_str();
  while (true) {
    while (*p == ' ') ++p;
    if (!*p) return true;
    char* end;
    const double m = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    while (*p == ' ') ++p;
    const double v = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    if (!std::isfinite(m) || !std::isfinite(v) || m <= 0 || m > kMaxMass || v < 0) return false;
    peaks->emplace_back(m, v);
  }
}

void Finish(Entry& e, std::vector<std::pair<double, double>>& peaks, Library* lib) {
  e.spectrum = Reduce(peaks);
  peaks.clear();
  if (e.name.empty() || e.spectrum.Empty()) {
    ++lib->skipped;
    return;
  }
  std::vector<size_t> order(e.spectrum.masses.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return e.spectrum.abundances[a] > e.spectrum.abundances[b]; });
  e.largestCount = int(std::min<size_t>(8, order.size()));
  for (int k = 0; k < e.largestCount; ++k) e.largest[k] = e.spectrum.masses[order[size_t(k)]];
  lib->entries.push_back(std::move(e));
}

}  // namespace

void SetError(int32_t number, const std::string& text) {
  g_error = number;
  g_errorText = text;
}

Weighted Reduce(const std::vector<std::pair<double, double>>& peaks) {
  std::map<int, double> nominal;
  for (auto& [m, v] : peaks) {
    if (!(v > 0) || !std::isfinite(m) || !std::isfinite(v)) continue;
    const long mass = std::lround(m);
    if (mass < 1 || mass > kMaxMass) continue;
    nominal[int(mass)] += v;
  }
  double top = 0;
  for (auto& [m, v] : nominal) top = std::max(top, v);
  Weighted w;
  if (!(top > 0)) return w;
  double sum = 0;
  for (auto& [m, v] : nominal) {
    const double a = 999.0 * v / top;
    if (a < 0.5) continue;  // below what a library keeps
    w.masses.push_back(uint16_t(m));
    w.abundances.push_back(float(a));
    const double weight = m * std::sqrt(a);
    w.weights.push_back(float(weight));
    sum += weight * weight;
  }
  const double norm = std::sqrt(sum);
  for (float& x : w.weights) x = float(x / norm);
  return w;
}

bool ReadExchange(const void* buffer, std::vector<std::pair<double, double>>* peaks) {
  if (!buffer) return false;
  const auto* b = static_cast<const uint8_t*>(buffer);
  uint32_t count;
  std::memcpy(&count, b, 4);
  if (count > 1000000) return false;
  peaks->clear();
  for (uint32_t i = 0; i < count; ++i) {
    double m;
    uint32_t v;
    std::memcpy(&m, b + 4 + 13 * size_t(i) + 1, 8);
    std::memcpy(&v, b + 4 + 13 * size_t(i) + 9, 4);
    peaks->emplace_back(m, double(v));
  }
  return true;
}

void Match(const Weighted& u, const Weighted& r, double* forward, double* reverse) {
  double dot = 0, inReference = 0;
  size_t i = 0, j = 0;
  while (i < u.masses.size() && j < r.masses.size()) {
    if (u.masses[i] < r.masses[j]) {
      ++i;
    } else if (u.masses[i] > r.masses[j]) {
      ++j;
    } else {
      dot += double(u.weights[i]) * r.weights[j];
      inReference += double(u.weights[i]) * u.weights[i];
      ++i, ++j;
    }
  }
  *forward = u.Empty() || r.Empty() ? 0 : 999.0 * dot * dot;
  *reverse = inReference > 0 ? 999.0 * dot * dot / inReference : 0;
}

bool LoadLibrary(const std::string& path, Library* lib) {
  std::string text;
  return ReadLibraryFile(path, &text) && ParseLibrary(path, text, lib);
}

bool ReadLibraryFile(const std::string& path, std::string* text) {
  if (ReadWholeFile(path, text)) return true;
  SetError(FANDOR_ERROR_OPEN, "Cannot open the library " + path + ".");
  return false;
}

bool ParseLibrary(const std::string& path, const std::string& text, Library* lib) {
  lib->path = path;
  Entry e;
  std::vector<std::pair<double, double>> peaks;
  bool inEntry = false, inPeaks = false, bad = false;
  size_t at = 0;
  while (at <= text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = Trim(text.substr(at, nl - at));
    const size_t lineStart = at;
    at = nl + 1;
    if (line.empty()) {
      if (inEntry) {
        if (bad) ++lib->skipped, peaks.clear();
        else Finish(e, peaks, lib);
      }
      e = Entry{};
      inEntry = inPeaks = bad = false;
      continue;
    }
    const size_t colon = line.find(':');
    const std::string key = colon == std::string::npos ? "" : Lower(Trim(line.substr(0, colon)));
    const std::string value = colon == std::string::npos ? "" : Trim(line.substr(colon + 1));
    if (key == "name") {
      if (inEntry) {  // a new entry without a blank line between
        if (bad) ++lib->skipped, peaks.clear();
        else Finish(e, peaks, lib);
        e = Entry{};
        bad = false;
      }
      inEntry = true;
      inPeaks = false;
      e.name = value;
      e.offset = uint32_t(std::min<size_t>(lineStart, UINT32_MAX));
      continue;
    }
    inEntry = true;
    if (inPeaks || (colon == std::string::npos && !line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))) {
      if (!ParsePeaks(line, &peaks)) bad = true;
      continue;
    }
    if (key == "num peaks") inPeaks = true;
    else if (key == "formula") e.formula = value;
    else if (key == "mw") e.molecularWeight = std::atoi(value.c_str());
    else if (key == "cas#" || key == "casno" || key == "cas") e.cas = value.substr(0, value.find(';'));
    else if (key == "nist#" || key == "db#") e.nistNumber = std::atoi(value.c_str());
  }
  if (inEntry) {
    if (bad) ++lib->skipped;
    else Finish(e, peaks, lib);
  }
  if (lib->entries.empty()) {
    SetError(FANDOR_ERROR_EMPTY_LIBRARY, "The library " + path + " holds no spectra.");
    return false;
  }
  lib->byLargest.assign(kMaxMass + 1, {});
  lib->byBase.assign(kMaxMass + 1, {});
  for (size_t i = 0; i < lib->entries.size(); ++i) {
    const Entry& x = lib->entries[i];
    for (int k = 0; k < x.largestCount; ++k) lib->byLargest[x.largest[k]].push_back(int32_t(i));
    lib->byBase[x.largest[0]].push_back(int32_t(i));
  }
  size_t packed = 0;
  for (const Entry& x : lib->entries) packed += x.spectrum.masses.size();
  lib->peakSpans.assign(lib->entries.size(), {});
  lib->peaks.reserve(packed);
  for (const std::vector<int32_t>& group : lib->byBase)
    for (int32_t i : group) {
      const Weighted& w = lib->entries[size_t(i)].spectrum;
      lib->peakSpans[size_t(i)] = {uint32_t(lib->peaks.size()), uint32_t(w.masses.size())};
      for (size_t k = 0; k < w.masses.size(); ++k) lib->peaks.push_back({w.masses[k], w.weights[k]});
    }
  return true;
}

}  // namespace fandor

using fandor::Library;

namespace {

struct Candidate {
  int16_t library;
  int32_t entry;
  uint32_t order;  // place among the candidates; ranks equal matches
  double forward, reverse;
};

// Best first: by forward match, then reverse match, then the order the
// candidates were met in (no two share it, so the order is total).
bool Better(const Candidate& a, const Candidate& b) {
  if (a.forward != b.forward) return a.forward > b.forward;
  if (a.reverse != b.reverse) return a.reverse > b.reverse;
  return a.order < b.order;
}

// The best maxHits candidates of those that reach the minimum match, kept
// as they are scored: a search in a large library meets thousands of
// candidates and keeps ten.
class TopHits {
 public:
  TopHits(int32_t maxHits, int32_t minimumMatch) : cap_(size_t(maxHits)), minimum_(minimumMatch) {}
  void Offer(int16_t library, int32_t entry, double forward, double reverse) {
    const uint32_t order = met_++;
    if (forward + 0.5 < minimum_) return;
    const Candidate c{library, entry, order, forward, reverse};
    if (kept_.size() < cap_) {
      kept_.push_back(c);
      std::push_heap(kept_.begin(), kept_.end(), Better);  // the worst kept on top
    } else if (Better(c, kept_.front())) {
      std::pop_heap(kept_.begin(), kept_.end(), Better);
      kept_.back() = c;
      std::push_heap(kept_.begin(), kept_.end(), Better);
    }
  }
  // Best first.
  std::vector<Candidate>& Ordered() {
    std::sort_heap(kept_.begin(), kept_.end(), Better);
    return kept_;
  }

 private:
  size_t cap_;
  int32_t minimum_;
  uint32_t met_ = 0;
  std::vector<Candidate> kept_;
};

// The unknown's weights by mass over the span of its masses, 0 where it
// has no peak and one 0 past the end for every mass outside the span, so
// that a library spectrum is matched in one pass over its own peaks.
struct Unknown {
  const fandor::Weighted* spectrum;
  uint16_t low = 0;
  uint32_t span = 0;
  std::vector<float> weights;
};

Unknown Spread(const fandor::Weighted& u) {
  Unknown x;
  x.spectrum = &u;
  x.low = u.masses.front();
  x.span = uint32_t(u.masses.back() - x.low) + 1;
  x.weights.assign(size_t(x.span) + 1, 0.0f);
  for (size_t i = 0; i < u.masses.size(); ++i) x.weights[u.masses[i] - x.low] = u.weights[i];
  return x;
}

// fandor::Match over the library's packed peaks of a few entries at once,
// to the bit: each entry's shared masses are met in the same ascending
// order, and a mass the unknown lacks adds exact zeros. Each entry's sums
// are a chain of additions that waits on itself; the entries side by side
// keep the processor busy while it waits.
template <int kLanes>
void MatchPacked(const Unknown& u, const Library& lib, const Library::PeakSpan* spans, double* forward,
                 double* reverse) {
  const Library::PackedPeak* peaks = lib.peaks.data();
  const float* spread = u.weights.data();
  uint32_t from[kLanes], count[kLanes];
  double dot[kLanes], inReference[kLanes];
  uint32_t common = UINT32_MAX;
  for (int l = 0; l < kLanes; ++l) {
    from[l] = spans[l].start;
    count[l] = spans[l].count;
    common = std::min(common, count[l]);
    dot[l] = inReference[l] = 0;
  }
  auto add = [&](int l, uint32_t k) {
    const uint32_t at = std::min(uint32_t(peaks[k].mass) - u.low, u.span);  // below the span wraps high
    const double w = spread[at];
    dot[l] += w * peaks[k].weight;
    inReference[l] += w * w;
  };
  for (uint32_t k = 0; k < common; ++k)
    for (int l = 0; l < kLanes; ++l) add(l, from[l] + k);
  for (int l = 0; l < kLanes; ++l) {
    for (uint32_t k = common; k < count[l]; ++k) add(l, from[l] + k);
    forward[l] = count[l] == 0 ? 0 : 999.0 * dot[l] * dot[l];
    reverse[l] = inReference[l] > 0 ? 999.0 * dot[l] * dot[l] / inReference[l] : 0;
  }
}

// Scores the entries the prefilter lets through: lists them, then matches
// them four at a time.
void Score(const Library& lib, int16_t index, const Unknown& unknown, TopHits* out) {
  const fandor::Weighted& u = *unknown.spectrum;
  std::vector<size_t> order(u.masses.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return u.abundances[a] > u.abundances[b]; });
  const size_t top = std::min<size_t>(8, order.size());
  if (top == 0) return;
  std::vector<uint64_t> seen((lib.entries.size() + 63) / 64, 0);
  // The candidates and where their peaks lie, looked up while listing
  // (independent loads the processor overlaps) rather than while matching.
  std::vector<int32_t> listed;
  std::vector<Library::PeakSpan> spans;
  auto consider = [&](int32_t e) {
    uint64_t& word = seen[size_t(e) >> 6];
    const uint64_t bit = uint64_t(1) << (e & 63);
    if (word & bit) return;
    word |= bit;
    listed.push_back(e);
    spans.push_back(lib.peakSpans[size_t(e)]);
  };
  for (int32_t e : lib.byLargest[u.masses[order[0]]]) consider(e);
  for (size_t k = 0; k < top; ++k)
    for (int32_t e : lib.byBase[u.masses[order[k]]]) consider(e);

  constexpr size_t kLanes = 4;
  double f[kLanes], r[kLanes];
  size_t i = 0;
  for (; i + kLanes <= listed.size(); i += kLanes) {
    MatchPacked<kLanes>(unknown, lib, &spans[i], f, r);
    for (size_t l = 0; l < kLanes; ++l) out->Offer(index, listed[i + l], f[l], r[l]);
  }
  for (; i < listed.size(); ++i) {
    MatchPacked<1>(unknown, lib, &spans[i], f, r);
    out->Offer(index, listed[i], f[0], r[0]);
  }
}

// The kept candidates, best first, as a hit list block.
void* MakeHitList(const std::vector<Candidate>& c, const std::vector<const Library*>& libs) {
  const size_t kept = c.size();
  std::vector<FANDOR_HIT> hits;
  for (size_t i = 0; i < kept; ++i) {
    const Candidate& x = c[i];
    const fandor::Entry& e = libs[size_t(x.library)]->entries[size_t(x.entry)];
    FANDOR_HIT h;
    std::memset(&h, 0, sizeof h);
    h.library = x.library;
    h.entry = x.entry;
    h.forward = int16_t(std::lround(x.forward));
    h.reverse = int16_t(std::lround(x.reverse));
    h.rank = int16_t(hits.size() + 1);
    h.molecularWeight = e.molecularWeight;
    h.nistNumber = e.nistNumber;
    std::snprintf(h.name, sizeof h.name, "%s", e.name.c_str());
    std::snprintf(h.formula, sizeof h.formula, "%s", e.formula.c_str());
    std::snprintf(h.cas, sizeof h.cas, "%s", e.cas.c_str());
    hits.push_back(h);
  }
  auto* block = static_cast<uint8_t*>(AllocBlock(uint32_t(4 + hits.size() * sizeof(FANDOR_HIT))));
  if (!block) return nullptr;
  const int32_t n = int32_t(hits.size());
  std::memcpy(block, &n, 4);
  if (n) std::memcpy(block + 4, hits.data(), hits.size() * sizeof(FANDOR_HIT));
  return block;
}

struct Handle {
  Library lib;
};

}  // namespace

namespace fandor {
// Used by the definitions' search: searches several loaded libraries.
int32_t SearchLoaded(const std::vector<const Library*>& libs, const void* spectrum, int32_t maxHits,
                     int32_t minimumMatch, void** hitList) {
  if (hitList) *hitList = nullptr;
  std::vector<std::pair<double, double>> peaks;
  if (!hitList || !ReadExchange(spectrum, &peaks)) {
    SetError(FANDOR_ERROR_ARGUMENT, "No spectrum to search.");
    return -1;
  }
  const Weighted u = Reduce(peaks);
  if (u.Empty()) {
    SetError(FANDOR_ERROR_EMPTY_SPECTRUM, "The spectrum holds no peaks.");
    return -1;
  }
  if (maxHits <= 0) maxHits = 10;
  const Unknown unknown = Spread(u);
  TopHits top(maxHits, minimumMatch);
  for (size_t k = 0; k < libs.size(); ++k) Score(*libs[k], int16_t(k), unknown, &top);
  *hitList = MakeHitList(top.Ordered(), libs);
  if (!*hitList) {
    SetError(FANDOR_ERROR_ARGUMENT, "Out of memory.");
    return -1;
  }
  SetError(FANDOR_OK, "");
  return CountHits(*hitList);
}
}  // namespace fandor

FANDOR_API HSPECLIB OpenSpectrumLibrary(const char* path) {
  if (!path || !*path) {
    fandor::SetError(FANDOR_ERROR_ARGUMENT, "No library named.");
    return nullptr;
  }
  auto h = std::make_unique<Handle>();
  if (!fandor::LoadLibrary(path, &h->lib)) return nullptr;
  fandor::SetError(FANDOR_OK, "");
  return h.release();
}

FANDOR_API void CloseSpectrumLibrary(HSPECLIB library) { delete static_cast<Handle*>(library); }

FANDOR_API int32_t CountLibrarySpectra(HSPECLIB library) {
  return library ? int32_t(static_cast<Handle*>(library)->lib.entries.size()) : -1;
}

FANDOR_API int32_t CountSkippedLibraryEntries(HSPECLIB library) {
  return library ? static_cast<Handle*>(library)->lib.skipped : -1;
}

FANDOR_API BOOL GetLibrarySpectrumName(HSPECLIB library, int32_t entry, char* buffer, int32_t size) {
  if (!library || !buffer || size <= 0) return FALSE;
  const Library& lib = static_cast<Handle*>(library)->lib;
  if (entry < 0 || size_t(entry) >= lib.entries.size()) return FALSE;
  std::snprintf(buffer, size_t(size), "%s", lib.entries[size_t(entry)].name.c_str());
  return TRUE;
}

FANDOR_API int32_t GetLibrarySpectrumPeaks(HSPECLIB library, int32_t entry, uint16_t* masses,
                                          uint16_t* abundances, int32_t max) {
  if (!library || max < 0 || (max > 0 && (!masses || !abundances))) return -1;
  const Library& lib = static_cast<Handle*>(library)->lib;
  if (entry < 0 || size_t(entry) >= lib.entries.size()) return -1;
  const fandor::Weighted& w = lib.entries[size_t(entry)].spectrum;
  const int32_t n = int32_t(std::min<size_t>(w.masses.size(), size_t(max)));
  for (int32_t i = 0; i < n; ++i) {
    masses[i] = w.masses[size_t(i)];
    abundances[i] = uint16_t(std::lround(w.abundances[size_t(i)]));
  }
  return n;
}

FANDOR_API STRUCT_NIST_SPT* GetLibraryEntrySpectrum(void* library, int32_t entry) {
  if (!library) return nullptr;
  const Library& lib = static_cast<Handle*>(library)->lib;
  if (entry < 0 || size_t(entry) >= lib.entries.size()) return nullptr;
  const fandor::Entry& e = lib.entries[size_t(entry)];
  // The entry's bytes: up to the next entry, at most what one entry may hold.
  constexpr uint32_t kMostEntryBytes = 1u << 20;
  const uint32_t from = e.offset;
  uint32_t length = kMostEntryBytes;
  if (size_t(entry) + 1 < lib.entries.size() && lib.entries[size_t(entry) + 1].offset > from)
    length = std::min(length, lib.entries[size_t(entry) + 1].offset - from);
  HANDLE h = CreateFileA(lib.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE || !h) return nullptr;
  std::string text(length, '\0');
  OVERLAPPED at{};
  at.Offset = from;
  DWORD got = 0;
  const bool ok = ReadFile(h, text.data(), length, &got, &at);
  CloseHandle(h);
  if (!ok) return nullptr;
  text.resize(got);
  fandor::EntryText parsed;
  // The file changed since it was loaded: that entry is not there any more.
  if (!fandor::ParseEntryText(text, 0, &parsed) || parsed.name != e.name) return nullptr;
  return fandor::MakeNistEntry(parsed, fandor::LibraryNameOf(lib.path), uint32_t(entry) + 1);
}

FANDOR_API int32_t SearchSpectrumLibrary(HSPECLIB library, const void* spectrum, int32_t maxHits,
                                         int32_t minimumMatch, void** hitList) {
  if (!library) {
    if (hitList) *hitList = nullptr;
    fandor::SetError(FANDOR_ERROR_ARGUMENT, "No library to search.");
    return -1;
  }
  return fandor::SearchLoaded({&static_cast<Handle*>(library)->lib}, spectrum, maxHits, minimumMatch, hitList);
}

FANDOR_API int32_t CountHits(const void* hitList) {
  if (!hitList) return -1;
  int32_t n;
  std::memcpy(&n, hitList, 4);
  return n;
}

FANDOR_API BOOL GetHitEntry(const void* hitList, int32_t index, FANDOR_HIT* hit) {
  if (!hitList || !hit || index < 0 || index >= CountHits(hitList)) return FALSE;
  std::memcpy(hit, static_cast<const uint8_t*>(hitList) + 4 + size_t(index) * sizeof(FANDOR_HIT), sizeof *hit);
  return TRUE;
}

FANDOR_API BOOL GetHitName(const void* hitList, int32_t index, char* buffer, int32_t size) {
  FANDOR_HIT h;
  if (!buffer || size <= 0 || !GetHitEntry(hitList, index, &h)) return FALSE;
  h.name[sizeof h.name - 1] = 0;
  std::snprintf(buffer, size_t(size), "%s", h.name);
  return TRUE;
}

FANDOR_API BOOL CompareSpectra(const void* unknown, const void* reference, int16_t* forward, int16_t* reverse) {
  std::vector<std::pair<double, double>> a, b;
  if (!fandor::ReadExchange(unknown, &a) || !fandor::ReadExchange(reference, &b)) return FALSE;
  double f, r;
  fandor::Match(fandor::Reduce(a), fandor::Reduce(b), &f, &r);
  if (forward) *forward = int16_t(std::lround(f));
  if (reverse) *reverse = int16_t(std::lround(r));
  return TRUE;
}

FANDOR_API int32_t FandorLastError(char* buffer, int32_t size) {
  if (buffer && size > 0) std::snprintf(buffer, size_t(size), "%s", fandor::g_errorText.c_str());
  return fandor::g_error;
}
