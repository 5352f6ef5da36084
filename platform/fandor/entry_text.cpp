// Entries of spectrum list and library files in MSP text, with their details.
#include "fandor/entry_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "orvik32/orvik32.h"

namespace fandor {

namespace {

constexpr double kMostMass = 65535;

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

// Bounded copy into a fixed field, always ended.
void Put(char* field, size_t size, const std::string& text) {
  const size_t n = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), n);
  field[n] = 0;
}

// Whole numbers and decimals of a value; false when there is none or it is
// out of range.
bool Int(const char*& p, int32_t* out) {
  char* end = nullptr;
  const long long v = std::strtoll(p, &end, 10);
  if (end == p || v < INT32_MIN || v > INT32_MAX) return false;
  p = end;
  *out = int32_t(v);
  return true;
}

bool Real(const char*& p, double* out) {
  char* end = nullptr;
  const double v = std::strtod(p, &end);
  if (end == p || !std::isfinite(v)) return false;
  p = end;
  *out = v;
  return true;
}

// A range "a - b" or a single value "a" (then both ends are a).
template <typename T, typename F>
bool Range(const std::string& value, F number, T* low, T* high) {
  const char* p = value.c_str();
  if (!number(p, low)) return false;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '-') {
    *high = *low;
    return true;
  }
  ++p;
  return number(p, high);
}

// Percent with decimals to tenths of a percent, within 0..1000.
int16_t Tenths(double percent) { return int16_t(std::lround(std::clamp(percent, 0.0, 100.0) * 10)); }

uint32_t CasFromText(const std::string& text) {
  uint64_t v = 0;
  int digits = 0;
  for (char c : text) {
    if (c == ';') break;
    if (std::isdigit(static_cast<unsigned char>(c)) && digits < 9) v = v * 10 + uint64_t(c - '0'), ++digits;
  }
  return uint32_t(v);
}

const char* const kDatabases[ENTRY_DATABASE_FLAGS] = {"fine", "tsca", "rtecs", "epa", "usp",
                                                      "hodoc", "nih", "einecs", "ir"};

uint32_t DatabaseFlags(const std::string& value) {
  uint32_t flags = 0;
  std::string word;
  auto take = [&] {
    for (int k = 0; k < ENTRY_DATABASE_FLAGS; ++k)
      if (Lower(word) == kDatabases[k]) flags |= 1u << k;
    word.clear();
  };
  for (char c : value) {
    if (std::isalpha(static_cast<unsigned char>(c))) word += c;
    else take();
  }
  take();
  return flags;
}

// Peaks "m i" parted by blanks, ";", "," or tabs, or in "(m i)" groups
// (library lists); a quoted annotation
// after a pair is passed over. False on a malformed pair.
bool ParsePeaks(const std::string& line, std::vector<std::pair<double, double>>* peaks) {
  std::string clean;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted, c = ' ';
    else if (quoted || c == ';' || c == ',' || c == '\t' || c == ':' || c == '(' || c == ')') c = ' ';
    clean += c;
  }
  const char* p = clean.c_str();
  while (true) {
    while (*p == ' ') ++p;
    if (!*p) return true;
    double m = 0, v = 0;
    if (!Real(p, &m)) return false;
    while (*p == ' ') ++p;
    if (!Real(p, &v)) return false;
    if (m <= 0 || m > kMostMass || v < 0 || v > 4294967295.0) return false;
    peaks->emplace_back(m, v);
  }
}

const char* const kKeys[] = {"name", "formula", "mw", "cas#", "casno", "cas", "comment", "comments", "num peaks",
                             "nist#", "db#", "contributor", "other dbs", "synon", "replicate", "mw estimate",
                             "cl br estimate", "warning", "error", "scan function", "import date", "data file",
                             "scan functions", "ion time", "max ric", "retention time", "scan range", "time range",
                             "baseline correction", "cid", "mass range", "bond", "ring", "atom"};

