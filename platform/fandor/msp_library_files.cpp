// Spectrum libraries in MSP text form.
#include "msp_library_files.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "fandor/entry_text.h"
#include "win/win_kernel.h"

namespace {

bool StartsWithNoCase(const std::string& line, const char* key) {
  const size_t n = std::strlen(key);
  if (line.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(key[i])))
      return false;
  return true;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

int32_t CasFromText(const std::string& text) {
  int64_t v = 0;
  int digits = 0;
  for (char c : text)
    if (std::isdigit(static_cast<unsigned char>(c)) && digits < 9) v = v * 10 + (c - '0'), ++digits;
  return static_cast<int32_t>(v);
}

// One entry from its "Name:" line at "at" to the blank line after its
// peaks, the next "Name:" line or the end of the text.
BOOL ParseEntry(const std::string& text, size_t at, MSP_SPECTRUM* s) {
  std::memset(s, 0, sizeof *s);
  int32_t peaksExpected = -1;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    if (line.empty()) {
      if (peaksExpected >= 0) break;
      continue;
    }
    if (!first && StartsWithNoCase(line, "Name:")) break;
    first = false;
    const size_t colon = line.find(':');
    if (peaksExpected < 0 && colon != std::string::npos) {
      const std::string key = line.substr(0, colon), value = Trim(line.substr(colon + 1));
      if (StartsWithNoCase(key, "Name"))
        std::strncpy(s->name, value.c_str(), MSP_NAME_SIZE - 1);
      else if (StartsWithNoCase(key, "Formula"))
        std::strncpy(s->formula, value.c_str(), MSP_FORMULA_SIZE - 1);
      else if (StartsWithNoCase(key, "MW"))
        s->molecularWeight = std::atoi(value.c_str());
      else if (StartsWithNoCase(key, "CAS"))
        s->casNumber = CasFromText(value);
      else if (StartsWithNoCase(key, "Num Peaks"))
        peaksExpected = std::atoi(value.c_str());
      continue;
    }
    if (peaksExpected < 0) continue;
    // Pairs "mass intensity", parted by ";" or line ends.
    const char* p = line.c_str();
    while (*p) {
      char* next = nullptr;
      const double m = std::strtod(p, &next);
      if (next == p) break;
      p = next;
      const double v = std::strtod(p, &next);
      if (next == p) return FALSE;  // a mass without its intensity
      p = next;
      while (*p == ';' || *p == ' ' || *p == '\t' || *p == ',') ++p;
      if (s->peakCount < MSP_MOST_PEAKS) {
        s->masses[s->peakCount] = static_cast<float>(m);
        s->intensities[s->peakCount] = static_cast<float>(v);
        ++s->peakCount;
      }
    }
  }
  return s->name[0] ? TRUE : FALSE;
}

// An entry read on its own may be no longer than this; a longer one is
// read with the whole text.
constexpr uint64_t kMostEntryBytes = 1u << 20;

}  // namespace

BOOL CAccessMSPFile::Open(const char* path) {
  text_.clear();
  offsets_.clear();
  indexed_ = loaded_ = open_ = false;
  path_.clear();
  size_ = 0;
  if (!path) return FALSE;
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!h || h == INVALID_HANDLE_VALUE) return FALSE;
  const DWORD size = GetFileSize(h, nullptr);
  CloseHandle(h);
  if (size == INVALID_FILE_SIZE) return FALSE;
  path_ = path;
  size_ = size;
  open_ = true;
  return TRUE;
}

bool CAccessMSPFile::ReadRange(uint64_t from, uint64_t to, std::string* out) const {
  out->clear();
  if (!open_ || from > to || to - from > UINT32_MAX) return false;
  HANDLE h = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!h || h == INVALID_HANDLE_VALUE) return false;
  out->resize(static_cast<size_t>(to - from));
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(from);
  at.OffsetHigh = static_cast<DWORD>(from >> 32);
  DWORD got = 0;
  const bool ok = out->empty() || ReadFile(h, out->data(), static_cast<DWORD>(out->size()), &got, &at);
  CloseHandle(h);
  out->resize(ok ? got : 0);
  return ok;
}

