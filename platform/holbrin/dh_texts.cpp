// Defaults of new records, module kinds and the library's string table.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "holbrin.h"

namespace {

struct FileType {
  uint16_t type;
  uint16_t decimals;
  double low, high;
  const char* name;
};

// Instrument module kinds whose data files carry MS data.
constexpr FileType kFileTypes[] = {
    {20, 1, 10.0, 1050.0, "Quadrupole MS"},
    {21, 1, 10.0, 1000.0, "Ion Trap MS"},
    {22, 1, 10.0, 2000.0, "High Mass Quadrupole MS"},
    {23, 1, 10.0, 1500.0, "Triple Quadrupole MS"},
    {24, 4, 10.0, 1500.0, "Time of Flight MS"},
};

struct Message {
  uint32_t id;
  const char* text;
};

// Message numbers of the integration engine: 1-24 peak search, 25-59
// calculation, 60-99 target compounds.
constexpr Message kMessages[] = {
    {1, "Peak search: no data points in the chromatogram."},
    {2, "Peak search: no peaks found above the peak size reject."},
    {3, "Peak search: too many peaks; the peak table is full."},
    {4, "Peak search: a time event lies outside the run and was ignored."},
    {5, "Peak search: overlapping inhibit integrate events were joined."},
    {6, "Peak search: the peak width is outside 1 to 512 half-seconds."},
    {7, "Peak search: a baseline could not be drawn below the signal."},
    {8, "Peak search: the noise of the chromatogram could not be measured."},
    {9, "Peak search: the method's tables could not be read."},
    {25, "Calculation: the compound was not found in its retention window."},
    {26, "Calculation: the compound's peak was rejected by its qualifier ions."},
    {27, "Calculation: the internal standard was not found."},
    {28, "Calculation: the calibration curve has fewer points than its fit needs."},
    {29, "Calculation: the response lies outside the calibrated range."},
    {30, "Calculation: the calibration fit did not converge."},
    {46, "Calculation: the response factor of the compound is zero."},
    {47, "Calculation: the amount of the internal standard is zero."},
    {50, "Calculation: the sample amount is zero; amounts are not scaled."},
    {51, "Calculation: the dilution factor is zero; amounts are not scaled."},
    {60, "Target: the compound's mass list is empty."},
    {61, "Target: the compound's channels are not in the data file."},
    {62, "Target: the reference peak was not found; times are not adjusted."},
    {63, "Target: two compounds were assigned the same peak."},
};

}  // namespace

HOLBRIN_API BOOL GetFileTypeDescriptor(uint16_t fileType, DH_FILE_TYPE_DESCRIPTOR* descriptor) {
  if (!descriptor) return FALSE;
  std::memset(descriptor, 0, sizeof *descriptor);
  for (const FileType& t : kFileTypes) {
    if (t.type != fileType) continue;
    descriptor->massDecimals = t.decimals;
    descriptor->lowMass = t.low;
    descriptor->highMass = t.high;
    std::snprintf(descriptor->name, sizeof descriptor->name, "%s", t.name);
    return TRUE;
  }
  return FALSE;
}

HOLBRIN_API int32_t LoadDHString(uint32_t id, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  for (const Message& m : kMessages) {
    if (m.id != id) continue;
    std::snprintf(buffer, size_t(size), "%s", m.text);
    return int32_t(std::strlen(buffer));
  }
  return 0;
}

HOLBRIN_API BOOL GetDHErrorText(int32_t code, char* buffer, int32_t size) {
  return code > 0 && LoadDHString(uint32_t(code), buffer, size) > 0;
}

HOLBRIN_API BOOL GetDHLibraryTexts(char* description, char* version) {
  if (!description || !version) return FALSE;
  std::snprintf(description, 42, "%s", "MS Data Handling Records");
  std::snprintf(version, 42, "%s", "2.1.0");
  return TRUE;
}

