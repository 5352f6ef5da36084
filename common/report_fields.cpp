// Value-to-text rules of the report cells.
#include "common/report_fields.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "common/report_records.h"
#include "common/result_codes.h"
#include "fandor/fandor.h"
#include "pomsel/pomsel.h"
#include "orvik32/orvik32.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"
#include "common/mass_lists.h"

namespace kelt::reports {
namespace {

struct SearchKind {
  int16_t direction;
  char letter;
  const char* shortText;
  const char* longText;
};
constexpr SearchKind kSearchKinds[] = {
    {0, 'Q', "Q-F", "Quick-Forward"},  {0, 'S', "S-F", "Simple-Forward"}, {0, 'H', "H-F", "Hybrid-Forward"},
    {0, 'L', "L-F", "Neutral Loss-Forward"}, {0, 'I', "N-F", "Normal-Forward"},
    {1, 'Q', "Q-R", "Quick-Reverse"},  {1, 'S', "S-R", "Simple-Reverse"}, {1, 'H', "H-R", "Hybrid-Reverse"},
    {1, 'L', "L-R", "Neutral Loss-Reverse"}, {1, 'I', "N-R", "Normal-Reverse"},
};

struct PeakTypeRow {
  int16_t bit;
  const char* code;
  const char* shortText;
  const char* longText;
};
constexpr PeakTypeRow kPeakTypes[] = {
    {0x1, "RP", "Ref. Peak", "Reference Peak"},
    {0x2, "EC", "Edit Coef.", "Edited Coefficients"},
    {0x4, "EF", "Edit Fit", "Edited Fit"},
    {0x8, "EO", "Edit Org.", "Edited Origin"},
    {0x100, "SP", "Std. Peak", "Standard Peak"},
    {0x200, "RRT", "Rel. RT", "Relative Retention Peak"},
    {0x400, "LC", "Lock Coef.", "Locked Coefficients"},
};

bool IsNoSearch(const void* step) {
  char name[step::kNameSize + 1] = {};
  std::memcpy(name, TextAt(step, step::kName), step::kNameSize);
  return _stricmp(name, "No Search") == 0;
}

}  // namespace

char* PutCell(char* output, const std::string& text) {
  if (!output) return output;
  const size_t n = text.size() < kCellTextSize - 1 ? text.size() : kCellTextSize - 1;
  std::memcpy(output, text.data(), n);
  output[n] = 0;
  return output;
}

bool HasMatchCriterion(const void* step, const void* table) {
  if (!step) return false;
  if (FieldAt<float>(step, step::kMatchThreshold) == -1.0f) return false;
  const int32_t status = FieldAt<int32_t>(step, step::kStatus);
  if (status >= 0 && status <= 2) return FieldAt<uint16_t>(step, step::kIdSearchType) == 0;
  if (status >= 3 && status <= 5) return table && FieldAt<uint32_t>(table, table::kLibrarySearchUnknowns) == 1;
  return false;
}

std::string MatchType(const void* step, const void* table, bool longText) {
  if (!step || !HasMatchCriterion(step, table) || FieldAt<uint16_t>(step, step::kIdSearchType) != 0 || IsNoSearch(step))
    return "N/A";
  char text[64] = {};
  KELT_FormatNISTSearchType(FieldAt<int16_t>(step, step::kDirection), FieldAt<uint32_t>(step, step::kSearchKind), text,
                            longText ? 1 : 0);
  return text;
}

std::string SearchType(const void* step, const void* table, bool longText) {
  if (!step) return {};
  const int32_t status = FieldAt<int32_t>(step, step::kStatus);
  if (status < 0 || status > 2) {
    if (table && FieldAt<uint32_t>(table, table::kLibrarySearchUnknowns) != 0) return longText ? "Library Search" : "Library";
    return "None";
  }
  char folder[MAX_PATH + 1] = {};
  if (!GetProgramDirectory(folder)) folder[0] = 0;
  std::string path = folder;
  if (!path.empty()) path += '\\';
  path += "Ferrow.dll";
  char text[kCellTextSize] = {};
  if (HMODULE ferrow = LoadLibraryA(path.c_str())) {
    using Fn = int32_t (*)(int16_t, int16_t, char*);
    if (auto fn = ProcAs<Fn>(GetProcAddress(ferrow, "MSDHMTH_GetSearchTypeString")))
      fn(static_cast<int16_t>(FieldAt<uint16_t>(step, step::kIdSearchType)), 2, text);
    FreeLibrary(ferrow);
  }
  text[kCellTextSize - 1] = 0;
  return text;
}

std::string RfUsed(const void* table, const void* step, bool shortText) {
  if (!table || !step) return "None";
  if (FieldAt<uint16_t>(table, table::kNoInternalStandard) == 1 || FieldAt<int32_t>(table, table::kNoInternalStandard2) == 1 ||
      FieldAt<uint16_t>(step, step::kRawResults) == 1)
    return "None";
  switch (FieldAt<int16_t>(table, table::kRfMode)) {
    case 2:
      return kelt::numbers::LocalNumberText(win::crt::FormatString("%.3f", FieldAt<double>(table, table::kFixedRf)));
    case 0:
      return shortText ? "Nearest IS" : "Nearest Internal Standard";
    case 1:
      return shortText ? "Nr Pure IS" : "Nearest Pure Internal Standard";
    default:
      return {};
  }
}

std::string LibraryName(const void* table, int16_t index, uint16_t width) {
  if (!table || FieldAt<uint32_t>(table, table::kLibrarySearchUnknowns) != 1) return {};
  char path[MAX_PATH + 1] = {};
  const char* list = static_cast<const char*>(table) + table::kLibraryList;
  // The method's own list when it names a library and ends inside its
  // field, else the workstation's list.
  if (!list[0] || !std::memchr(list, 0, table::kLibraryListSize)) list = nullptr;
  if (!GetLibraryName(index, list, path)) return {};
  return ShortLibraryName(path, width);
}

std::string ShortLibraryName(const char* path, uint16_t width) {
  std::string name = path ? path : "";
  const size_t cut = name.find_last_of("\\/:");
  if (cut != std::string::npos) name = name.substr(cut + 1);
  std::vector<char> shortened(name.size() + 2, 0);
  const int16_t w = int16_t(width > 32000 ? 32000 : width);
  KELT_TruncateFileString(name.c_str(), w, shortened.data());
  std::string out = shortened.data();
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string ErrorFlags(const void* step) {
  if (!step) return {};
  const uint32_t codes = FieldAt<uint32_t>(step, step::kResultCodes);
  std::string text;
  for (int i = 0; i < 23; ++i) {
    const uint32_t bit = 1u << i;
    if (!(codes & bit) || bit == 0x1 || bit == 0x80 || bit == 0x100 || bit == 0x400) continue;
    const char* legend = ResultCode_StringFromFlag(bit);
    if (!legend[0] || legend[0] == ' ') continue;
    text += legend[0];
    text += ' ';
  }
  return text;
}

int CountPeakTypes(int16_t bits) {
  int n = 0;
  for (const auto& row : kPeakTypes) n += (bits & row.bit) ? 1 : 0;
  return n;
}

std::string PeakType(int16_t bits, int16_t style) {
  if (style < 1 || style > 4) return {};
  std::string text;
  for (const auto& row : kPeakTypes) {
    if (!(bits & row.bit)) continue;
    if (!text.empty()) text += style == 1 ? "," : ", ";
    switch (style) {
      case 1: text += row.code; break;
      case 2: text += row.shortText; break;
      case 3: text += row.longText; break;
      default: text += std::string(row.code) + ":" + row.longText; break;
    }
  }
  return text;
}

std::string CalibFitType(const void* compound) {
  if (!compound) return {};
  static constexpr const char* kFits[] = {"Linear, ", "Quadratic, ", "Cubic, "};
  static constexpr const char* kOrigins[] = {"Force, ", "Include, ", "Ignore, "};
  static constexpr const char* kWeights[] = {"None", "1/X", "1/nX", "1/X2", "1/nX2", "1/n"};
  std::string text;
  const int16_t fit = FieldAt<int16_t>(compound, compound::kFit);
  const int16_t origin = FieldAt<int16_t>(compound, compound::kOrigin);
  const uint32_t weighting = FieldAt<uint32_t>(compound, compound::kWeighting);
  if (fit >= 0 && fit <= 2) text += kFits[fit];
  if (origin >= 0 && origin <= 2) text += kOrigins[origin];
  if (weighting <= 5) text += kWeights[weighting];
  return text;
}

std::string Coefficient(double value, bool compact) {
  std::string text;
  if (value == 0.0)
    text = win::crt::FormatString(compact ? " %s" : "   %s", "+0.0");
  else if (value >= -0.001 && value <= 0.001)
    text = win::crt::FormatString(compact ? " %+.4e" : "   %+e", value);
  else if (value > -10000.0 && value < 10000.0)
    text = win::crt::FormatString(compact ? " %+.4f" : "   %+f", value);
  else
    text = win::crt::FormatString(compact ? " %+.4e" : "   %+e", value);
  return kelt::numbers::LocalNumberText(text);
}

bool CalibEquation(const void* compound, std::string& constant, std::string& x, std::string& x2, std::string& x3) {
  if (!compound) return false;
  float c[4];
  for (int i = 0; i < 4; ++i) c[i] = FieldAt<float>(compound, compound::kCoefficients + 4 * i);
  if (c[0] == 0.0f && c[1] == 0.0f && c[2] == 0.0f && c[3] == 0.0f) return false;
  constant.clear();
  x.clear();
  x2.clear();
  x3.clear();
  const int16_t fit = FieldAt<int16_t>(compound, compound::kFit);
  const int16_t origin = FieldAt<int16_t>(compound, compound::kOrigin);
  const bool edited = (FieldAt<uint16_t>(compound, compound::kFlags) & 0x2) != 0;
  if (fit == 2 || c[3] != 0.0f) x3 = Coefficient(c[3], true) + "x3";
  if (fit == 1 || fit == 2 || c[2] != 0.0f) x2 = Coefficient(c[2], true) + "x2";
  x = Coefficient(c[1], true) + "x";
  if (origin != 0 || edited) constant = Coefficient(c[0], true);
  if (edited) constant += " (E)";
  return true;
}

}  // namespace kelt::reports

BOOL KELT_FormatNISTSearchType(int16_t direction, uint32_t kind, char* output, int16_t longText) {
  if (!output) return FALSE;
  output[0] = 0;
  for (const auto& row : kelt::reports::kSearchKinds) {
    if (row.direction == direction && static_cast<uint32_t>(static_cast<unsigned char>(row.letter)) == kind) {
      std::strcpy(output, longText ? row.longText : row.shortText);
      return TRUE;
    }
  }
  return FALSE;
}

namespace {

namespace r = kelt::reports;

// The common rule of the search-result cells.
bool NoSpectrumMatch(const void* step) {
  return r::FieldAt<uint16_t>(step, r::step::kIdSearchType) != 0 || r::IsNoSearchName(step);
}

char* Cell(char* output, const std::string& text) { return r::PutCell(output, text); }

char* FloatCell(const void* step, uint32_t offset, char* output, int16_t compact) {
  if (!step || !output) return output;
  if (NoSpectrumMatch(step)) return Cell(output, "N/A");
  const float v = r::FieldAt<float>(step, offset);
  if (v == -1.0f) return Cell(output, "----");
  return Cell(output, win::crt::FormatString(compact ? "%.0f" : "%4.0f", double(v)));
}

char* IntCell(const void* step, uint32_t offset, char* output, int16_t compact) {
  if (!step || !output) return output;
  if (NoSpectrumMatch(step)) return Cell(output, "N/A");
  const int32_t v = r::FieldAt<int32_t>(step, offset);
  if (v == -1) return Cell(output, "----");
  return Cell(output, win::crt::FormatString(compact ? "%d" : "%4d", v));
}

std::string Probability(int32_t v, int16_t compact) {
  return win::crt::FormatString(compact ? "%.2f" : "%5.2f", double(v) / 100.0);
}

}  // namespace

namespace kelt::reports {
bool IsNoSearchName(const void* step) { return IsNoSearch(step); }
}  // namespace kelt::reports

char* KELT_FormatMatchValue(const void* step, char* output, int16_t compact) {
  return FloatCell(step, r::step::kMatchValue, output, compact);
}

char* KELT_FormatFitThreshold(const void* step, char* output, int16_t compact) {
  return FloatCell(step, r::step::kMatchThreshold, output, compact);
}

char* KELT_FormatSimilarity(const void* step, char* output, int16_t compact) {
  return IntCell(step, r::step::kForwardSimilarity, output, compact);
}

char* KELT_FormatReverseSimilarity(const void* step, char* output, int16_t compact) {
  return IntCell(step, r::step::kReverseSimilarity, output, compact);
}

char* KELT_FormatHitProbability(const void* step, char* output, int16_t compact) {
  if (!step || !output) return output;
  if (NoSpectrumMatch(step)) return Cell(output, "N/A");
  const int32_t v = r::FieldAt<int32_t>(step, r::step::kHitProbability);
  if (v == 0) return Cell(output, "N/A");
  if (v == -1) return Cell(output, "----");
  return Cell(output, Probability(v, compact));
}

char* KELT_FormatInLibraryProbability(const void* step, char* output, int16_t compact) {
  if (!step || !output) return output;
  if (NoSpectrumMatch(step)) return Cell(output, "N/A");
  const int32_t v = r::FieldAt<int32_t>(step, r::step::kInLibraryProbability);
  if (v == -1) return Cell(output, "----");
  if (v <= 0) return Cell(output, "N/A");
  return Cell(output, Probability(v, compact));
}

const char* RPTS_FmtCalcType(int16_t type) {
  switch (type) {
    case 1: return "Area Percent";
    case 2: return "Normalized Percent";
    case 3: return "Internal Standard";
    case 4: return "External Standard";
    default: return "";
  }
}

const char* RPTS_FmtPeakMeasure(int16_t kind) { return kind == 1 ? "Area" : "Height"; }

const char* RPTS_FmtSampleType(int16_t type) {
  switch (type) {
    case 0: return "Baseline";
    case 1: return "Calibration";
    case 3: return "Verification";
    default: return "Analysis";
  }
}

char* RPTS_FmtStatus(int16_t status, char* output) {
  static constexpr const char* kNames[] = {"Identified", "Missing", "Failed", "TIC", "Unknown", "Duplicate"};
  if (!output) return output;
  std::strcpy(output, status >= 0 && status <= 5 ? kNames[status] : "");
  return output;
}

char* RPTS_FmtStatusShort(int16_t status, uint32_t, char* output) {
  static constexpr const char* kNames[] = {"Id.", "Miss.", "Fail", "TIC", "Unk.", "Dup."};
  if (output && status >= 0 && status <= 5) std::strcpy(output, kNames[status]);
  return output;
}

char* RPTS_FmtHitLibraryName(const void* hit, char* output, uint16_t width) {
  if (!output) return output;
  if (!hit) return Cell(output, "");
  // The hit's library name field (280 bytes at 437), not trusted to end.
  char path[281] = {};
  std::memcpy(path, static_cast<const uint8_t*>(hit) + 437, 280);
  return Cell(output, r::ShortLibraryName(path, width));
}

char* RPTS_GetSamplePrepText(const char* path) {
  if (!path) return nullptr;
  char folder[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "vvv", 0, name)) return nullptr;
  char* block = nullptr;
  if (FILE* f = win::crt::OpenStream(name, "w+t")) {
    WriteSamplePrepText(f, path);
    std::fclose(f);
    if (FILE* in = win::crt::OpenStream(name, "rb")) {
      long size = -1;
      if (std::fseek(in, 0, SEEK_END) == 0) size = std::ftell(in);
      if (size >= 0 && std::fseek(in, 0, SEEK_SET) == 0) {
        block = static_cast<char*>(AllocBlock(uint32_t(size) + 20));
        if (block) {
          const size_t got = std::fread(block, 1, size_t(size), in);
          if (got != size_t(size)) {
            FreeBlock(block);
            block = nullptr;
          } else {
            block[got] = 0;  // the text ends after the bytes read
          }
        }
      }
      std::fclose(in);
    }
  }
  DeleteFileA(name);
  return block;
}