bool IsKey(const std::string& key) {
  for (const char* k : kKeys)
    if (key == k) return true;
  return false;
}

// The items of a line: it is cut at a "; " that a known key follows.
std::vector<std::pair<std::string, std::string>> Items(const std::string& line) {
  std::vector<std::pair<std::string, std::string>> items;
  size_t start = 0;
  while (start < line.size()) {
    size_t colon = line.find(':', start);
    if (colon == std::string::npos) break;
    std::string key = Lower(Trim(line.substr(start, colon - start)));
    size_t end = line.size(), from = colon + 1;
    while (true) {
      const size_t semi = line.find(';', from);
      if (semi == std::string::npos) break;
      const size_t next = line.find(':', semi);
      if (next != std::string::npos && IsKey(Lower(Trim(line.substr(semi + 1, next - semi - 1))))) {
        end = semi;
        break;
      }
      from = semi + 1;
    }
    items.emplace_back(std::move(key), Trim(line.substr(colon + 1, end - colon - 1)));
    start = end + 1;
  }
  return items;
}

void Item(const std::string& key, const std::string& value, EntryText* e) {
  LIST_ENTRY_DETAILS& l = e->list;
  NIST_ENTRY_DETAILS& n = e->library;
  ENTRY_ESTIMATES& est = n.estimates;
  const char* p = value.c_str();
  auto importText = [&](uint16_t bit, char* field, size_t size) {
    Put(field, size, value);
    l.importItems |= bit;
  };
  if (key == "name") e->name = value;
  else if (key == "formula") e->formula = value;
  else if (key == "mw") {
    int32_t v = 0;
    if (Int(p, &v) && v >= 0 && v <= 65535) e->molecularWeight = v;
  } else if (key == "cas#" || key == "casno" || key == "cas") e->casNumber = CasFromText(value);
  else if (key == "comment" || key == "comments") e->comment = value;
  else if (key == "mass range") {
    double low = 0, high = 0;
    if (Range(value, Real, &low, &high) && low > 0 && low <= high && high <= kMostMass)
      e->lowMass = low, e->highMass = high;
  } else if (key == "nist#") {
    int32_t v = 0;
    if (Int(p, &v)) l.nistNumber = n.nistNumber = v;
  } else if (key == "db#") {
    int32_t v = 0;
    if (Int(p, &v)) l.dbidNumber = v;
  } else if (key == "contributor") {
    Put(l.contributor, sizeof l.contributor, value);
    Put(n.contributor, sizeof n.contributor, value);
  } else if (key == "other dbs") {
    l.databases = n.databases = DatabaseFlags(value);
  } else if (key == "synon") {
    if (n.synonymCount < ENTRY_MAX_SYNONYMS && !value.empty()) Put(n.synonyms[n.synonymCount++], ENTRY_SYNONYM_SIZE, value);
  } else if (key == "replicate") {
    int32_t entry = 0;
    if (n.replicateCount >= ENTRY_MAX_REPLICATES || !Int(p, &entry)) return;
    while (*p == ' ' || *p == '\t') ++p;
    if (Lower(std::string(p).substr(0, 3)) == "in ") p += 3;
    const std::string library = Trim(p);
    if (library.empty()) return;
    ENTRY_REPLICATE& r = n.replicates[n.replicateCount++];
    r.entry = entry;
    Put(r.library, sizeof r.library, library);
  } else if (key == "mw estimate") {
    int32_t weight = 0;
    double percent = 0;
    if (!Int(p, &weight) || !Real(p, &percent)) return;
    int filled = 0;
    while (filled < 5 && (est.weights[filled] != 0 || est.weightProbabilities[filled] != 0)) ++filled;
    if (filled == 5) return;
    est.weights[filled] = weight;
    est.weightProbabilities[filled] = Tenths(percent);
    est.weightsPresent = 1;
    e->hasEstimates = true;
  } else if (key == "cl br estimate") {
    int32_t cl = 0, br = 0;
    double pr[4] = {};
    if (!Int(p, &cl) || !Int(p, &br) || cl < 0 || br < 0 || cl > 99 || br > 99) return;
    for (double& x : pr)
      if (!Real(p, &x)) return;
    est.chlorine = int16_t(cl);
    est.bromine = int16_t(br);
    for (int k = 0; k < 4; ++k) est.halogenProbabilities[k] = Tenths(pr[k]);
    est.halogensPresent = 1;
    e->hasEstimates = true;
  } else if (key == "warning") {
    if (est.warningCount >= ENTRY_MAX_WARNINGS || value.empty()) return;
    Put(est.warnings[est.warningCount++], ENTRY_WARNING_SIZE, value);
    e->hasEstimates = true;
  } else if (key == "error") {
    if (value.empty()) return;
    Put(est.error, ENTRY_WARNING_SIZE, value);
    e->hasEstimates = true;
  } else if (key == "scan function") Put(l.scanFunctionText, sizeof l.scanFunctionText, value);
  else if (key == "import date") importText(LIST_IMPORT_DATE, l.importDate, sizeof l.importDate);
  else if (key == "data file") importText(LIST_IMPORT_DATA_FILE, l.dataFile, sizeof l.dataFile);
  else if (key == "scan functions") importText(LIST_IMPORT_SCAN_FUNCTIONS, l.scanFunctions, sizeof l.scanFunctions);
  else if (key == "ion time") importText(LIST_IMPORT_ION_TIME, l.ionTime, sizeof l.ionTime);
  else if (key == "max ric") importText(LIST_IMPORT_MAX_RIC, l.maxRic, sizeof l.maxRic);
  else if (key == "retention time") {
    double t = 0;
    if (Real(p, &t) && t >= 0) l.retentionTime = t, l.importItems |= LIST_IMPORT_RETENTION_TIME;
  } else if (key == "scan range") {
    int32_t first = 0, last = 0;
    if (Range(value, Int, &first, &last) && first >= 0 && last >= first)
      l.firstScan = first, l.lastScan = last, l.importItems |= LIST_IMPORT_SCAN_RANGE;
  } else if (key == "time range") {
    double first = 0, last = 0;
    if (Range(value, Real, &first, &last) && first >= 0 && last >= first)
      l.firstTime = first, l.lastTime = last, l.importItems |= LIST_IMPORT_TIME_RANGE;
  } else if (key == "baseline correction") {
    const std::string v = Lower(value);
    if (v == "yes" || v == "no") l.baselineCorrected = v == "yes", l.importItems |= LIST_IMPORT_BASELINE;
  } else if (key == "bond") {
    int32_t v[5] = {};
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) ok = Int(p, &v[i]) && v[i] >= INT16_MIN && v[i] <= INT16_MAX;
    if (ok && !Int(p, &v[4])) v[4] = 0;
    // A table holds 127 bonds (254 ends).
    if (ok && v[4] >= 0 && v[4] <= 2 && e->bonds.size() < CHEM_BLOCK_MOST_ITEMS / 2)
      e->bonds.push_back({int16_t(v[0]), int16_t(v[1]), int16_t(v[2]), int16_t(v[3]), uint8_t(v[4])});
  } else if (key == "ring" || key == "atom") {
    int32_t x = 0, y = 0;
    if (!Int(p, &x) || !Int(p, &y) || x < INT16_MIN || x > INT16_MAX || y < INT16_MIN || y > INT16_MAX) return;
    auto& list = key == "ring" ? e->rings : e->atoms;
    if (list.size() >= CHEM_BLOCK_MOST_ITEMS) return;
    std::string label = key == "atom" ? Trim(p) : std::string();
    if (key == "atom" && label.empty()) return;
    list.push_back({int16_t(x), int16_t(y), label.substr(0, 6)});
  } else if (key == "cid") {
    int32_t offset = 0, length = 0;
    if (Int(p, &offset) && Int(p, &length) && offset >= 0 && length > 0)
      l.cidReference[0] = uint32_t(offset), l.cidReference[1] = uint32_t(length);
  }
}

}  // namespace

