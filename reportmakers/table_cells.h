#pragma once
// Cell writing shared by the results tables (internal to the report
// makers): a cell on a page is cut at the line's last grid column so that
// nothing runs off the page; in a text file it is a separated column.
#include <cstring>
#include <string>
#include <vector>

#include "common/engine_binding.h"
#include "common/engine_entries.h"
#include "common/number_format.h"
#include "common/report_records.h"
#include "common/work_file.h"
#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "reportpages/report_output.h"
#include "win/win_crt.h"

namespace kelt::reports::cells {

inline bool Pages(const CReportOutput* out) { return out->Kind == REPORT_OUTPUT_PAGES; }

enum class Kind { Plain, Quoted, Number };

// The last grid column (exclusive) a page cell may reach.
inline int LineEnd(const CReportOutput* out, int limit = -1) {
  int end = out->Columns > 0 ? out->Columns : 0;
  if (limit >= 0 && limit < end) end = limit;
  return end;
}

// A cell at column. On a page: nothing when empty or beyond the line, else
// the text cut to end at the line (or at limit when nearer). In a text
// file: a separated column, quoted or not; an empty cell is a quoted blank
// so that the columns keep their places.
inline void Put(CReportOutput* out, int column, const std::string& text, Kind kind = Kind::Plain, int limit = -1) {
  if (column < 0) column = 0;
  if (Pages(out)) {
    const int end = LineEnd(out, limit);
    if (text.empty() || column >= end) return;
    const std::string cut = text.substr(0, size_t(end - column));
    out->TextAtColumn(int16_t(column), cut.c_str());
    return;
  }
  if (kind == Kind::Plain) {
    if (!text.empty()) out->TextAtColumn(int16_t(column), text.c_str());
  } else if (text.empty() || kind == Kind::Quoted) {
    out->QuotedTextAtColumn(int16_t(column), text.empty() ? " " : text.c_str());
  } else {
    out->SepTextAtColumn(int16_t(column), text.c_str());
  }
}

inline std::string Local(const std::string& text) { return kelt::numbers::LocalNumberText(text); }

template <class... A>
std::string Fmt(const char* format, A... args) {
  return win::crt::FormatString(format, args...);
}

// A bounded text field of a record.
inline std::string Text(const void* record, uint32_t offset, uint32_t size) {
  const char* p = TextAt(record, offset);
  return std::string(p, strnlen(p, size));
}

inline std::string Trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

inline int16_t MassDecimals(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return 0;
  DH_FILE_TYPE_DESCRIPTOR d;
  std::memcpy(&d, workFile->typeDescriptor, sizeof d);
  return int16_t(d.massDecimals > 4 ? 4 : d.massDecimals);
}

// An amount decimals value within what the formatter takes.
inline int16_t AmountDecimals(int16_t amountFormat) {
  return int16_t(amountFormat < 0 ? 0 : amountFormat > 10 ? 10 : amountFormat);
}

inline std::string AreaOrHeight(int width, double value) {
  char text[kNumberTextSize] = {};
  return KELT_FormatAreaOrHeight(int16_t(width), value, text);
}

inline std::string Amount(int width, int16_t amountFormat, double value, const std::string& units) {
  char text[kNumberTextSize] = {};
  return KELT_FormatResultAmount(int16_t(width), AmountDecimals(amountFormat), value, units.c_str(), text);
}

// The common units of amounts summed together: the first units met, or
// "NOTSAME" as soon as two differ.
struct CommonUnits {
  std::string text;
  bool any = false;
  void Add(const std::string& units) {
    if (!any) {
      text = units;
      any = true;
    } else if (text != units) {
      text = "NOTSAME";
    }
  }
};

// Whether a new page is needed for lines more lines, and then begins it;
// false when the page could not be begun.
inline bool Room(CReportOutput* out, int lines, bool* newPage) {
  *newPage = false;
  if (!Pages(out)) return out->Ok != 0;
  if (out->Line + lines - 1 <= out->LastLine) return out->Ok != 0;
  if (!out->NewPage()) return false;
  *newPage = true;
  return out->Ok != 0;
}

// The method compound records of a table's rows from one opening of the
// data file's compound table: the record at a step's compound index when
// its number matches, else the first record of that number.
class CompoundRecords {
 public:
  explicit CompoundRecords(const STRUCT_WORK_FILE* workFile) : workFile_(workFile) {}
  ~CompoundRecords() {
    if (set_) FreeDHRecordSet(set_);
  }
  CompoundRecords(const CompoundRecords&) = delete;
  CompoundRecords& operator=(const CompoundRecords&) = delete;
  bool Read(const void* step, void* out) {
    if (!workFile_ || !step || !out) return false;
    if (!opened_) {
      opened_ = true;
      set_ = OpenDHRecordSet(workFile_->filePath, workFile_->fileType, workFile_->module, "1");
    }
    if (!set_) return false;
    const int32_t number = FieldAt<int32_t>(step, step::kCompoundNumber);
    auto matches = [&] { return FieldAt<uint32_t>(out, compound::kNumber) == uint32_t(number); };
    if (GetDHRecord(set_, FieldAt<int16_t>(step, step::kCompoundIndex), out) && matches()) return true;
    const int32_t count = CountDHRecords(set_);
    for (int32_t i = 0; i < count; ++i) {
      if (!GetDHRecord(set_, i, out)) return false;
      if (matches()) return true;
    }
    return false;
  }