bool CAccessMSPFile::LoadText() {
  if (!loaded_) {
    if (!ReadRange(0, size_, &text_) || text_.size() != size_) {
      text_.clear();
      return false;
    }
    loaded_ = true;
  }
  return true;
}

void CAccessMSPFile::BuildIndexes() {
  offsets_.clear();
  indexed_ = true;
  if (!LoadText()) return;
  size_t at = 0;
  while (at < text_.size()) {
    size_t end = text_.find('\n', at);
    if (end == std::string::npos) end = text_.size();
    if (StartsWithNoCase(text_.substr(at, 5), "Name:")) offsets_.push_back(static_cast<uint32_t>(at));
    at = end + 1;
  }
}

BOOL CAccessMSPFile::SetIndexes(const uint32_t* offsets, int32_t count) {
  if (!offsets || count <= 0) return FALSE;
  offsets_.assign(offsets, offsets + count);
  indexed_ = true;
  return TRUE;
}

int32_t CAccessMSPFile::GetIndexes(std::vector<uint32_t>* offsets) {
  if (!indexed_) BuildIndexes();
  if (offsets) *offsets = offsets_;
  return static_cast<int32_t>(offsets_.size());
}

bool CAccessMSPFile::EntryText(int32_t index, std::string* own, const std::string** text, size_t* at) {
  if (!open_) return false;
  if (!indexed_) BuildIndexes();
  if (index < 0 || static_cast<size_t>(index) >= offsets_.size()) return false;
  const size_t k = static_cast<size_t>(index);
  if (!loaded_) {
    // Only the entry's own bytes: up to the next entry's offset.
    const uint64_t from = offsets_[k];
    uint64_t to = k + 1 < offsets_.size() && offsets_[k + 1] > from ? offsets_[k + 1] : size_;
    to = std::min(to, size_);
    if (from < to && to - from <= kMostEntryBytes && ReadRange(from, to, own) &&
        StartsWithNoCase(own->substr(0, 5), "Name:")) {
      *text = own;
      *at = 0;
      return true;
    }
    if (!LoadText()) return false;
  }
  size_t from = offsets_[k];
  // A kept table that no longer fits the file is built again.
  if (from >= text_.size() || !StartsWithNoCase(text_.substr(from, 5), "Name:")) {
    BuildIndexes();
    if (k >= offsets_.size()) return false;
    from = offsets_[k];
  }
  *text = &text_;
  *at = from;
  return true;
}

BOOL CAccessMSPFile::ReadSpectrum(int32_t index, MSP_SPECTRUM* s) {
  (void)mode_;
  if (!s) return FALSE;
  std::string own;
  const std::string* text = nullptr;
  size_t at = 0;
  if (!EntryText(index, &own, &text, &at)) return FALSE;
  return ParseEntry(*text, at, s);
}

BOOL CAccessMSPFile::CreateIndexes() {
  if (!open_) return FALSE;
  if (!indexed_) BuildIndexes();
  return TRUE;
}

int32_t CAccessMSPFile::CountSpectra() {
  if (!open_) return 0;
  if (!indexed_) BuildIndexes();
  return static_cast<int32_t>(offsets_.size());
}

STRUCT_LIST_SPT* CAccessMSPFile::ReadSpectrum(int32_t index) {
  std::string own;
  const std::string* text = nullptr;
  size_t at = 0;
  fandor::EntryText entry;
  if (!EntryText(index, &own, &text, &at) || !fandor::ParseEntryText(*text, at, &entry)) return nullptr;
  return fandor::MakeListEntry(entry, path_, static_cast<uint32_t>(index) + 1);
}

STRUCT_NIST_SPT* CAccessMSPFile::ReadLibraryEntry(int32_t index) {
  std::string own;
  const std::string* text = nullptr;
  size_t at = 0;
  fandor::EntryText entry;
  if (!EntryText(index, &own, &text, &at) || !fandor::ParseEntryText(*text, at, &entry)) return nullptr;
  return fandor::MakeNistEntry(entry, fandor::LibraryNameOf(path_), static_cast<uint32_t>(index) + 1);
}