HOLBRIN_API BOOL InitGlobalParams(STRUCT_DH_GLOBAL_PARAMS* r) {
  if (!r) return FALSE;
  std::memset(r, 0, sizeof *r);
  r->format = 1;
  r->peakWidthTenths = 30;
  r->slopeSensitivity = 5;
  r->tangentPercent = 10;
  r->peakSizeReject = 1000.0f;
  r->noiseKind = 0;
  r->quant.responseBasis = 1;       // area
  r->quant.calculationType = 2;     // external standard
  r->quant.reportNotFound = 1;
  r->quant.peakWidthFifths = 6;
  r->reportUnknowns = 0;
  r->unknownQuantKind = 2;
  r->unknownResponseFactor = 1.0;
  r->massList.kind = 0;             // RIC
  r->massList.massWindow = 0.5;
  r->chanList.kind = 0;             // merged
  return TRUE;
}

namespace {

template <class T>
void Put(uint8_t* block, size_t offset, T value) {
  std::memcpy(block + offset, &value, sizeof value);
}

// The information grid of a report definition (its three columns of 12
// item codes at byte 101): sample and operator, dates, file, method,
// calibration and the counts of the results.
void DefaultGrid(uint8_t* definition) {
  static const uint16_t kLines[][3] = {{1, 2, 27},  {5, 7, 13}, {6, 0, 0}, {8, 0, 0},
                                       {4, 10, 11}, {18, 19, 23}, {9, 0, 0}};
  for (size_t line = 0; line < sizeof kLines / sizeof kLines[0]; ++line)
    for (size_t column = 0; column < 3; ++column) Put<uint16_t>(definition, 101 + (column * 12 + line) * 2, kLines[line][column]);
}

// The default sample report: its title and grid, one chromatogram strip
// with the segment bar, peak events and compound names, fixed narrow
// tables of every kind but duplicate peaks, and the segment and error logs;
// compound pages of the method's compounds.
void DefaultSampleReport(STRUCT_REPORT_FORMAT* f) {
  uint8_t* record = reinterpret_cast<uint8_t*>(f);
  uint8_t* chro = record + offsetof(STRUCT_REPORT_FORMAT, chromatogram);
  Put<uint16_t>(chro, 177, 1);     // segment bar
  Put<uint16_t>(chro, 179, 1);     // peak events
  Put<uint16_t>(chro, 183, 1);     // retention-time labels
  Put<uint16_t>(chro, 187, 1);     // compound-name labels
  for (size_t k = 0; k < 5; ++k) Put<uint16_t>(chro, 191 + 2 * k, 1);  // annotate all but duplicates
  Put<double>(chro, 223, 1.0);     // divisor
  Put<uint16_t>(chro, 237, 1);     // one strip
  Put<uint16_t>(chro, 239, 1);     // autoscale
  uint8_t* sample = record + offsetof(STRUCT_REPORT_FORMAT, sample);
  std::memcpy(sample, "Quantitation Report", 19);
  std::memcpy(sample + 61, "Target compounds and peaks", 26);
  DefaultGrid(sample);
  Put<uint16_t>(sample, 958, 1);    // qualifier lines
  Put<uint16_t>(sample, 962, 1);    // acquisition segment information
  Put<uint16_t>(sample, 966, 1);    // error log
  Put<uint16_t>(sample, 978, 1 | 2 | 4 | 8 | 16);
  uint8_t* compound = record + offsetof(STRUCT_REPORT_FORMAT, compound);
  std::memcpy(compound, "Compound Report", 15);
  DefaultGrid(compound);
  Put<uint16_t>(compound, 989, 1 | 2 | 4);
}

}  // namespace

HOLBRIN_API BOOL ResetReportFormat(void* record) {
  if (!record) return FALSE;
  auto* f = static_cast<STRUCT_REPORT_FORMAT*>(record);
  std::memset(f, 0, sizeof *f);
  f->format = 2;
  f->summaryReport = 1;
  f->exportKind = 0;
  f->amountFormat = 2;
  // Sample table: name, time, response, amount, units, flags.
  static const uint16_t sampleIds[] = {1, 2, 3, 4, 5, 6, 7, 8};
  f->sampleColumns.count = uint16_t(sizeof sampleIds / sizeof sampleIds[0]);
  std::memcpy(f->sampleColumns.ids, sampleIds, sizeof sampleIds);
  f->sampleColumns2 = f->sampleColumns;
  for (size_t i = 0; i < 3; ++i) f->includeCalculation[i] = 1;
  f->groupKey = 1;
  DefaultSampleReport(f);
  return TRUE;
}
