#pragma once
// A small file search: the find-data record of the current match and the
// search handle (-1 when no search is open).
#include "common/kelt_export.h"
#include "win/win_kernel.h"

class KELT_CLASS CFileFinder {
 public:
  CFileFinder();
  ~CFileFinder();
  CFileFinder(const CFileFinder&) = delete;
  CFileFinder& operator=(const CFileFinder&) = delete;

  // Closes any open search and starts one for pattern; true with the first match.
  bool FindFirst(const char* pattern);
  // True with the next match; false when no search is open or it is exhausted.
  bool FindNext();
  void Close();

  WIN32_FIND_DATAA m_findData;
  HANDLE m_hFind;
};
