// libFuzzer target over adding a spectrum to an existing list: the input
// is the list file's text. A refused file keeps its bytes; an accepted one
// keeps its text and gets the new entry at its end.
#include <cstdint>
#include <cstring>
#include <string>

#include "fandor/list_entries.h"
#include "fandor/spectrum_list_files.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\list.msp";
const char kAlone[] = "C:\\FUZZ\\alone.msp";

STRUCT_LIST_SPT* Entry() {
  STRUCT_LIST_SPT* e = NewListEntry(3);
  if (!e) return nullptr;
  std::strcpy(e->name, "Peak 3  ApexTime = 7.419 min., Area = 4.81e+06");
  std::strcpy(e->comment, "ApexTime = 7.419 min., Area = 4.81e+06");
  e->pairs[0] = XTOL_PAIR{57.0704, 48211, 0};
  e->pairs[1] = XTOL_PAIR{71.0861, 30117, 0};
  e->pairs[2] = XTOL_PAIR{85.0, 999, 0};
  e->pairCount = 3;
  return e;
}

std::string TrimEnd(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  STRUCT_LIST_SPT* entry = Entry();
  if (!entry) return 0;
  // The entry's own text, as a new list holds it.
  static std::string alone;
  if (alone.empty() && CreateSpectrumListFile(kAlone, 1, entry)) alone = fuzz::ReadBytes(win::paths::ToHost(kAlone));
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), data, size);
  const std::string before(reinterpret_cast<const char*>(data), size);
  const bool added = AppendSpectrumToListFile(kPath, entry) != 0;
  FreeBlock(entry);
  const std::string after = fuzz::ReadBytes(win::paths::ToHost(kPath));
  if (!added) {
    fuzz::Check(after == before, "a refused list changed");
    return 0;
  }
  bool blank = true;
  for (char c : before) blank = blank && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
  const std::string kept = blank ? std::string() : TrimEnd(before);
  fuzz::Check(after.compare(0, kept.size(), kept) == 0, "the list lost its text");
  // The entry in the list's own form: plain pairs, or groups for a library list.
  std::string grouped = alone;
  for (const char* pair : {"57.0704 48211;", "71.0861 30117;", "85 999;"}) {
    const size_t at = grouped.find(pair);
    if (at == std::string::npos) continue;
    std::string g = "(" + std::string(pair, std::strlen(pair) - 1) + ")";
    grouped.replace(at, std::strlen(pair), g);
  }
  const bool ends = (after.size() >= alone.size() && after.compare(after.size() - alone.size(), alone.size(), alone) == 0) ||
                    (after.size() >= grouped.size() &&
                     after.compare(after.size() - grouped.size(), grouped.size(), grouped) == 0);
  fuzz::Check(ends, "the entry is not at the end");
  return 0;
}

// Seeds: a plain list, a library list, an empty file and a text of another kind.
extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string seeds[] = {
      "Name: Toluene\r\nMW: 92\r\nNum Peaks: 3\r\n91 999; 92 610; 65 110;\r\n\r\n",
      "Name: Toluene\nNum Peaks: 2\n(91 999) (92 610)\n",
      "",
      "\"Plot 1\",\"Area\"\r\n",
  };
  int i = 0;
  for (const std::string& s : seeds)
    fuzz::WriteBytes(std::string(folder) + "/list-" + std::to_string(i++),
                     reinterpret_cast<const uint8_t*>(s.data()), s.size());
  return 0;
}
