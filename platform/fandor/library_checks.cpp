// Searches by a method's definitions, the library check and the
// confirmation searches of internal standards in a data file.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fandor/library_search.h"
#include "fandor/spectrum_match.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace fandor {
int32_t SearchLoaded(const std::vector<const Library*>& libs, const void* spectrum, int32_t maxHits,
                     int32_t minimumMatch, void** hitList);
}

namespace {

// Libraries stay loaded between searches (a run searches many peaks),
// each with the stamp of the file it was read from; a file whose stamp
// changes is read again. A file changed so recently that a rewrite could
// keep its stamp is compared by content until it settles.
struct Cached {
  win::facts::FileStamp stamp;
  uint64_t digest = 0;
  std::shared_ptr<fandor::Library> library;
};
std::mutex g_cacheLock;
std::map<std::string, Cached> g_cache;

// A digest of a file's bytes, eight at a time (FNV-1a over words).
uint64_t Digest(const std::string& bytes) {
  uint64_t h = 0xcbf29ce484222325ull ^ bytes.size();
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, bytes.data() + i, 8);
    h = (h ^ w) * 0x100000001b3ull;
    h ^= h >> 29;
  }
  for (; i < bytes.size(); ++i) h = (h ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ull;
  return h;
}

std::shared_ptr<fandor::Library> Load(const std::string& path) {
  win::facts::FileStamp before;
  const bool stamped = win::facts::StampOf(path, &before);
  {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    auto it = g_cache.find(path);
    if (stamped && it != g_cache.end() && it->second.stamp.Same(before) && it->second.stamp.settled)
      return it->second.library;
  }
  std::string text;
  if (!fandor::ReadLibraryFile(path, &text)) return nullptr;
  const uint64_t digest = Digest(text);
  {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    auto it = g_cache.find(path);
    if (stamped && it != g_cache.end() && it->second.stamp.Same(before) && it->second.digest == digest) {
      it->second.stamp.settled = before.settled;
      return it->second.library;
    }
    if (it != g_cache.end()) g_cache.erase(it);
  }
  auto lib = std::make_shared<fandor::Library>();
  if (!fandor::ParseLibrary(path, text, lib.get())) return nullptr;
  // Kept only when the file did not change while it was read.
  win::facts::FileStamp after;
  if (stamped && win::facts::StampOf(path, &after) && after.Same(before)) {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    g_cache[path] = {before, digest, lib};
  }
  return lib;
}

std::vector<std::string> ListNames(const STRUCT_NIST_DEFS* defs, int count) {
  std::vector<std::string> out;
  if (!defs->libraryList) return out;
  const char* p = defs->libraryList;
  const char* end = defs->libraryList + FANDOR_LIBRARY_LIST_SIZE;
  while (p < end && *p && int(out.size()) < count) {
    const char* q = static_cast<const char*>(std::memchr(p, 0, size_t(end - p)));
    if (!q) break;
    out.emplace_back(p, q);
    p = q + 1;
  }
  return out;
}

std::string Resolve(const STRUCT_NIST_DEFS* defs, const std::string& name) {
  const bool ownFolder = name.find('\\') != std::string::npos || name.find('/') != std::string::npos;
  if (ownFolder) return name;
  std::string folder(defs->libraryPath, strnlen(defs->libraryPath, sizeof defs->libraryPath));
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + name;
}

std::string FolderOf(const std::string& path) {
  const size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? "" : path.substr(0, at);
}

bool SameText(std::string a, std::string b) {
  for (char& c : a) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : b) c = char(std::tolower(static_cast<unsigned char>(c)));
  while (!a.empty() && (a.back() == '\\' || a.back() == '/')) a.pop_back();
  while (!b.empty() && (b.back() == '\\' || b.back() == '/')) b.pop_back();
  return a == b;
}

// The reduced reference spectrum of a search; false, with the error set, when
// it is missing or holds no peaks, or the range runs backwards.
bool SearchReference(const void* reference, double from, double to, fandor::Weighted* out) {
  std::vector<std::pair<double, double>> ref;
  if (!fandor::ReadExchange(reference, &ref) || !(to >= from)) {
    fandor::SetError(FANDOR_ERROR_ARGUMENT, "No reference spectrum or time range.");
    return false;
  }
  *out = fandor::Reduce(ref);
  if (out->Empty()) {
    fandor::SetError(FANDOR_ERROR_EMPTY_SPECTRUM, "The reference spectrum holds no peaks.");
    return false;
  }
  return true;
}