bool ParseEntryText(const std::string& text, size_t at, EntryText* e) {
  *e = EntryText{};
  bool first = true, inPeaks = false;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    if (line.empty()) {
      if (inPeaks) break;
      continue;
    }
    const bool nameLine = Lower(line.substr(0, 5)) == "name:";
    if (!first && nameLine) break;
    if (first && !nameLine) return false;
    first = false;
    if (inPeaks) {
      if (!ParsePeaks(line, &e->peaks)) return false;
      continue;
    }
    if (line.find(':') == std::string::npos) {
      // Peaks without a "Num Peaks:" line before them.
      if (!std::isdigit(static_cast<unsigned char>(line[0]))) continue;
      if (!ParsePeaks(line, &e->peaks)) return false;
      inPeaks = true;
      continue;
    }
    // The name is the whole rest of its line, semicolons and all.
    if (nameLine) {
      e->name = Trim(line.substr(5));
      continue;
    }
    for (auto& [key, value] : Items(line)) {
      if (key == "num peaks") inPeaks = true;
      else Item(key, value, e);
    }
  }
  return !e->name.empty();
}

std::string LibraryNameOf(const std::string& path) {
  size_t start = path.find_last_of("\\/");
  start = start == std::string::npos ? 0 : start + 1;
  std::string name = path.substr(start);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

STRUCT_LIST_SPT* MakeListEntry(const EntryText& e, const std::string& listPath, uint32_t entryNumber) {
  std::vector<std::pair<double, double>> peaks = e.peaks;
  std::stable_sort(peaks.begin(), peaks.end(), [](auto& a, auto& b) { return a.first < b.first; });
  STRUCT_LIST_SPT* list = NewListEntry(uint32_t(peaks.size()));
  if (!list) return nullptr;
  Put(list->name, sizeof list->name, e.name);
  Put(list->comment, sizeof list->comment, e.comment);
  Put(list->formula, sizeof list->formula, e.formula);
  list->molecularWeight = uint16_t(e.molecularWeight);
  list->casNumber = e.casNumber;
  list->entryNumber = entryNumber;
  Put(list->listPath, sizeof list->listPath, listPath);
  list->details = e.list;
  for (size_t i = 0; i < peaks.size(); ++i)
    list->pairs[i] = XTOL_PAIR{peaks[i].first, uint32_t(std::llround(peaks[i].second)), 0};
  list->pairCount = uint32_t(peaks.size());
  if (e.lowMass > 0) {
    list->lowMass = e.lowMass;
    list->highMass = e.highMass;
  } else if (!peaks.empty()) {
    list->lowMass = peaks.front().first;
    list->highMass = peaks.back().first;
  }
  if (e.hasEstimates) {
    list->attached = static_cast<uint8_t*>(AllocBlock(sizeof(ENTRY_ESTIMATES)));
    if (!list->attached) {
      FreeBlock(list);
      return nullptr;
    }
    std::memcpy(list->attached, &e.library.estimates, sizeof(ENTRY_ESTIMATES));
    list->attachedSize = sizeof(ENTRY_ESTIMATES);
  }
  return list;
}

bool HasStructure(const EntryText& e) { return !e.bonds.empty() || !e.rings.empty() || !e.atoms.empty(); }

void WriteStructure(const EntryText& e, uint8_t* b) {
  // Offsets of the table's arrays and counts.
  constexpr size_t kBondX = 0, kBondY = 1016, kBondEnds = 2036, kBondKind = 2040, kRingX = 2294, kRingY = 3310,
                   kRings = 4326, kAtomX = 4330, kAtomY = 5346, kAtoms = 6362, kAtomText = 6624;
  std::memset(b, 0, NIST_CHEM_STRUCT_SIZE);
  auto put = [b](size_t at, int32_t v) { std::memcpy(b + at, &v, 4); };
  const size_t bonds = std::min<size_t>(e.bonds.size(), CHEM_BLOCK_MOST_ITEMS / 2);
  for (size_t i = 0; i < bonds; ++i) {
    const EntryText::Bond& d = e.bonds[i];
    put(kBondX + 8 * i, d.x1);
    put(kBondY + 8 * i, d.y1);
    put(kBondX + 8 * i + 4, d.x2);
    put(kBondY + 8 * i + 4, d.y2);
    b[kBondKind + i] = d.kind;
  }
  put(kBondEnds, int32_t(2 * bonds));
  const size_t rings = std::min<size_t>(e.rings.size(), CHEM_BLOCK_MOST_ITEMS);
  for (size_t i = 0; i < rings; ++i) {
    put(kRingX + 4 * i, e.rings[i].x);
    put(kRingY + 4 * i, e.rings[i].y);
  }
  put(kRings, int32_t(rings));
  const size_t atoms = std::min<size_t>(e.atoms.size(), CHEM_BLOCK_MOST_ITEMS);
  for (size_t i = 0; i < atoms; ++i) {
    put(kAtomX + 4 * i, e.atoms[i].x);
    put(kAtomY + 4 * i, e.atoms[i].y);
    std::memcpy(b + kAtomText + 6 * i, e.atoms[i].label.data(), std::min<size_t>(e.atoms[i].label.size(), 6));
  }
  put(kAtoms, int32_t(atoms));
}

STRUCT_NIST_SPT* MakeNistEntry(const EntryText& e, const std::string& libraryName, uint32_t entryNumber) {
  // Nominal masses, the shares of one mass summed.
  std::map<uint16_t, double> nominal;
  for (auto& [m, v] : e.peaks) {
    const long mass = std::lround(m);
    if (mass >= 1 && mass <= 65535) nominal[uint16_t(mass)] += v;
  }
  const size_t n = std::min<size_t>(nominal.size(), INT16_MAX);
  auto* nist = static_cast<STRUCT_NIST_SPT*>(
      AllocBlock(uint32_t(offsetof(STRUCT_NIST_SPT, pairs) + std::max<size_t>(n, 1) * sizeof(NIST_PAIR))));
  auto* aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  auto* details = static_cast<NIST_ENTRY_DETAILS*>(AllocBlock(sizeof(NIST_ENTRY_DETAILS)));
  if (!nist || !aux || !details) {
    FreeBlock(nist);
    FreeBlock(aux);
    FreeBlock(details);
    return nullptr;
  }
  Put(nist->libraryName, sizeof nist->libraryName, libraryName);
  size_t k = 0;
  for (auto& [m, v] : nominal) {
    if (k == n) break;
    nist->pairs[k++] = NIST_PAIR{m, uint32_t(std::min(std::llround(v), 4294967295LL))};
  }
  nist->pairCount = int16_t(n);
  Put(aux->name, sizeof aux->name, e.name);
  Put(aux->formula, sizeof aux->formula, e.formula);
  aux->ids[3] = e.casNumber;
  aux->ids[5] = uint32_t(e.molecularWeight) & 0xFFFF;
  aux->entryWord = entryNumber;
  *details = e.library;
  details->estimatesPresent = e.hasEstimates ? 1 : 0;
  aux->block = reinterpret_cast<uint8_t*>(details);
  aux->blockSize = sizeof *details;
  nist->aux = aux;
  if (HasStructure(e)) {
    nist->chemStruct = static_cast<uint8_t*>(AllocBlock(NIST_CHEM_STRUCT_SIZE));
    if (!nist->chemStruct) {
      ReleaseNistAuxData(aux);
      FreeBlock(nist);
      return nullptr;
    }
    WriteStructure(e, nist->chemStruct);
  }
  return nist;
}

}  // namespace fandor