 private:
  const STRUCT_WORK_FILE* workFile_;
  HDHTABLE set_ = nullptr;
  bool opened_ = false;
};

// The steps and qualifier records of a table's rows through one binding of
// the quantitation engine and one opening of each section, rather than a
// binding and an opening per record.
class EngineRecords {
 public:
  explicit EngineRecords(const char* dataFile) : path_(dataFile ? dataFile : "") {}
  ~EngineRecords() {
    if (results_) CloseSection(results_);
    if (qualifiers_) CloseSection(qualifiers_);
  }
  EngineRecords(const EngineRecords&) = delete;
  EngineRecords& operator=(const EngineRecords&) = delete;
  bool Step(int index, void* out) {
    if (index < 0 || index > 65535 || !out) return false;
    if (!resultsTried_) {
      resultsTried_ = true;
      auto open = engine_.Find<kelt::engine::OpenTolResultsReadOnlyFn>("OpenTolResultsReadOnly");
      readStep_ = engine_.Find<kelt::engine::ReadTolResultStepFn>("ReadTolResultStep");
      if (open && readStep_) results_ = open(path_.c_str(), nullptr);
    }
    return results_ && readStep_(results_, uint16_t(index), static_cast<STRUCT_RESULT_STEP*>(out), 1);
  }
  bool Qualifier(int32_t compound, void* out) {
    if (!out) return false;
    if (!qualifiersTried_) {
      qualifiersTried_ = true;
      auto open = engine_.Find<kelt::engine::OpenQualifierDataReadOnlyFn>("OpenQualifierDataReadOnly");
      match_ = engine_.Find<kelt::engine::GetMatchingQualifierRecordFn>("GetMatchingQualifierRecord");
      if (open && match_) qualifiers_ = open(path_.c_str());
    }
    return qualifiers_ && match_(qualifiers_, compound, static_cast<STRUCT_QUALIFIER_RECORD*>(out));
  }

 private:
  std::string path_;
  kelt::EngineBinding engine_;
  HSECTION results_ = nullptr, qualifiers_ = nullptr;
  kelt::engine::ReadTolResultStepFn readStep_ = nullptr;
  kelt::engine::GetMatchingQualifierRecordFn match_ = nullptr;
  bool resultsTried_ = false, qualifiersTried_ = false;
};

}  // namespace kelt::reports::cells
