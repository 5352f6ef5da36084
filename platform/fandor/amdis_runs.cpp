// Deconvolution and analysis runs of a data file.
#include "fandor/amdis_runs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fandor/component_files.h"
#include "fandor/identification_files.h"
#include "fandor/library_search.h"
#include "fandor/spectrum_match.h"
#include "orvik32/orvik32.h"
#include "quorna/ms_lists.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"

namespace {

constexpr int kMostMass = 2000;
constexpr size_t kFewestScans = 20;

struct Scan {
  uint32_t number = 0;
  double time = 0;
  double low = 0, high = 0;  // scanned range; both 0: unknown
  std::vector<std::pair<int, double>> ions;  // nominal mass, intensity (summed)
};

struct Run {
  std::vector<Scan> scans;
  bool live = false;
};

struct Apex {
  int mass = 0;
  double time = 0;
  size_t scan = 0;          // index into the run's scans
  double height = 0;        // above the background, smoothed
  double signalToNoise = 0;
  double width = 0;         // points at half height
  double tailing = 1;       // right half-width over left
  double spacing = 0;       // time between the trace's points there
};

struct Component {
  std::vector<Apex> ions;   // strongest first
  double time = 0;
  size_t scan = 0;
  int model = 0;
  double signalToNoise = 0, width = 0, tailing = 1, area = 0, purity = 0;
};

void PutText(char* out, const std::string& text) {
  if (!out) return;
  const size_t n = std::min(text.size(), size_t(AMDIS_TEXT_SIZE - 1));
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

template <size_t N>
void PutField(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

std::string PathOf(const void* workFile) {
  if (!workFile) return {};
  const char* p = static_cast<const char*>(workFile);
  return std::string(p, strnlen(p, 260));
}

std::string Beside(const std::string& dataPath, const char* extension) {
  std::string path = dataPath;
  const size_t slash = path.find_last_of("\\/:");
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + extension;
}

// Sectioned data files keep their scans in "MSData"; raw MS files are the scans.
HMSDATA OpenScans(const std::string& path) {
  if (path.empty()) return nullptr;
  HMSDATA ms = OpenMSData(path.c_str(), "MSData", 0);
  return ms ? ms : OpenMSData(path.c_str(), nullptr, 0);
}

bool Wanted(const STRUCT_CHAN_LIST* channels, uint8_t function) {
  if (!channels || channels->kind != CHAN_LIST_LISTED || channels->count == 0) return true;
  for (int i = 0; i < std::min<int>(channels->count, CHAN_LIST_MAX_ENTRIES); ++i)
    if (function >= channels->entries[i].low && function <= channels->entries[i].high) return true;
  return false;
}

// Scans of the run between two times, at nominal mass.
bool ReadRun(const std::string& path, double from, double to, const STRUCT_CHAN_LIST* channels, Run* run,
             std::string* why) {
  HMSDATA ms = OpenScans(path);
  if (!ms) {
    *why = "The data file holds no MS scans that can be read.";
    return false;
  }
  run->live = GetMSDataLiveFlag(ms) != 0;
  std::vector<uint8_t> buffer(std::max<uint32_t>(GetMSScanBufferSize(ms), 4));
  MS_SCAN_REQUEST request{};
  request.kind = MS_SCAN_BY_TIME;
  request.mode = MS_PICK_AT_OR_AFTER;
  request.time = from;
  MS_SCAN_HEADER header{};
  double t = ReadMSScanHeader(ms, &request, nullptr, &header, buffer.data());
  std::vector<std::pair<double, double>> peaks;
  uint32_t last = 0;
  bool first = true;
  while (t != MS_SCAN_TIME_FAILED && t <= to) {
    if (!first && header.scanNumber <= last) break;  // a damaged index must not loop
    first = false;
    last = header.scanNumber;
    if (Wanted(channels, header.function) && fandor::ReadExchange(buffer.data(), &peaks)) {
      Scan s;
      s.number = header.scanNumber;
      s.time = header.time;
      if (std::isfinite(header.lowLimit) && std::isfinite(header.highLimit) && header.highLimit > header.lowLimit) {
        s.low = header.lowLimit;
        s.high = header.highLimit;
      }
      std::map<int, double> nominal;
      for (const auto& [mass, value] : peaks) {
        if (!std::isfinite(mass) || !std::isfinite(value) || value <= 0) continue;
        const long m = std::lround(mass);
        if (m >= 1 && m <= kMostMass) nominal[int(m)] += value;
      }
      s.ions.assign(nominal.begin(), nominal.end());
      run->scans.push_back(std::move(s));
    }
    MS_SCAN_REQUEST next{};
    next.kind = MS_SCAN_BY_NUMBER;
    next.scan = header.scanNumber + 1;
    t = ReadMSScanHeader(ms, &next, nullptr, &header, buffer.data());
  }
  CloseMSData(ms);
  return true;
}

bool CheckRun(const std::string& path, double from, double to, std::string* why) {
  if (path.empty()) {
    *why = "No data file was given.";
    return false;
  }
  Run run;
  if (!ReadRun(path, from, to, nullptr, &run, why)) return false;
  if (run.live) {
    *why = "The data file is still being acquired.";
    return false;
  }
  if (run.scans.size() < kFewestScans) {
    *why = "The data file holds too few scans for a deconvolution (" + std::to_string(run.scans.size()) + ").";
    return false;
  }
  return true;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  const size_t k = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + long(k), v.end());
  return v[k];
}

// The apexes of one ion trace (points: scan indexes that scanned the mass).
void TraceApexes(const Run& run, int mass, const std::vector<size_t>& points, const std::vector<double>& values,
                 std::vector<Apex>* out) {
  const size_t n = values.size();
  if (n < 7) return;
  // Background: the lower quartile of a window around each point.
  constexpr size_t kHalf = 20;
  std::vector<double> residual(n), window;
  for (size_t i = 0; i < n; ++i) {
    const size_t a = i > kHalf ? i - kHalf : 0, b = std::min(n, i + kHalf + 1);
    window.assign(values.begin() + long(a), values.begin() + long(b));
    const size_t q = window.size() / 4;
    std::nth_element(window.begin(), window.begin() + long(q), window.end());
    residual[i] = values[i] - window[q];
  }
  // Noise: the spread of point-to-point differences (sd = 1.048 x their median magnitude).
  std::vector<double> steps;
  for (size_t i = 1; i < n; ++i) steps.push_back(std::fabs(residual[i] - residual[i - 1]));
  const double noise = std::max(1.0, 1.048 * Median(steps));
  std::vector<double> smooth(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t a = i > 0 ? i - 1 : 0, b = std::min(n - 1, i + 1);
    double s = 0;
    for (size_t k = a; k <= b; ++k) s += residual[k];
    smooth[i] = s / double(b - a + 1);
  }
  for (size_t i = 2; i + 2 < n; ++i) {
    const double h = smooth[i];
    if (h < AMDIS_MIN_SIGNAL_TO_NOISE * noise) continue;
    if (!(h > smooth[i - 1] && h >= smooth[i + 1] && h >= smooth[i - 2] && h >= smooth[i + 2])) continue;
    size_t l = i, r = i;
    while (l > 0 && smooth[l] > h / 2) --l;
    while (r + 1 < n && smooth[r] > h / 2) ++r;
    Apex a;
    a.mass = mass;
    a.scan = points[i];
    // The apex between the points: a parabola through the three around it.
    const double y0 = smooth[i - 1], y1 = h, y2 = smooth[i + 1];
    const double denom = y0 - 2 * y1 + y2;
    const double shift = denom < 0 ? std::clamp(0.5 * (y0 - y2) / denom, -0.5, 0.5) : 0.0;
    const double t0 = run.scans[points[i - 1]].time, t1 = run.scans[points[i]].time, t2 = run.scans[points[i + 1]].time;
    a.time = shift >= 0 ? t1 + shift * (t2 - t1) : t1 + shift * (t1 - t0);
    a.height = h;
    a.signalToNoise = h / noise;
    a.width = double(r - l);
    a.tailing = double(r - i) / double(std::max<size_t>(1, i - l));
    a.spacing = (t2 - t0) / 2;
    out->push_back(a);
  }
}

std::vector<Component> Deconvolve(const Run& run) {
  std::vector<Component> components;
  if (run.scans.empty()) return components;
  // Traces by nominal mass, over the scans that scanned that mass.
  std::map<int, std::vector<std::pair<size_t, double>>> seen;
  for (size_t s = 0; s < run.scans.size(); ++s)
    for (const auto& [m, v] : run.scans[s].ions) seen[m].push_back({s, v});
  std::vector<Apex> apexes;
  std::vector<size_t> points;
  std::vector<double> values;
  for (const auto& [mass, found] : seen) {
    points.clear();
    values.clear();
    size_t k = 0;
    for (size_t s = 0; s < run.scans.size(); ++s) {
      const Scan& sc = run.scans[s];
      const bool covers = sc.high <= sc.low || (mass >= sc.low - 0.5 && mass <= sc.high + 0.5);
      while (k < found.size() && found[k].first < s) ++k;
      const bool here = k < found.size() && found[k].first == s;
      if (!covers && !here) continue;
      points.push_back(s);
      values.push_back(here ? found[k].second : 0.0);
    }
    TraceApexes(run, mass, points, values, &apexes);
  }
  // The strongest apexes found the components; weaker ones join the one of their time.
  std::sort(apexes.begin(), apexes.end(), [](const Apex& a, const Apex& b) { return a.height > b.height; });
  for (const Apex& a : apexes) {
    Component* home = nullptr;
    for (Component& c : components) {
      const double tolerance = 1.5 * std::max(a.spacing, c.ions.front().spacing);
      if (std::fabs(c.time - a.time) <= tolerance) {
        home = &c;
        break;
      }
    }
    if (!home) {
      components.emplace_back();
      home = &components.back();
      home->time = a.time;
      home->scan = a.scan;
    }
    bool have = false;
    for (const Apex& b : home->ions) have = have || b.mass == a.mass;
    if (!have) home->ions.push_back(a);
  }
  components.erase(std::remove_if(components.begin(), components.end(),
                                  [](const Component& c) { return c.ions.size() < size_t(AMDIS_MIN_IONS); }),
                   components.end());
  for (Component& c : components) {
    const Apex* best = &c.ions.front();
    for (const Apex& a : c.ions)
      if (a.signalToNoise > best->signalToNoise) best = &a;
    c.model = best->mass;
    c.signalToNoise = best->signalToNoise;
    c.width = best->width;
    c.tailing = best->tailing;
    double sum = 0;
    for (const Apex& a : c.ions) sum += a.height;
    c.area = sum * std::max(1.0, c.width);
    double total = 0;
    for (const auto& ion : run.scans[c.scan].ions) total += ion.second;
    c.purity = total > 0 ? std::clamp(100.0 * sum / total, 0.0, 100.0) : 0.0;
  }
  std::sort(components.begin(), components.end(), [](const Component& a, const Component& b) { return a.time < b.time; });
  return components;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (!h || h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(h);
  if (!ok || !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

std::string Head(const char* magic, size_t count) {
  std::string bytes(ELU_HEAD_SIZE, '\0');
  std::memcpy(bytes.data(), magic, 4);
  const uint32_t n = uint32_t(count);
  std::memcpy(bytes.data() + 4, &n, 4);
  return bytes;
}

std::string ModelsText(const Component& c) {
  std::vector<const Apex*> byQuality;
  for (const Apex& a : c.ions)
    if (a.mass != c.model) byQuality.push_back(&a);
  std::sort(byQuality.begin(), byQuality.end(),
            [](const Apex* a, const Apex* b) { return a->signalToNoise > b->signalToNoise; });
  std::string text;
  for (size_t i = 0; i < byQuality.size() && i < 4; ++i) text += (i ? " " : "") + std::to_string(byQuality[i]->mass);
  return text;
}

bool WriteComponents(const std::string& path, const Run& run, const std::vector<Component>& components) {
  double total = 0;
  for (const Component& c : components) total += c.area;
  std::string bytes = Head(ELU_MAGIC, components.size());
  for (size_t i = 0; i < components.size(); ++i) {
    const Component& c = components[i];
    ELU_COMPONENT e{};
    e.scan = int32_t(run.scans[c.scan].number);
    e.time = c.time;
    PutField(e.model, std::to_string(c.model));
    e.purity = int32_t(std::lround(c.purity));
    const float amount = total > 0 ? float(100.0 * c.area / total) : 0.0f;
    e.amount = amount;
    // The amount at which the model ion would stand three times above its noise.
    e.limit = c.signalToNoise > 0 ? float(amount * 3.0 / c.signalToNoise) : 0.0f;
    e.signalToNoise = float(c.signalToNoise);
    e.width = float(c.width);
    e.tailing = float(c.tailing);
    e.index = int32_t(i + 1);
    PutField(e.models, ModelsText(c));
    bytes.append(reinterpret_cast<const char*>(&e), ELU_COMPONENT_SIZE);
  }
  return WriteWhole(path, bytes);
}

// A component's spectrum as an exchange buffer.
std::vector<uint8_t> Exchange(const Component& c) {
  std::vector<uint8_t> out(4 + c.ions.size() * MS_EXCHANGE_ENTRY_SIZE, 0);
  const uint32_t n = uint32_t(c.ions.size());
  std::memcpy(out.data(), &n, 4);
  std::vector<Apex> ions = c.ions;
  std::sort(ions.begin(), ions.end(), [](const Apex& a, const Apex& b) { return a.mass < b.mass; });
  for (size_t i = 0; i < ions.size(); ++i) {
    uint8_t* e = out.data() + 4 + i * MS_EXCHANGE_ENTRY_SIZE;
    const double mass = ions[i].mass;
    const uint32_t value = uint32_t(std::clamp(ions[i].height, 1.0, 4.0e9));
    std::memcpy(e + 1, &mass, 8);
    std::memcpy(e + 9, &value, 4);
  }
  return out;
}

// Match of two spectra without mass weighting: 999 x cos^2 of the abundances.
int SimpleMatch(const Component& c, HSPECLIB library, int32_t entry) {
  uint16_t masses[512], abundances[512];
  const int32_t n = GetLibrarySpectrumPeaks(library, entry, masses, abundances, 512);
  if (n <= 0) return 0;
  std::map<int, double> mine;
  for (const Apex& a : c.ions) mine[a.mass] = a.height;
  double dot = 0, a2 = 0, b2 = 0;
  for (const auto& [m, v] : mine) a2 += v * v;
  for (int32_t i = 0; i < n; ++i) {
    b2 += double(abundances[i]) * abundances[i];
    auto it = mine.find(masses[i]);
    if (it != mine.end()) dot += it->second * abundances[i];
  }
  return a2 > 0 && b2 > 0 ? int(std::lround(999.0 * dot * dot / (a2 * b2))) : 0;
}

std::string LibraryFor(const void* record) {
  if (record) {
    const auto* r = static_cast<const AMDIS_ANALYSIS_RECORD*>(record);
    const std::string named(r->libraryPath, strnlen(r->libraryPath, sizeof r->libraryPath));
    if (!named.empty()) return named;
  }
  char path[MAX_PATH + 1] = {};
  GetLibraryName(0, nullptr, path);
  return path;
}

int32_t Run1(const void* workFile, const void* channels, std::vector<Component>* components, Run* run) {
  const std::string path = PathOf(workFile);
  std::string why;
  if (!CheckRun(path, -1.0e9, 1.0e9, &why) ||
      !ReadRun(path, -1.0e9, 1.0e9, static_cast<const STRUCT_CHAN_LIST*>(channels), run, &why)) {
    fandor::SetError(FANDOR_ERROR_DATA, why);
    return -1;
  }
  *components = Deconvolve(*run);
  if (!WriteComponents(Beside(path, ".ELU"), *run, *components)) {
    fandor::SetError(FANDOR_ERROR_DATA, "The component file could not be written.");
    return -1;
  }
  return int32_t(components->size());
}

std::string Number(const char* format, double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

}  // namespace

FANDOR_API BOOL CheckAMDISDeconvolution(const void* workFile, char* reason) {
  std::string why;
  const bool ok = CheckRun(PathOf(workFile), -1.0e9, 1.0e9, &why);
  PutText(reason, why);
  return ok ? TRUE : FALSE;
}

FANDOR_API BOOL CheckAMDISAnalysis(const void* workFile, double startTime, double endTime, char* reason,
                                   char* library, char* result) {
  const std::string path = PathOf(workFile);
  std::string why;
  PutText(library, "");
  PutText(result, "");
  if (!(startTime <= endTime)) {
    PutText(reason, "The time range of the data file is empty.");
    return FALSE;
  }
  if (!CheckRun(path, startTime, endTime, &why)) {
    PutText(reason, why);
    return FALSE;
  }
  const std::string lib = LibraryFor(nullptr);
  HSPECLIB h = lib.empty() ? nullptr : OpenSpectrumLibrary(lib.c_str());
  if (!h) {
    PutText(reason, lib.empty() ? "No spectrum library is set up for the search."
                                : "The spectrum library " + lib + " cannot be opened.");
    return FALSE;
  }
  CloseSpectrumLibrary(h);
  PutText(reason, "");
  PutText(library, lib);
  PutText(result, Beside(path, ".FIN"));
  return TRUE;
}

FANDOR_API int32_t DoAMDISDeconvolutionForFile(const void* workFile, const void*, const void* channels, int32_t) {
  std::vector<Component> components;
  Run run;
  return Run1(workFile, channels, &components, &run);
}

FANDOR_API int32_t DoAMDISAnalysisForFile(const void* workFile, const void* record, const void* channels, int32_t) {
  const std::string lib = LibraryFor(record);
  HSPECLIB library = lib.empty() ? nullptr : OpenSpectrumLibrary(lib.c_str());
  if (!library) {
    fandor::SetError(FANDOR_ERROR_OPEN, "The spectrum library cannot be opened.");
    return -1;
  }
  std::vector<Component> components;
  Run run;
  if (Run1(workFile, channels, &components, &run) < 0) {
    CloseSpectrumLibrary(library);
    return -1;
  }
  std::string bytes = Head(FIN_MAGIC, 0);
  uint32_t found = 0;
  for (const Component& c : components) {
    const std::vector<uint8_t> spectrum = Exchange(c);
    void* hits = nullptr;
    FANDOR_HIT hit{};
    if (SearchSpectrumLibrary(library, spectrum.data(), 1, AMDIS_MIN_MATCH, &hits) > 0 && GetHitEntry(hits, 0, &hit)) {
      FIN_IDENTIFIED e{};
      e.scan = int32_t(run.scans[c.scan].number);
      e.time = c.time;
      PutField(e.name, std::string(hit.name, strnlen(hit.name, sizeof hit.name)));
      PutField(e.formula, std::string(hit.formula, strnlen(hit.formula, sizeof hit.formula)));
      PutField(e.casNumber, std::string(hit.cas, strnlen(hit.cas, sizeof hit.cas)));
      PutField(e.model, std::to_string(c.model));
      PutField(e.purity, Number("%.0f", c.purity));
      PutField(e.width, Number("%.1f", c.width));
      PutField(e.net, std::to_string(hit.forward));
      PutField(e.weighted, std::to_string(hit.forward));
      PutField(e.simple, std::to_string(SimpleMatch(c, library, hit.entry)));
      PutField(e.reverse, std::to_string(hit.reverse));
      bytes.append(reinterpret_cast<const char*>(&e), FIN_IDENTIFIED_SIZE);
      ++found;
    }
    if (hits) FreeBlock(hits);
  }
  CloseSpectrumLibrary(library);
  std::memcpy(bytes.data() + 4, &found, 4);
  if (!WriteWhole(Beside(PathOf(workFile), ".FIN"), bytes)) {
    fandor::SetError(FANDOR_ERROR_DATA, "The identification file could not be written.");
    return -1;
  }
  fandor::SetError(FANDOR_OK, "");
  return int32_t(found);
}
