// libFuzzer target over the readers that turn producers' log and method
// texts into list lines: the input is such a text (a log as a data file's
// log producer writes it, a method text, a notes block) and, from its first
// 306 bytes, an error record. Whatever it holds, every line is bounded and
// printable, the counts agree with the text, and no error id is read past
// a group's room.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/log_section_browser.h"
#include "dialogs/text_lines.h"
#include "testing/fuzz_support.h"

namespace {

void CheckLines(const std::vector<std::string>& lines, size_t widest) {
  for (const std::string& l : lines) {
    fuzz::Check(!l.empty(), "an empty list line (empty lines show as two blanks)");
    fuzz::Check(l.size() <= widest, "a list line wider than a piece of text can make");
    for (unsigned char c : l) fuzz::Check(c >= 32 && c <= 127, "a control byte or a byte above 127 in a list line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<std::string> lines;
  kelt::dlg::SplitTextBlock(text, size, lines);
  CheckLines(lines, 4 * size + 2);
  uint16_t heading = 0, body = 0;
  uint32_t offset = 0;
  kelt::dlg::CountLogLines(text, static_cast<uint32_t>(size), true, &heading, &body, &offset);
  fuzz::Check(offset <= size, "a body offset past the text");
  fuzz::Check(heading == 0 || offset > 0, "heading lines without a body offset");
  if (std::FILE* f = std::tmpfile()) {
    if (size) std::fwrite(data, 1, size, f);
    for (int form = 0; form < 3; ++form) {
      std::rewind(f);
      lines.clear();
      if (form == 0) kelt::dlg::AppendMethodTextLines(f, lines);
      else kelt::dlg::AppendLogTextLines(f, form == 2, lines);
      // 99 characters a piece, a tab widened to four blanks.
      CheckLines(lines, 4 * 99);
    }
    std::fclose(f);
  }
  STRUCT_DH_ERROR_LOG record{};
  std::memcpy(&record, data, size < sizeof record ? size : sizeof record);
  fuzz::Check(kelt::dlg::ErrorLogIds(record).size() <= 3 * LOG_ERROR_GROUP_IDS, "more error ids than the record holds");
  return 0;
}

// Seeds: a log with its banners and notes, and an error record with a
// damaged count.
extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string banner(60, '*');
  const std::string log = banner + "\r\nInjection Sample Notes\r\n" + banner + "\r\n\tsample 1\r\n\r\nlast\n\r" +
                          "********** Acquisition Method **********\r\nscan 50-500\r\n==========\r\n";
  fuzz::WriteBytes(std::string(folder) + "/log", reinterpret_cast<const uint8_t*>(log.data()), log.size());
  STRUCT_DH_ERROR_LOG record{};
  record.lists[0].count = 2;
  record.lists[1].count = 4000;
  fuzz::WriteBytes(std::string(folder) + "/error-record", reinterpret_cast<const uint8_t*>(&record), sizeof record);
  return 0;
}
