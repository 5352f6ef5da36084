#pragma once
// The reference texts (status and error codes, hot keys, results list
// columns) shown in a read-only list that can be printed as report pages,
// and the printing of such a list, shared with the scan-function lists.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"

struct STRUCT_WORK_FILE;

#define INFO_TEXT_DIALOG_ID 332
#define IDC_INFO_LIST 3321
#define IDC_INFO_PRINT 3322

namespace kelt::dlg {
enum class ReferenceText { StatusErrors = 1, HotKeys = 2, ResultColumns = 3 };
// The lines of a reference text, as the list shows them.
KELT_CLASS std::vector<std::string> ReferenceTextLines(ReferenceText which);
// Prints lines as report pages with a page title into a new temporary
// reports file (its path into reportsPath); lines of 280 characters or
// more are left out. The number of pages stored; 0 for an empty list.
// With a work file, each page has its header below the title (whole on
// the first page, the file line alone on the others).
KELT_CLASS int PrintLinesAsReportPages(const std::vector<std::string>& lines, const std::string& title,
                                       std::string* reportsPath, const STRUCT_WORK_FILE* headerFile = nullptr);
}  // namespace kelt::dlg

KELT_API void Dlg_ViewStatusErrorInfo();
KELT_API void Dlg_ViewHotKeysInfo();
KELT_API void Dlg_ViewResultsColInfo();
