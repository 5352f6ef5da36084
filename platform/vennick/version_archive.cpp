// The version archive kept inside each file under version control. One
// tip is stored in one batch of the file's store, so the archive never
// holds half a version and the file never half a tip.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "orvik32/whole_sections.h"
#include "vennick.h"
#include "version_records.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"

namespace {

using vennick::ArchiveState;
using vennick::VersionRecord;

// The step open on this thread.
struct Step {
  bool open = false;
  std::string file;
  ArchiveState state;
  std::string reason;
};
thread_local Step t_step;

bool SamePath(const std::string& a, const char* b) { return _stricmp(a.c_str(), b) == 0; }

std::string VersionSectionName(int32_t version) { return VNK_VERSION_STEM + std::to_string(version); }

std::string UserName() {
  char name[AUDIT_USER_NAME_SIZE] = "";
  GetCurrentUserName(name);
  return name;
}

// VNK_OK with the archive's state; VNK_ERR_NO_ARCHIVE when there is none.
int32_t LoadState(const char* file, ArchiveState* state) {
  if (!SectionExists(file, VNK_ARCHIVE_SECTION)) return VNK_ERR_NO_ARCHIVE;
  std::string bytes;
  if (!orvik::ReadWholeSection(file, VNK_ARCHIVE_SECTION, &bytes)) return VNK_ERR_DAMAGED;
  return vennick::ParseArchiveState(bytes.data(), bytes.size(), state) ? VNK_OK : VNK_ERR_DAMAGED;
}

bool ValidPath(const char* path) { return path && *path; }

int32_t CheckFile(const char* file) {
  if (!ValidPath(file)) return VNK_ERR_ARGUMENT;
  if (GetSectionFileType(file, nullptr) == -1) return VNK_ERR_FILE;
  if (IsFileWriteProtected(file)) return VNK_ERR_WRITE;
  return VNK_OK;
}

// Opens the step for file; a step open for it already is kept.
int32_t OpenStep(const char* file) {
  if (t_step.open) return SamePath(t_step.file, file) ? VNK_OK : VNK_ERR_STEP;
  if (!BeginSectionBatch(file)) return VNK_ERR_STEP;
  t_step = Step{};
  t_step.open = true;
  t_step.file = file;
  return VNK_OK;
}

void CloseStep(bool commit, bool* committed) {
  if (!t_step.open) return;
  if (commit) {
    *committed = CommitSectionBatch(t_step.file.c_str()) != FALSE;
  } else {
    AbortSectionBatch(t_step.file.c_str());
  }
  t_step = Step{};
}

// The versioned sections of file, sorted by name, with their bytes.
bool ReadVersionedSections(const char* file, std::vector<vennick::SectionCopy>* out) {
  out->clear();
  HSECTION listing = FindSectionsByStem(file, "");
  if (!listing) return false;
  bool ok = true;
  const int32_t count = CountSectionMatches(listing);
  for (int32_t i = 0; ok && i < count; ++i) {
    char name[300] = {};
    if (!GetSectionMatchName(listing, i, name, sizeof name)) {
      ok = false;
      break;
    }
    if (!IsVersionedSection(name)) continue;
    vennick::SectionCopy copy;
    copy.name = name;
    ok = orvik::ReadWholeSection(file, name, &copy.bytes);
    out->push_back(std::move(copy));
  }
  CloseSection(listing);
  return ok;
}

// Archives the tip's content as version state->tipVersion (inside the step).
int32_t ArchiveTip(const char* file, ArchiveState* state) {
  VersionRecord record;
  record.version = state->tipVersion;
  record.savedTime = state->tipTime;
  record.user = state->tipUser;
  record.reason = state->tipReason;
  uint16_t format = 0;
  record.typeCode = GetSectionFileType(file, &format);
  record.formatWord = format;
  if (!ReadVersionedSections(file, &record.sections)) return VNK_ERR_DAMAGED;
  if (!orvik::WriteWholeSection(file, VersionSectionName(record.version).c_str(), vennick::FormatVersionRecord(record)))
    return VNK_ERR_WRITE;
  state->archivedCount = state->tipVersion;
  return VNK_OK;
}

void FillInfo(int32_t version, int32_t time, const std::string& user, VERSION_INFO_RECORD* info) {
  std::memset(info, 0, sizeof *info);
  info->size = sizeof *info;
  info->version = version;
  info->savedTime = time;
  std::tm tm{};
  if (win::crt::LocalTime32(time, &tm))
    std::snprintf(info->date, sizeof info->date, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  std::snprintf(info->user, sizeof info->user, "%s", user.c_str());
}

struct VersionText {
  std::vector<std::string> lines;
  size_t next = 0;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\n';
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (c == '\n' || c == '\r') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

int32_t ReadVersion(const char* file, int32_t version, VersionRecord* record, bool withSections) {
  std::string bytes;
  const std::string name = VersionSectionName(version);
  if (!SectionExists(file, name.c_str())) return VNK_ERR_NO_VERSION;
  if (!orvik::ReadWholeSection(file, name.c_str(), &bytes)) return VNK_ERR_DAMAGED;
  if (!vennick::ParseVersionRecord(bytes.data(), bytes.size(), record, withSections)) return VNK_ERR_DAMAGED;
  return record->version == version ? VNK_OK : VNK_ERR_DAMAGED;
}

}  // namespace

BOOL IsVersionedSection(const char* sectionName) {
  if (!sectionName || !*sectionName) return FALSE;
  if (_strnicmp(sectionName, "Vnk", 3) == 0) return FALSE;
  if (_stricmp(sectionName, AUDIT_TRAIL_SECTION) == 0 || _stricmp(sectionName, AUDIT_NOTES_SECTION) == 0)
    return FALSE;
  return TRUE;
}

int32_t CreateVersionArchive(const char* file, const char* archive, const char* text) {
  try {
    if (const int32_t r = CheckFile(file)) return r;
    ArchiveState existing;
    const int32_t loaded = LoadState(file, &existing);
    if (loaded == VNK_ERR_DAMAGED) return loaded;  // never written over
    if (const int32_t r = OpenStep(file)) return r;
    if (loaded == VNK_OK) {
      t_step.state = existing;
    } else {
      ArchiveState& s = t_step.state;
      s = ArchiveState{};
      s.archiveName = ValidPath(archive) ? archive : file;
      s.createdTime = GetCurrentDateTime();
      std::vector<vennick::SectionCopy> content;
      if (!ReadVersionedSections(file, &content)) {
        bool ignored = false;
        CloseStep(false, &ignored);
        return VNK_ERR_DAMAGED;
      }
      if (!content.empty()) {
        s.tipVersion = 1;
        s.tipTime = s.createdTime;
        s.tipUser = UserName();
        s.tipReason = text ? text : "";
      }
      if (!orvik::WriteWholeSection(file, VNK_ARCHIVE_SECTION, vennick::FormatArchiveState(s))) {
        bool ignored = false;
        CloseStep(false, &ignored);
        return VNK_ERR_WRITE;
      }
    }
    t_step.reason = text ? text : "";
    if (!AuditTrailExists(file)) {
      char info[AUDIT_INFO_TEXT_SIZE] = "";
      FillAuditTrailInfo(info, sizeof info);
      if (CreateAuditTrail(file, file, text ? text : "", info) != AUDIT_OK) {
        bool ignored = false;
        CloseStep(false, &ignored);
        return VNK_ERR_WRITE;
      }
    }
    return VNK_OK;
  } catch (...) {
    bool ignored = false;
    CloseStep(false, &ignored);
    return VNK_ERR_WRITE;
  }
}

int32_t WriteVersionReason(const char* file, const char* reason) {
  try {
    if (const int32_t r = CheckFile(file)) return r;
    const bool wasOpen = t_step.open;
    if (!wasOpen) {
      ArchiveState state;
      if (const int32_t r = LoadState(file, &state)) return r;
      if (const int32_t r = OpenStep(file)) return r;
      t_step.state = state;
    } else if (!SamePath(t_step.file, file)) {
      return VNK_ERR_STEP;
    }
    ArchiveState& s = t_step.state;
    if (s.tipVersion > 0 && s.archivedCount < s.tipVersion) {
      if (const int32_t r = ArchiveTip(file, &s)) {
        bool ignored = false;
        CloseStep(false, &ignored);
        return r;
      }
    }
    t_step.reason = reason ? reason : "";
    return VNK_OK;
  } catch (...) {
    bool ignored = false;
    CloseStep(false, &ignored);
    return VNK_ERR_WRITE;
  }
}

int32_t CommitVersionTip(const char* file) {
  if (!ValidPath(file)) return VNK_ERR_ARGUMENT;
  if (!t_step.open || !SamePath(t_step.file, file)) return VNK_ERR_STEP;
  try {
    ArchiveState& s = t_step.state;
    // An unarchived tip (an archive made over content, then written over
    // without a reason) is replaced in place.
    s.tipVersion = s.tipVersion > s.archivedCount ? s.tipVersion : s.archivedCount + 1;
    s.tipTime = GetCurrentDateTime();
    s.tipUser = UserName();
    s.tipReason = t_step.reason;
    if (!orvik::WriteWholeSection(file, VNK_ARCHIVE_SECTION, vennick::FormatArchiveState(s))) {
      bool ignored = false;
      CloseStep(false, &ignored);
      return VNK_ERR_WRITE;
    }
    bool committed = false;
    CloseStep(true, &committed);
    return committed ? VNK_OK : VNK_ERR_WRITE;
  } catch (...) {
    bool ignored = false;
    CloseStep(false, &ignored);
    return VNK_ERR_WRITE;
  }
}

int32_t AbortVersionTip(const char* file) {
  if (!ValidPath(file)) return VNK_ERR_ARGUMENT;
  if (!t_step.open || !SamePath(t_step.file, file)) return VNK_ERR_STEP;
  bool ignored = false;
  CloseStep(false, &ignored);
  return VNK_OK;
}

int32_t GetVersionArchiveInfo(const char* file, VERSION_ARCHIVE_INFO* info) {
  if (!ValidPath(file) || !info) return VNK_ERR_ARGUMENT;
  try {
    if (GetSectionFileType(file, nullptr) == -1) return VNK_ERR_FILE;
    ArchiveState s;
    if (const int32_t r = LoadState(file, &s)) return r;
    std::memset(info, 0, sizeof *info);
    std::snprintf(info->archiveName, sizeof info->archiveName, "%s", s.archiveName.c_str());
    info->firstVersion = s.archivedCount > 0 ? 1 : 0;
    info->lastVersion = s.archivedCount;
    info->tipVersion = s.tipVersion;
    info->createdTime = s.createdTime;
    return VNK_OK;
  } catch (...) {
    return VNK_ERR_DAMAGED;
  }
}

int32_t ReadTipVersionInfo(const char* file, void* buffer, uint16_t size) {
  if (!ValidPath(file) || !buffer || size < 2) return VNK_ERR_ARGUMENT;
  if (size < sizeof(VERSION_INFO_RECORD)) {
    const uint16_t needed = sizeof(VERSION_INFO_RECORD);
    std::memcpy(buffer, &needed, sizeof needed);
    return VNK_ERR_BUFFER;
  }
  try {
    ArchiveState s;
    if (const int32_t r = LoadState(file, &s)) return r;
    if (s.tipVersion <= 0) return VNK_ERR_NO_VERSION;
    VERSION_INFO_RECORD info;
    FillInfo(s.tipVersion, s.tipTime, s.tipUser, &info);
    std::memcpy(buffer, &info, sizeof info);
    return VNK_OK;
  } catch (...) {
    return VNK_ERR_DAMAGED;
  }
}

int32_t GetNextArchivedVersion(const char* file, int32_t previous, void* record, uint16_t size) {
  if (!ValidPath(file) || !record || size < sizeof(VERSION_INFO_RECORD)) return 0;
  try {
    ArchiveState s;
    if (LoadState(file, &s)) return 0;
    const int32_t next = previous < 0 ? 1 : previous + 1;
    if (next < 1 || next > s.archivedCount) return 0;
    VersionRecord v;
    VERSION_INFO_RECORD info;
    if (ReadVersion(file, next, &v, false) == VNK_OK) {
      FillInfo(next, v.savedTime, v.user, &info);
    } else {
      // Listed all the same, so that the versions after it stay reachable.
      FillInfo(next, 0, "(damaged version record)", &info);
      info.date[0] = 0;
    }
    std::memcpy(record, &info, sizeof info);
    return next;
  } catch (...) {
    return 0;
  }
}

HVERSIONTEXT OpenVersionText(const char* file, int32_t version) {
  if (!ValidPath(file)) return nullptr;
  try {
    ArchiveState s;
    if (LoadState(file, &s)) return nullptr;
    std::string reason;
    if (version == s.tipVersion && version > 0) {
      reason = s.tipReason;
    } else if (version >= 1 && version <= s.archivedCount) {
      VersionRecord v;
      if (ReadVersion(file, version, &v, false)) return nullptr;
      reason = v.reason;
    } else {
      return nullptr;
    }
    auto* text = new VersionText;
    text->lines = SplitLines(reason);
    return text;
  } catch (...) {
    return nullptr;
  }
}

int32_t ReadVersionTextLine(HVERSIONTEXT handle, char* buffer, int32_t size) {
  auto* text = static_cast<VersionText*>(handle);
  if (!text || !buffer || size < 1) return 0;
  if (text->next >= text->lines.size()) return 0;
  std::snprintf(buffer, size_t(size), "%s", text->lines[text->next++].c_str());
  return 1;
}

void CloseVersionText(HVERSIONTEXT handle) { delete static_cast<VersionText*>(handle); }

int32_t ExtractArchivedVersion(const char* file, int32_t version, const char* target) {
  if (!ValidPath(file) || !ValidPath(target)) return VNK_ERR_ARGUMENT;
  if (_stricmp(file, target) == 0) return VNK_ERR_ARGUMENT;
  try {
    ArchiveState s;
    if (const int32_t r = LoadState(file, &s)) return r;
    if (version < 1 || version > s.archivedCount) return VNK_ERR_NO_VERSION;
    VersionRecord v;
    if (const int32_t r = ReadVersion(file, version, &v, true)) return r;
    // Built beside the target under a name of its own, then put in place.
    const std::string staging = std::string(target) + ".vnk~";
    DeleteFileA(staging.c_str());
    if (!CreateSectionFileAtPath(staging.c_str(), v.typeCode, 0, v.formatWord)) return VNK_ERR_WRITE;
    bool ok = BeginSectionBatch(staging.c_str()) != FALSE;
    if (ok) {
      for (const auto& section : v.sections) {
        if (!orvik::WriteWholeSection(staging.c_str(), section.name.c_str(), section.bytes)) {
          ok = false;
          break;
        }
      }
      if (ok) {
        ok = CommitSectionBatch(staging.c_str()) != FALSE;
      } else {
        AbortSectionBatch(staging.c_str());
      }
    }
    if (ok) ok = MoveFileExA(staging.c_str(), target, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) {
      DeleteFileA(staging.c_str());
      return VNK_ERR_WRITE;
    }
    return VNK_OK;
  } catch (...) {
    return VNK_ERR_DAMAGED;
  }
}
