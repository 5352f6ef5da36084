// The audit trail of a data file: a text section of dated entries, kept in
// the file itself so that it travels with the data.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "win/win_crt.h"
#include "orvik32.h"
#include "orvik32_batches.h"
#include "whole_sections.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

const char kSecurity[] = "Security";

bool SameText(const char* a, const char* b) { return _stricmp(a, b) == 0; }

std::string UserName() {
  char name[AUDIT_USER_NAME_SIZE] = "";
  GetCurrentUserName(name);
  return name;
}

std::string Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

// Each line of text (split at CR or LF, empty lines dropped), indented.
std::string DetailLines(const char* text) {
  std::string out, line;
  for (const char* p = text ? text : "";; ++p) {
    if (*p == '\r' || *p == '\n' || *p == 0) {
      if (!line.empty()) out += "    " + line + "\r\n";
      line.clear();
      if (*p == 0) break;
    } else {
      line += *p;
    }
  }
  return out;
}

std::string Entry(const std::string& user, const char* text) {
  return Now() + "  " + user + "  " + (text ? text : "") + "\r\n";
}

}  // namespace

BOOL IsSecurityEnabled() {
  try {
    return GetPrivateProfileIntA(kSecurity, "Enabled", 0, GetWorkstationIniPath()) != 0 ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL GetCurrentUserName(char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  try {
    GetPrivateProfileStringA(kSecurity, "UserName", "", buffer, AUDIT_USER_NAME_SIZE, GetWorkstationIniPath());
    if (!buffer[0]) {
      DWORD size = AUDIT_USER_NAME_SIZE;
      if (!GetUserNameA(buffer, &size)) buffer[0] = 0;
    }
    buffer[AUDIT_USER_NAME_SIZE - 1] = 0;
    return buffer[0] ? TRUE : FALSE;
  } catch (...) {
    buffer[0] = 0;
    return FALSE;
  }
}

BOOL AuditTrailExists(const char* path) {
  try {
    return path && *path && SectionExists(path, AUDIT_TRAIL_SECTION) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL FillAuditTrailInfo(char* buffer, int32_t size) {
  if (!buffer || size < 1) return FALSE;
  buffer[0] = 0;
  try {
    char computer[64] = "";
    DWORD n = sizeof computer;
    if (!GetComputerNameA(computer, &n)) computer[0] = 0;
    std::snprintf(buffer, static_cast<size_t>(size), "User: %s\r\nComputer: %s\r\nDate: %s", UserName().c_str(),
                  computer, Now().c_str());
    return TRUE;
  } catch (...) {
    buffer[0] = 0;
    return FALSE;
  }
}

int32_t CreateAuditTrail(const char* path, const char* user, const char* text, const char* info) {
  if (!path || !*path) return AUDIT_ERR_ARGUMENT;
  try {
    if (AuditTrailExists(path)) return AUDIT_ERR_EXISTS;
    const std::string who = (!user || !*user || SameText(user, path)) ? UserName() : std::string(user);
    const std::string trail = Entry(who, text) + DetailLines(info);
    return orvik::WriteWholeSection(path, AUDIT_TRAIL_SECTION, trail) ? AUDIT_OK : AUDIT_ERR_WRITE;
  } catch (...) {
    return AUDIT_ERR_WRITE;
  }
}

int32_t AddAuditTrailEntry(const char* path, const char* text) {
  if (!path || !*path) return AUDIT_ERR_ARGUMENT;
  try {
    std::string trail, notes;
    if (!orvik::ReadWholeSection(path, AUDIT_TRAIL_SECTION, &trail)) return AUDIT_ERR_NO_TRAIL;
    const bool noted = orvik::ReadWholeSection(path, AUDIT_NOTES_SECTION, &notes);
    trail += Entry(UserName(), text);
    // Each noted section once, in the order noted.
    std::vector<std::string> seen;
    std::string listed;
    size_t start = 0;
    while (start < notes.size()) {
      size_t end = notes.find("\r\n", start);
      if (end == std::string::npos) end = notes.size();
      std::string name = notes.substr(start, end - start);
      start = end + 2;
      if (name.empty()) continue;
      bool dup = false;
      for (const std::string& s : seen) dup = dup || SameText(s.c_str(), name.c_str());
      if (dup) continue;
      seen.push_back(name);
      listed += "    Section changed: " + name + "\r\n";
    }
    trail += listed;
    // The entry and the clearing of the notes it lists land together, or
    // an interruption between them would list the notes again next time.
    const bool batch = noted && BeginSectionBatch(path);
    if (!orvik::WriteWholeSection(path, AUDIT_TRAIL_SECTION, trail)) {
      if (batch) AbortSectionBatch(path);
      return AUDIT_ERR_WRITE;
    }
    if (noted) DeleteSection(path, AUDIT_NOTES_SECTION);
    if (batch && !CommitSectionBatch(path)) return AUDIT_ERR_WRITE;
    return AUDIT_OK;
  } catch (...) {
    return AUDIT_ERR_WRITE;
  }
}

int32_t NoteAuditSection(const char* path, const char* sectionName) {
  if (!path || !*path || !sectionName || !*sectionName) return AUDIT_ERR_ARGUMENT;
  try {
    std::string notes;
    orvik::ReadWholeSection(path, AUDIT_NOTES_SECTION, &notes);
    notes += std::string(sectionName) + "\r\n";
    return orvik::WriteWholeSection(path, AUDIT_NOTES_SECTION, notes) ? AUDIT_OK : AUDIT_ERR_WRITE;
  } catch (...) {
    return AUDIT_ERR_WRITE;
  }
}
