// File search over the platform's find-first/find-next calls.
#include "common/file_finder.h"

#include <cstring>

CFileFinder::CFileFinder() : m_hFind(INVALID_HANDLE_VALUE) { std::memset(&m_findData, 0, sizeof m_findData); }

CFileFinder::~CFileFinder() { Close(); }

bool CFileFinder::FindFirst(const char* pattern) {
  Close();
  if (!pattern) return false;
  m_hFind = FindFirstFileA(pattern, &m_findData);
  return m_hFind != INVALID_HANDLE_VALUE;
}

bool CFileFinder::FindNext() {
  if (m_hFind == INVALID_HANDLE_VALUE) return false;
  return FindNextFileA(m_hFind, &m_findData) != FALSE;
}

void CFileFinder::Close() {
  if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind);
  m_hFind = INVALID_HANDLE_VALUE;
}
