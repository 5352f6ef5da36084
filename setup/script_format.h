#pragma once
// The install script "setup.ini": a private-profile file the installer only
// reads. Absent keys read as "znone"; values are split into comma fields;
// numbered keys run from 1 to the first absent one.
#include <string>
#include <vector>

namespace setup {

inline constexpr const char* kNone = "znone";

// Value lengths as the script's keys are read (terminator excluded).
inline constexpr size_t kValueLength = 259;
inline constexpr size_t kHotFixLength = 1023;
inline constexpr size_t kPostRunLength = 511;
inline constexpr size_t kComponentsSize = 16383;

// True for "znone" in any case: the key counts as absent.
bool IsNone(const std::string& value);
// The value of a key, "znone" when it is absent; at most maxLength bytes.
std::string ReadScriptValue(const std::string& script, const std::string& section, const std::string& key,
                            size_t maxLength = kValueLength);
// The value, or def when the key is absent or "znone".
std::string ReadScriptText(const std::string& script, const std::string& section, const std::string& key,
                           const std::string& def, size_t maxLength = kValueLength);
int ReadScriptInt(const std::string& script, const std::string& section, const std::string& key, int def);
// The lines of a whole section as GetPrivateProfileSection gives them.
std::vector<std::string> ReadScriptSection(const std::string& script, const std::string& section,
                                           size_t maxSize = kComponentsSize);

// Field n (1-based) of a comma-separated value: blanks and tabs before it
// skipped, trailing blanks kept. False when the field is missing.
bool GetField(const std::string& value, int n, std::string* field);
// Numbered keys prefix + "1", prefix + "2" ... up to the first absent one.
std::vector<std::string> ReadNumberedValues(const std::string& script, const std::string& section,
                                            const std::string& prefix, size_t maxLength = kValueLength);
// The section name of a [Components] line: the text after its first "=".
// False for a line without "=". Lines starting with ";" are comments and
// give true with an empty name.
bool ComponentSectionName(const std::string& line, std::string* name);

// Destination keywords of file lines, in the order of the file job.
enum DestKeyword { kDest = 0, kWindows = 1, kSystem = 2, kAlternate1 = 3, kAlternate2 = 4, kBrowse = 5, kAsIs = 6 };
// -1 for an unknown keyword (case ignored).
int ParseDestKeyword(const std::string& word);
// File modes of file lines.
enum FileMode { kUpdate = 0, kNever = 1, kAlways = 2, kRemove = 3 };
int ParseFileMode(const std::string& word);

std::string WithoutQuotes(const std::string& text);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool ContainsNoCase(const std::string& text, const std::string& part);
std::string Upper(std::string text);

}  // namespace setup
