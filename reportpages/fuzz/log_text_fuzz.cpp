// libFuzzer target over the text the data-file log blocks read: a log text
// file copied into body lines (both line-end rules) and MS log records
// turned into report lines. Nothing faults; every line is printable, no
// longer than a piece can make it, and log lines keep their 60 characters
// and their two indents.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "reportpages/data_file_blocks.h"
#include "testing/fuzz_support.h"

extern "C" int KeltFuzzSeeds(const char* folder) {
  std::string log = "Sample Preparation\n\r\tStep 1: dilute\r\n\r\n";
  log += std::string(140, 'x') + "\r\n";
  std::ofstream(std::string(folder) + "/log.txt", std::ios::binary) << log;
  std::string records;
  for (const char* t : {"", "Tune", "  Lens 1  12.0", "", "", "End", "GC"}) {
    std::string r(64, ' ');
    r[0] = r[1] = 0;
    std::memcpy(&r[2], t, std::strlen(t));
    records += r;
  }
  std::ofstream(std::string(folder) + "/records.bin", std::ios::binary) << records;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  for (bool lfcr : {false, true}) {
    for (const std::string& line : kelt::pages::TextFileLines(text, size, lfcr)) {
      fuzz::Check(!line.empty() && line.size() <= 99 * 4, "a body line holds 1 to 396 characters");
      for (char c : line) fuzz::Check(static_cast<unsigned char>(c) >= 32, "a body line holds no control character");
    }
  }
  for (bool user : {false, true}) {
    bool lastBlank = size % 2 == 0;
    bool blankBefore = lastBlank;
    for (const kelt::pages::LogLine& l : kelt::pages::LogRecordLines(data, size / 64, user, &lastBlank)) {
      fuzz::Check(l.text.size() <= 60, "a log line holds its record's 60 characters at most");
      fuzz::Check(l.indent == 0 || l.indent == 2, "a log line is a heading or indented by 2");
      const bool blank = l.text.empty();
      fuzz::Check(!(blank && blankBefore), "blank log lines never follow each other");
      blankBefore = blank;
    }
  }
  return 0;
}
