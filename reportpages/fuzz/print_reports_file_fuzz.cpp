// libFuzzer target over printing a reports file: the input holds up to four
// pages, each a 16-byte head (kind, columns, lines, orientation, font flag,
// colour mode, logical width and height, 16 bits each), a 16-bit content
// length and the content; the first byte sets the margins and the colour
// and orientation preferences. The pages are stored in a reports file and
// the whole file printed (to PDF). Nothing faults; the print succeeds only
// when every page is of a kind that prints.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_printing.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kFile[] = "C:\\FUZZ\\print.msr";
const char kPdf[] = "C:\\FUZZ\\print.pdf";

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  ++data, --size;
  win::facts::RemoveFile(kFile);
  bool printable = true;
  int pages = 0;
  {
    CRptsFileHandler h(nullptr);
    if (!h.MakeThisNewFile(kFile)) return 0;
    while (pages < 4 && size >= 18) {
      const uint16_t kind = U16(data), length = U16(data + 16);
      const size_t n = length < size - 18 ? length : size - 18;
      // Text pages of a huge grid print slowly but soundly; keep runs short.
      const uint16_t columns = U16(data + 2) % 400, lines = U16(data + 4) % 400;
      if (!h.AddPageToFile(data + 18, uint32_t(n), kind, columns, lines, U16(data + 6), U16(data + 8), U16(data + 10),
                           U16(data + 12), U16(data + 14), uint16_t(pages + 1), 0, "fuzz"))
        return 0;
      printable = printable && kind <= 2;
      ++pages;
      data += 18 + n;
      size -= 18 + n;
    }
  }
  if (pages == 0) return 0;
  STRUCT_REPORT_PREFS prefs;
  KELT_ResetDefReportPrefs(&prefs);
  prefs.spooler.marginLeft = prefs.spooler.marginRight = int16_t(settings & 0x0F);
  prefs.spooler.marginTop = prefs.spooler.marginBottom = int16_t((settings >> 4) & 0x07);
  prefs.spooler.colorPrinting = (settings & 0x80) ? 1 : 0;
  SetPrintJobOutput(kPdf);
  const int printed = MSR_PrintFile(nullptr, 0, 0, kFile, 0, pages - 1, &prefs);
  SetPrintJobOutput(nullptr);
  fuzz::Check(printed == 0 || printed == 1, "a print result other than 0 or 1");
  if (!printable) fuzz::Check(printed == 0, "a page of no printable kind printed");
  return 0;
}

// Seeds: a text page, a text-entry page and a small metafile-like page.
extern "C" int KeltFuzzSeeds(const char* folder) {
  auto page = [](std::string& out, uint16_t kind, uint16_t columns, uint16_t lines, uint16_t colour,
                 const std::string& content) {
    const uint16_t head[8] = {kind, columns, lines, 2, 1, colour, 0, 0};
    out.append(reinterpret_cast<const char*>(head), sizeof head);
    const uint16_t n = uint16_t(content.size());
    out.append(reinterpret_cast<const char*>(&n), 2);
    out += content;
  };
  std::string a(1, char(0x9A));
  page(a, 0, 80, 60, 0, "Sample Report\r\n-------------\r\n  1.234   5.678\r\nToluene  12.5\r\n");
  page(a, 2, 40, 20, 0, std::string("\x02\x01\x40", 3) + "Cell text" + std::string(1, '\0') + "\x05\x03" +
                            std::string(1, '\0') + "Plain" + std::string(1, '\0') + "\xFF");
  page(a, 1, 80, 60, 7, std::string(40, '\x01'));
  fuzz::WriteBytes(std::string(folder) + "/pages", reinterpret_cast<const uint8_t*>(a.data()), a.size());
  return 0;
}
