// libFuzzer target over the method-section reader: the input names the
// sections of a method file, one name a line. Whatever the names, the
// array holds only entries whose names carry a module, each name
// terminated within its field, and the import dialog's lines are made
// without reading past the array.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/section_stems.h"
#include "dialogs/method_sections.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  const char* path = "C:\\FUZZ\\method.mth";
  if (!CreateSectionFileAtPath(path, 666, 0, 1)) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (int n = 0; n < 64 && start <= input.size(); ++n) {
    const size_t end = input.find('\n', start);
    const std::string name = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!name.empty() && name.find('\0') == std::string::npos)
      if (HSECTION s = CreateSection(path, name.c_str(), nullptr)) CloseSection(s);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  const char* stem = input.size() > 2 && input[0] == 'M' ? "Method." : "PeakTable";
  char first[80] = {};
  const int16_t count = KELT_GetSectionNameFromStem(path, stem, first);
  fuzz::Check(count == 0 || std::strncmp(first, stem, std::strlen(stem)) == 0, "a first name without the stem");
  if (STRUCT_SECTION_ARRAY* a = KELT_GetSectionsFromStem(path, stem)) {
    fuzz::Check(a->count <= count, "more entries than matching names");
    for (int i = 0; i < a->count; ++i) {
      fuzz::Check(std::memchr(a->entries[i].name, 0, sizeof a->entries[i].name) != nullptr, "an unterminated name");
      char line[200];
      FormatSectionLine(a, i, line, sizeof line);
    }
    char line[200];
    FormatSectionLine(a, a->count, line, sizeof line);  // past the end: nothing
    fuzz::Check(line[0] == 0, "a line for an entry past the array");
    KELT_FreeSectionArray(a);
  }
  return 0;
}

// Seeds: two modules' peak tables, a name without its module and an
// acquisition-method name.
extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string names =
      "PeakTable.0017.0001.1\nPeakTable.0017.0002.1\nPeakTable\nPeakTableX.zz.1\nMethod.0017.0001.0000\n";
  fuzz::WriteBytes(std::string(folder) + "/peak-tables", reinterpret_cast<const uint8_t*>(names.data()), names.size());
  return 0;
}
