#pragma once
// Installing one file of a component: update, keep, replace or remove it,
// with a backup for uninstalling, version comparison, expansion of
// compressed sources and self-registration.
#include <string>

#include "win/win_types.h"
#include "win/win_version.h"

namespace setup {

// 1 when the line was handled (also when a copy failed), 0 when it could
// not start.
int InstallFile(HWND dlg, const std::string& sourcePath, const std::string& destName, int keyword,
                const std::string& subFolder, int mode, int keep, int selfRegister);
// 1 when the file has a version (the fixed block filled), else 0 with the
// block zeroed.
int GetFileVersionNumbers(const std::string& path, VS_FIXEDFILEINFO* fixed);
void SelfRegisterFile(const std::string& path);
int RemoveFromValidationData(const std::string& name);
// 1 when every match was deleted (or none exists).
int DeleteMatchingFiles(const std::string& pattern, int* count);
// Where the backup of an installed file lives in the backup folder: its
// full path with the drive's colon left out, so files of one name in
// different folders keep backups of their own.
std::string BackupPathFor(const std::string& backupFolder, const std::string& installedPath);
// Records a path the update installed as the next numbered value under the
// patch registry key.
void RecordBackup(const std::string& installedPath);
// REG_SZ value under HKEY_LOCAL_MACHINE\<patch key>, made with the key.
bool WriteSetupRegValue(const std::string& name, const std::string& value);

}  // namespace setup
