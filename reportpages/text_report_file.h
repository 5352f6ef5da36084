#pragma once
// A report written as a plain text file, line by line, with columns at
// fixed character positions or separated by a separator text.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "win/win_types.h"

class KELT_CLASS CAFile {
 public:
  CAFile();
  ~CAFile();
  CAFile(const CAFile&) = delete;
  CAFile& operator=(const CAFile&) = delete;

  // create nonzero: a new file (replacing one); 0: an existing file,
  // appended to. 1 when open.
  int16_t OpenAFile(const char* path, const char* lineEnd, int16_t create);
  void CloseAFile();
  void InitLine();
  void AddToLine(int16_t column, const char* text);
  // Writes the line without its trailing blanks; 0 on a failed or short write.
  int16_t GoToNextLine();
  int16_t AdjustColumn(int16_t column);
  int16_t AdjustColumnNoBlanks(int16_t column);
  void AddSepColumn(int16_t column, const char* text);
  void AddQuoteSepColumn(int16_t column, const char* text);
  void SetTabColumnSeparator();
  void SetSpaceColumnSeparator();
  // The text in double quotes, its own quotes doubled.
  static std::string QuoteText(const std::string& text);

  char m_FileName[260];
  HANDLE m_File;
  int16_t m_Open;
  char m_Line[2000];
  char m_Separator[10];
  char m_LineEnd[10];
  int16_t m_Usable;

 private:
  void Put(int16_t at, const char* text);
  void AddColumn(int16_t column, const char* text, bool quoted);
};