// Scans of a data file between two times, each as (mass, intensity) pairs.
bool ReadScans(const char* dataFile, double from, double to,
               std::vector<std::vector<std::pair<double, double>>>* scans) {
  HMSDATA ms = dataFile ? OpenMSData(dataFile, "MSData", 0) : nullptr;
  if (!ms) {
    fandor::SetError(FANDOR_ERROR_DATA, "Cannot read the MS data of the data file.");
    return false;
  }
  std::vector<uint8_t> buffer(GetMSScanBufferSize(ms));
  MS_SCAN_REQUEST request{};
  request.kind = MS_SCAN_BY_TIME;
  request.mode = MS_PICK_AT_OR_AFTER;
  request.time = from;
  MS_SCAN_HEADER header;
  double t = ReadMSScanHeader(ms, &request, nullptr, &header, buffer.data());
  std::vector<std::pair<double, double>> peaks;
  while (t != MS_SCAN_TIME_FAILED && t <= to && t >= from - 1e-9) {
    if (fandor::ReadExchange(buffer.data(), &peaks)) scans->push_back(peaks);
    MS_SCAN_REQUEST next{};
    next.kind = MS_SCAN_BY_NUMBER;
    next.scan = header.scanNumber + 1;
    t = ReadMSScanHeader(ms, &next, nullptr, &header, buffer.data());
  }
  CloseMSData(ms);
  return true;
}

}  // namespace

FANDOR_API int32_t SearchLibraries(const STRUCT_NIST_DEFS* defs, const void* spectrum, void** hitList) {
  if (hitList) *hitList = nullptr;
  if (!defs || !hitList) {
    fandor::SetError(FANDOR_ERROR_ARGUMENT, "No search definitions.");
    return -1;
  }
  std::vector<std::shared_ptr<fandor::Library>> held;
  std::vector<const fandor::Library*> libs;
  for (const std::string& name : ListNames(defs, defs->activeLibraryCount)) {
    auto lib = Load(Resolve(defs, name));
    if (!lib) return -1;
    held.push_back(lib);
    libs.push_back(lib.get());
  }
  if (libs.empty()) {
    fandor::SetError(FANDOR_ERROR_NO_LIBRARIES, "No libraries to search.");
    return -1;
  }
  const int32_t minimum = std::clamp<int32_t>(defs->minimumMatch, 0, 999);
  return fandor::SearchLoaded(libs, spectrum, defs->maxHits, minimum, hitList);
}

FANDOR_API int32_t CheckSearchLibraries(STRUCT_NIST_DEFS* defs, int32_t* pathDiffers) {
  if (pathDiffers) *pathDiffers = 0;
  if (!defs || !defs->libraryList) {
    fandor::SetError(FANDOR_ERROR_ARGUMENT, "No search definitions.");
    return 0;
  }
  const std::string folder(defs->libraryPath, strnlen(defs->libraryPath, sizeof defs->libraryPath));
  std::vector<std::string> kept;
  for (const std::string& name : ListNames(defs, std::max<int>(defs->libraryCount, 0))) {
    const std::string path = Resolve(defs, name);
    if (!Load(path)) continue;
    if (pathDiffers && path == name && !SameText(FolderOf(path), folder)) *pathDiffers = 1;
    kept.push_back(name);
  }
  // Rewrite the list with the kept names; the block keeps its size.
  std::vector<char> list(FANDOR_LIBRARY_LIST_SIZE, 0);
  size_t at = 0;
  std::vector<std::string> written;
  for (const std::string& name : kept) {
    if (at + name.size() + 2 > list.size()) break;
    std::memcpy(list.data() + at, name.c_str(), name.size() + 1);
    at += name.size() + 1;
    written.push_back(name);
  }
  std::memcpy(defs->libraryList, list.data(), list.size());
  defs->activeLibraryCount = int16_t(written.size());
  if (written.empty()) fandor::SetError(FANDOR_ERROR_NO_LIBRARIES, "None of the libraries could be opened.");
  return int32_t(written.size());
}

FANDOR_API int32_t TargetSearch(const char* dataFile, double from, double to, double retentionTime,
                                const void* reference, int32_t minimumMatch, int16_t requireTime) {
  fandor::Weighted r;
  if (!SearchReference(reference, from, to, &r)) return -1;
  if (requireTime && (retentionTime < from || retentionTime > to)) return 0;
  std::vector<std::vector<std::pair<double, double>>> scans;
  if (!ReadScans(dataFile, from, to, &scans)) return -1;
  const double minimum = minimumMatch > 0 ? minimumMatch : 700;
  int32_t hits = 0;
  for (const auto& s : scans) {
    double f, rev;
    fandor::Match(fandor::Reduce(s), r, &f, &rev);
    if (rev + 0.5 >= minimum) ++hits;
  }
  fandor::SetError(FANDOR_OK, "");
  return hits;
}

FANDOR_API int32_t PuritySearch(const char* dataFile, double from, double to, const void* reference,
                                int32_t minimumMatch, int16_t) {
  fandor::Weighted r;
  if (!SearchReference(reference, from, to, &r)) return -1;
  std::vector<std::vector<std::pair<double, double>>> scans;
  if (!ReadScans(dataFile, from, to, &scans)) return -1;
  std::vector<std::pair<double, double>> sum;
  for (const auto& s : scans) sum.insert(sum.end(), s.begin(), s.end());
  double f, rev;
  fandor::Match(fandor::Reduce(sum), r, &f, &rev);
  fandor::SetError(FANDOR_OK, "");
  return f + 0.5 >= (minimumMatch > 0 ? minimumMatch : 600) ? 1 : 0;
}
