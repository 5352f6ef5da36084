#pragma once
// Text files written whole and then put in place, so a reader never sees
// half of one, and the temporary files of the log and description code.
#include <cstdio>
#include <string>

namespace kelt::textfile {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // an uncommitted file is abandoned: the target is untouched
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Starts the file at path (a Windows-style path); false when the
  // temporary beside it cannot be made.
  bool Open(const char* path);
  FILE* Stream() const { return m_stream; }
  // Puts the written file in place of path: true when it holds text. An
  // empty file removes path (the writers' "empty file is deleted" rule);
  // a failed write leaves whatever was at path.
  bool Commit();

 private:
  void Abandon();
  FILE* m_stream = nullptr;
  std::string m_path, m_temp;
};

// A new empty file in the temporary folder named with the prefix
// ("vvv", "YYY" ...); "" when none could be made.
std::string MakeTempFile(const char* prefix);
// Whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// fputs that also counts failures into ok.
void Put(FILE* f, const char* text, bool& ok);

}  // namespace kelt::textfile
