// Storing versions through the archive calls, in the order the archive
// expects them: archive, reason, section copies, tip.
#include "dialogs/audit_trail_writer.h"

#include <cstdio>
#include <cstring>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_controls.h"
#include "win/win_user.h"

namespace {

void Exclaim(const std::string& text) { MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION); }

std::string Format(const char* format, long value) {
  char text[300];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The versioned sections of source copied into target, in one step of the
// target's archive when one is open; false at the first copy that fails.
// Every section is listed whatever the length of its name, so no part of
// a version is left behind.
bool CopyVersioned(const char* source, const char* target) {
  HSECTION listing = FindSectionsByStem(source, "");
  if (!listing) return false;
  bool ok = true;
  const int32_t count = CountSectionMatches(listing);
  for (int32_t i = 0; ok && i < count; ++i) {
    char name[300] = {};
    ok = GetSectionMatchName(listing, i, name, sizeof name) != FALSE;
    if (ok && IsVersionedSection(name)) ok = CopySection(source, name, target, name) != FALSE;
  }
  CloseSection(listing);
  return ok;
}

}  // namespace

namespace kelt::arch {

bool HasRight(int bit) { return ((GetCurrentUserRights() >> bit) & 1) != 0; }

bool CheckRight(int bit, const char* message) {
  if (HasRight(bit)) return true;
  MessageBeep(MB_ICONEXCLAMATION);
  MessageBoxA(nullptr, message, nullptr, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

int16_t FileTypeCode(const char* path) {
  SECTION_FILE_RECORD record{};
  const HSECTFILE h = OpenSectionFile(path, &record, SECTION_FILE_READ, 0);
  if (h == -1) return 0;
  CloseSectionFile(h);
  int16_t type = 0;
  std::memcpy(&type, record.bytes + SECTION_FILE_RECORD_TYPE_OFFSET, sizeof type);
  return type;
}

}  // namespace kelt::arch

CAuditTrailWriter::CAuditTrailWriter(const char* file, const char* archive, int16_t type)
    : m_file(file ? file : ""), m_archive(archive ? archive : ""), m_type(type) {}

CAuditTrailWriter::~CAuditTrailWriter() = default;

bool CAuditTrailWriter::ArchiveVersion(const char* source, const char* reason) {
  bool ok = false;
  if (FileExists(m_file.c_str()) && IsSectionFileOfType(m_file.c_str(), m_type)) {
    VERSION_ARCHIVE_INFO info;
    const bool archived = !m_archive.empty() && FileExists(m_archive.c_str()) &&
                          GetVersionArchiveInfo(m_file.c_str(), &info) == VNK_OK;
    if (!archived || !AuditTrailExists(m_file.c_str())) {
      const int32_t r = CreateVersionArchive(m_file.c_str(), m_archive.c_str(), "Created Audit Trail.");
      if (r != 0) {
        Exclaim(Format("There was an error (%d) creating the initial Audit Trail!", r));
        return false;
      }
    }
    ok = WriteReason(reason);
  } else {
    ok = CreateTrail(reason);
  }
  return ok && WriteTip(source);
}

bool CAuditTrailWriter::CreateTrail(const char* text) {
  if (!FileExists(m_file.c_str()) || !IsSectionFileOfType(m_file.c_str(), m_type)) {
    SECTION_FILE_RECORD record{};
    CreateSectionFile(&record, m_type, 0, 0);
    const HSECTFILE h = OpenSectionFile(m_file.c_str(), &record, SECTION_FILE_READ_WRITE, 2);
    if (h != -1) CloseSectionFile(h);
  }
  const int32_t r = CreateVersionArchive(m_file.c_str(), m_archive.c_str(), text ? text : "");
  if (r != 0) {
    Exclaim(Format("There was an error (%d) creating the initial Audit Trail!", r));
    return false;
  }
  return true;
}

bool CAuditTrailWriter::WriteReason(const char* reason) {
  const int32_t r = WriteVersionReason(m_file.c_str(), reason ? reason : "");
  if (r != 0) {
    Exclaim(Format("There was an error (%d) writing the Audit Trail!", r));
    return false;
  }
  return true;
}

bool CAuditTrailWriter::WriteTip(const char* source) {
  // A tip is committed only whole: a failed copy abandons the step, so the
  // file and its archive keep the previous tip.
  bool ok = source && CopyVersioned(source, m_file.c_str());
  if (ok) {
    ok = CommitVersionTip(m_file.c_str()) == VNK_OK;
  } else {
    AbortVersionTip(m_file.c_str());
  }
  if (!ok) {
    char text[400];
    std::snprintf(text, sizeof text, "There was an error writing the Audit Trail tip.\n%s.", m_file.c_str());
    Exclaim(text);
  }
  return ok;
}

bool CAuditTrailWriter::AddComment(const char* text) {
  if (!text || !*text) return true;
  return AddAuditTrailEntry(m_file.c_str(), text) == 0;
}

bool CAuditTrailWriter::GetArchiveInfo(VERSION_ARCHIVE_INFO* info) {
  return info && GetVersionArchiveInfo(m_file.c_str(), info) == VNK_OK;
}

std::string CAuditTrailWriter::VersionText(int32_t version) {
  std::string text;
  HVERSIONTEXT t = OpenVersionText(m_file.c_str(), version);
  if (!t) return text;
  char line[512];
  while (ReadVersionTextLine(t, line, sizeof line) == 1) {
    text += "\r\n";
    text += line;
  }
  CloseVersionText(t);
  return text;
}

bool CAuditTrailWriter::ReadTipInfo(VERSION_INFO_RECORD* info, std::string* text) {
  if (!info) return false;
  uint16_t needed = 0;
  if (ReadTipVersionInfo(m_file.c_str(), &needed, sizeof needed) != VNK_ERR_BUFFER || needed < sizeof *info)
    return false;
  std::string buffer(needed, '\0');
  if (ReadTipVersionInfo(m_file.c_str(), buffer.data(), needed) != VNK_OK) return false;
  std::memcpy(info, buffer.data(), sizeof *info);
  if (text) *text = VersionText(info->version);
  return true;
}

int32_t CAuditTrailWriter::NextVersion(int32_t previous, VERSION_INFO_RECORD* info, std::string* text) {
  if (!info) return 0;
  const int32_t v = GetNextArchivedVersion(m_file.c_str(), previous, info, sizeof *info);
  if (v && text) *text = VersionText(v);
  return v;
}

bool CAuditTrailWriter::ExtractVersion(int32_t version, const char* target) {
  return ExtractArchivedVersion(m_file.c_str(), version, target) == VNK_OK;
}

bool CAuditTrailWriter::CopyTipToFile(const char* target) {
  if (!target || !CopyVersioned(m_file.c_str(), target)) {
    char text[400];
    std::snprintf(text, sizeof text, "There was an error writing the Audit Trail tip.\n%s.", target ? target : "");
    Exclaim(text);
    return false;
  }
  return true;
}
