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
// Where a file the update added (there was none before) is marked in the
// backup folder, so that the uninstaller removes it.
std::string AddedMarkPathFor(const std::string& backupFolder, const std::string& installedPath);
// Records a path the update installed as the next numbered value under the
// patch registry key; false (the counter unchanged) when it could not be
// written.
bool RecordBackup(const std::string& installedPath);
// Keeps the way back before a file is replaced, added or removed: the file
// as it is now copied into the backup folder (or, when there is none, a
// mark that it is added), then its record. Only then may the caller touch
// the file, so a run stopped at any point leaves every changed file with
// its record and its backup. The first state kept in a backup folder stays:
// it is the one before the update. False (nothing touched) when the copy,
// the mark or the record could not be written.
bool KeepWayBack(const std::string& destPath);
// REG_SZ value under HKEY_LOCAL_MACHINE\<patch key>, made with the key.
bool WriteSetupRegValue(const std::string& name, const std::string& value);
bool DeleteSetupRegValue(const std::string& name);
// A text value of any length under an HKEY_LOCAL_MACHINE key, with its type
// (the terminating NUL, when stored, left out).
bool ReadRegistryText(const std::string& key, const char* name, std::string* value, DWORD* type);

}  // namespace setup
