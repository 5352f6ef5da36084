#pragma once
// An ini text file held as its lines, so that edits keep every other line,
// comment and line ending as it was. Internal to the stand-in.
#include <string>
#include <string_view>
#include <vector>

namespace win::ini {

class IniFile {
 public:
  // Reads the file at a Linux path; false (and an empty file) when it
  // cannot be read.
  bool Load(const std::string& hostPath);
  // Writes the whole file to a temporary beside it and renames it over the
  // old one. False when the folder is missing or not writable.
  bool Save(const std::string& hostPath) const;
  // The file's bytes as Save would write them.
  std::string Text() const;

  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;
  // Key names of the first section of that name (keys without '=' too).
  std::vector<std::string> KeyNames(std::string_view section) const;
  // The value of a key, trimmed; false when absent or written without '='.
  bool Get(std::string_view section, std::string_view key, std::string* value) const;
  // The section's entries as "key=value" texts (comments left out).
  std::vector<std::string> SectionEntries(std::string_view section) const;

  void Set(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  void DeleteSection(std::string_view section);
  // Replaces the section's body with the given lines (appends the section
  // when it is missing).
  void ReplaceSection(std::string_view section, const std::vector<std::string>& lines);

 private:
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\n" or "" (last line without one)
  };
  // [begin, end) line indexes of each section named so (header included).
  struct Range { size_t header, end; };
  std::vector<Range> FindSections(std::string_view section) const;
  size_t InsertPointAtEnd(const Range& r) const;
  void AppendLine(std::string text);
  std::string DefaultEol() const;

  std::vector<Line> lines_;
  bool utf8Mark_ = false;  // a byte-order mark before the first line, kept
};

// Holds the exclusive write claim of a settings folder (between threads and
// processes) while a file in it is read, changed and replaced.
class FolderWriteLock {
 public:
  explicit FolderWriteLock(const std::string& hostPath);
  ~FolderWriteLock();
  FolderWriteLock(const FolderWriteLock&) = delete;
  FolderWriteLock& operator=(const FolderWriteLock&) = delete;

 private:
  int fd_ = -1;
};

// Case-insensitive equality of names, as the settings files compare them.
bool SameName(std::string_view a, std::string_view b);
std::string_view Trim(std::string_view s);

}  // namespace win::ini
