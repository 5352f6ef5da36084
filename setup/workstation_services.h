#pragma once
// The workstation's services, bound by name from its own library
// ("Orvik32.dll") for each call and released after it. The library is
// loaded by its full path in the destination folder, never through the
// current folder. A missing library or export gives 0.
#include <cstdint>
#include <string>

namespace setup {

int WsSoftwareRegKey(std::string* base);
// The workstation ini path from the library in folder; empty when none.
std::string WsZephIni(const std::string& folder);
// False when the library cannot be loaded; version text and system string
// otherwise (empty when the exports are missing).
bool WsVersionAndSysString(std::string* version, std::string* sysString);
int WsServicePackLevel();
int WsSetServicePackLevel(int level);
int WsAddHotFix(int number, const std::string& text);
int WsDeleteHotFix(int number);
// The next recorded hot fix after previous, 0 when none.
int WsEnumHotFixes(int previous, int32_t* time, std::string* text);
// Configuration sections; library loaded from the workstation's Directory.
// -1 when the library or the export is missing.
int WsIsAppSection(const std::string& directory, const std::string& configFile, const std::string& section);
int WsAppendFileToSection(const std::string& directory, const std::string& configFile, const std::string& textFile,
                          const std::string& section);
// Keldor's RemoveFileFromValidationData, from the source folder; -2 when
// the library or the export is missing.
int KeldorRemoveFromValidationData(const std::string& validationFile, const std::string& name);

}  // namespace setup
