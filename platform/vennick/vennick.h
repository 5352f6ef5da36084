#pragma once
// The version archive and the security database of the workstation.
//
// A file under version control is its own archive: besides its content it
// holds the sections "VnkArchive" (the archive's state and the tip's facts)
// and "VnkVersion.<n>" (archived version n: its facts and every versioned
// section as it was). Every other section except the audit trail's is
// versioned. The tip is the file's current content, version last + 1.
//
// Storing a new tip is one step: CreateVersionArchive or WriteVersionReason
// opens it (archiving the old tip), the caller copies the new sections in,
// and CommitVersionTip writes all of it in one commit; AbortVersionTip, a
// failure or a process that dies before the commit leaves the file and its
// archive as they were. A step belongs to the calling thread, one file at
// a time.
//
// Results of the int32 calls: 0 (VNK_OK) or one of the error numbers below.
#include <cstdint>

#include "orvik32/orvik32.h"
#include "win/win_types.h"

#define VENNICK_API extern "C" __attribute__((visibility("default")))

#define VNK_ARCHIVE_SECTION "VnkArchive"
#define VNK_VERSION_STEM "VnkVersion."

#define VNK_OK 0
#define VNK_ERR_ARGUMENT 1    // a null or empty path or text where one is needed
#define VNK_ERR_FILE 2        // the file is missing or no sectioned file
#define VNK_ERR_WRITE 3       // the file could not be written (protected, disk full)
#define VNK_ERR_NO_ARCHIVE 4  // the file keeps no archive
#define VNK_ERR_DAMAGED 5     // an archive record does not read back whole
#define VNK_ERR_NO_VERSION 6  // no such version
#define VNK_ERR_STEP 7        // no step open for the file, or one open for another
#define VNK_ERR_BUFFER 8      // the buffer is too small; its first 2 bytes hold the size needed

#pragma pack(push, 1)
// What GetVersionArchiveInfo tells.
struct VERSION_ARCHIVE_INFO {
  char archiveName[260];  // the archive path given when it was created
  int32_t firstVersion;   // first archived version; 0 when none is archived
  int32_t lastVersion;    // last archived version; 0 when none is archived
  int32_t tipVersion;     // the tip (lastVersion + 1); 0 before the first tip
  int32_t createdTime;    // seconds since 1970, UTC
};
static_assert(sizeof(VERSION_ARCHIVE_INFO) == 276);

// The facts of one version (ReadTipVersionInfo, GetNextArchivedVersion).
struct VERSION_INFO_RECORD {
  uint16_t size;     // bytes of the record
  uint16_t reserved;
  int32_t version;
  int32_t savedTime;  // seconds since 1970, UTC
  char date[32];      // "mm/dd/yyyy hh:mm:ss", local time
  char user[64];
};
static_assert(sizeof(VERSION_INFO_RECORD) == 108);
#pragma pack(pop)

typedef void* HVERSIONTEXT;

// Creates the archive of file (a sectioned file) inside it, opening a step:
// content already in the file becomes tip version 1 saved with text, an
// empty file gets its first tip at the commit, described by text. The
// file's audit trail is started with text when it has none.
VENNICK_API int32_t CreateVersionArchive(const char* file, const char* archive, const char* text);
// Opens a step (unless open): the tip is archived as a version and the next
// tip will be described by reason.
VENNICK_API int32_t WriteVersionReason(const char* file, const char* reason);
// Nonzero for a section that belongs to a version's content.
VENNICK_API BOOL IsVersionedSection(const char* sectionName);
// Ends the step: the file's versioned sections become the new tip.
VENNICK_API int32_t CommitVersionTip(const char* file);
// Ends the step leaving everything as it was before it opened.
VENNICK_API int32_t AbortVersionTip(const char* file);

VENNICK_API int32_t GetVersionArchiveInfo(const char* file, VERSION_ARCHIVE_INFO* info);
// The tip's facts into buffer (size bytes); VNK_ERR_BUFFER with the size
// needed in its first 2 bytes when it is too small.
VENNICK_API int32_t ReadTipVersionInfo(const char* file, void* buffer, uint16_t size);
// The archived version after previous (0: the first), its facts into
// record (size bytes); 0 when none is left or the record is too small.
VENNICK_API int32_t GetNextArchivedVersion(const char* file, int32_t previous, void* record, uint16_t size);
// The description of a version (the tip's too), line by line: 1 while a
// line was read into buffer (size bytes, cut to fit), 0 at the end.
VENNICK_API HVERSIONTEXT OpenVersionText(const char* file, int32_t version);
VENNICK_API int32_t ReadVersionTextLine(HVERSIONTEXT text, char* buffer, int32_t size);
VENNICK_API void CloseVersionText(HVERSIONTEXT text);
// Writes archived version (below the tip) of file into target, a new
// sectioned file of the file's type and format holding that version's
// sections byte for byte; an earlier target is replaced only when the whole
// version was written.
VENNICK_API int32_t ExtractArchivedVersion(const char* file, int32_t version, const char* target);

// ---- Security database ----------------------------------------------------
// Reasons for a version change: the workstation ini's section
// "VersionReasons", "Count" and "Reason<n>" = "<kind>,<text>" (n from 1),
// kind 1 a predefined reason, 0 an entry that asks for free text.
// Adds them to combo (CB_ADDSTRING, item data = kind); 0 when the list is
// damaged (a count or a kind that does not read), and the combo is then
// left empty.
VENNICK_API BOOL WSecFillReasonCB(HWND dialog, HWND combo);
