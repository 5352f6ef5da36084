#pragma once
// The workstation's common-services library: the shared allocator, the
// sectioned-file store that holds every data, method and reports file,
// file claims, the workstation folders, date and time.
#include <cstdint>
#include <cstdio>
#include "win/win_types.h"

#define ORVIK_API extern "C" __attribute__((visibility("default")))

// ---- Allocator -----------------------------------------------------------
// Blocks come back zero-filled; GetBlockSize gives the byte count asked for.
ORVIK_API void* AllocBlock(uint32_t byteCount);
ORVIK_API void FreeBlock(void* block);
// New block, or 0 with the old block left valid.
ORVIK_API void* ReallocBlock(void* block, uint32_t newByteCount);
ORVIK_API uint32_t GetBlockSize(const void* block);
// Blocks handed out and not yet freed, across the process: lets a caller
// check who freed what.
ORVIK_API uint32_t GetLiveBlockCount();

// ---- Sectioned files -----------------------------------------------------
// A 292-byte creation (file) record. CreateSectionFile fills one for a type;
// OpenSectionFile creates the file from it (mode 2) or fills it with the
// facts of an existing file. Layout (little-endian):
//   0   16-bit type code (low half)     2   16-bit format word
//   4   "ORVKSECT"                      12  32-bit type code
//   16  creation time (GetCurrentDateTime)
//   20  layout version                  24  section count (filled on open)
//   28  the file's path (260 bytes)     288 reserved
// A sectioned file's own first bytes carry the same 16-bit type code and
// format word at 0 and 2, so bytes 2-3 of the file are its format word.
#define SECTION_FILE_RECORD_SIZE 292
#define SECTION_FILE_RECORD_TYPE_OFFSET 0
#define SECTION_FILE_RECORD_FORMAT_OFFSET 2
#define SECTION_FILE_READ 0x80000000u
#define SECTION_FILE_WRITE 0x40000000u
#define SECTION_FILE_READ_WRITE 0xC0000000u
// Type codes the workstation uses.
#define SECTION_FILE_TYPE_METHOD 666
#define SECTION_FILE_TYPE_REPORTS 790

typedef int32_t HSECTFILE;  // -1 on failure
typedef void* HSECTION;     // 0 on failure; also listings and foreign handles

// The caller's creation record, a type of its own so that no path can be
// handed where a record is filled.
typedef struct SECTION_FILE_RECORD {
  unsigned char bytes[SECTION_FILE_RECORD_SIZE];
} SECTION_FILE_RECORD;

// Fills a creation record for the type; the file itself is made by
// OpenSectionFile (path, record, read and write, 2). FALSE for a null
// record or type -1.
ORVIK_API BOOL CreateSectionFile(SECTION_FILE_RECORD* record, int32_t typeCode, int32_t reserved, int32_t formatWord);
// Creates the sectioned file at a path at once, replacing any. A path that
// is empty, holds a control character or is MAX_PATH characters or longer
// is refused (FALSE, last error ERROR_BAD_PATHNAME or
// ERROR_FILENAME_EXCED_RANGE) and nothing is written anywhere.
ORVIK_API BOOL CreateSectionFileAtPath(const char* path, int32_t typeCode, int32_t reserved, int32_t formatWord);
// Marks an existing file (typically a fresh, empty temporary name) as this
// process's scratch file: one that no other process opens and that this
// process deletes itself. Its commits are whole while the process lives
// but need not survive it, so they keep no journal on disk and never wait
// for the disk; a sectioned file created there while it is still empty is
// made in place. FALSE when there is no such file.
ORVIK_API BOOL MarkScratchSectionFile(const char* path);
// mode 2 with a creation record makes a new file (replacing); otherwise
// opens an existing one, filling the record (when given) with its facts.
// -1 when the file is missing, no sectioned file, damaged, or write
// access is asked of a write-protected file. The handle only proves the
// file opens; sections are reached by path.
ORVIK_API HSECTFILE OpenSectionFile(const char* path, SECTION_FILE_RECORD* record, uint32_t access, uint32_t mode);
ORVIK_API BOOL CloseSectionFile(HSECTFILE handle);
ORVIK_API BOOL IsSectionFileOfType(const char* path, int32_t typeCode);
// Type code and format word of a sectioned file; -1 when it is none.
ORVIK_API int32_t GetSectionFileType(const char* path, uint16_t* formatWord);
// The first count bytes of any file, sectioned or not, into buffer: the
// byte count read (less at the end of the file), -1 when it cannot be
// read; fileSize (may be 0) gets the file's length. Safe beside this
// process's own open sections of the file, which a kernel open and close
// of it could disturb.
ORVIK_API int64_t ReadFileStart(const char* path, void* buffer, uint32_t count, uint64_t* fileSize);

// ---- Sections ------------------------------------------------------------
// Section names are compared without regard to ASCII case, at most 259
// characters. statusRecord: a caller's buffer of at least 272 bytes, or 0;
// never read or written. Writing opens refuse write-protected files.
// A writing handle holds the section's bytes; what it wrote is committed
// in one transaction when it closes (CloseSection gives FALSE when that
// fails), so other readers see the old section or the new, whole. A
// read-only handle reads in place, only the parts asked for, and keeps the
// section as it was when it opened even when a writer replaces it.
ORVIK_API BOOL SectionExists(const char* path, const char* name);
// The same for the file an open section handle of it reads (path names
// that file), answered through the handle's own look at the file where it
// can: the state the handle reads.
ORVIK_API BOOL SectionExistsBeside(HSECTION section, const char* path, const char* name);
// As GetSectionFileType, for the file an open section handle reads; -1 when
// the handle cannot tell (the caller then asks by path).
ORVIK_API int32_t GetSectionFileTypeOfSection(HSECTION section, uint16_t* formatWord);
// The state of the file a read-only handle reads, as two numbers: a
// handle that shows the same two read the very same bytes of every
// section (any commit to the file, or another file under its path, gives
// others). FALSE when the handle cannot tell.
ORVIK_API BOOL GetSectionReadState(HSECTION section, uint64_t* reader, uint32_t* version);
ORVIK_API HSECTION OpenSection(const char* path, const char* name, void* statusRecord);
ORVIK_API HSECTION OpenSectionReadOnly(const char* path, const char* name, void* statusRecord);
ORVIK_API HSECTION OpenSectionReadOnlyShared(const char* path, const char* name, void* statusRecord);
ORVIK_API HSECTION CreateSection(const char* path, const char* name, void* statusRecord);
// Closes sections, listings, file-information handles and any handle another
// library registered with RegisterForeignHandle.
ORVIK_API BOOL CloseSection(HSECTION handle);
ORVIK_API uint32_t GetSectionSize(HSECTION handle);
// origin 0 = start, 1 = current, 2 = end; 0xFFFFFFFF on failure. A position
// past the end is allowed: reading there moves nothing, writing there
// fills the gap with zeros.
ORVIK_API uint32_t SeekSection(HSECTION handle, int32_t offset, int32_t origin);
ORVIK_API uint32_t ReadSection(HSECTION handle, void* buffer, uint32_t count);
ORVIK_API uint32_t WriteSection(HSECTION handle, const void* buffer, uint32_t count);
ORVIK_API BOOL DeleteSection(const char* path, const char* name);
ORVIK_API BOOL RenameSection(const char* path, const char* oldName, const char* newName);
// Source first, then target; the target section is replaced.
// Rename refuses when the new name is taken.
ORVIK_API BOOL CopySection(const char* sourcePath, const char* sourceName,
                           const char* targetPath, const char* targetName);

// ---- Listings ------------------------------------------------------------
// Names beginning with stem (ASCII case ignored), sorted by name; an empty
// listing when none match, 0 when the file cannot be read.
ORVIK_API HSECTION FindSectionsByStem(const char* path, const char* stem);
ORVIK_API int32_t CountSectionMatches(HSECTION listing);
// index 0-based for FindSectionsByStem listings; a position from
// NextSectionListEntry for OpenSectionList listings.
ORVIK_API BOOL GetSectionMatchName(HSECTION listing, int32_t index, char* buffer, int32_t size);
// informationBlock is the caller's and is left untouched.
ORVIK_API HSECTION OpenSectionList(const char* path, void* informationBlock);
// Next position after previous (start with 0); 0 at the end.
ORVIK_API int32_t NextSectionListEntry(HSECTION listing, int32_t previous);

// Lets another library hand out handles that CloseSection closes.
ORVIK_API void RegisterForeignHandle(void* handle, void (*closer)(void*));
ORVIK_API void UnregisterForeignHandle(void* handle);

// ---- File information ----------------------------------------------------
// Fields: 0x5A point count (long), 0x42 file type, 4 module (short); any
// other id a writer sets. A field never set reads 0; so does a bad handle.
#define FILE_INFO_POINT_COUNT 0x5A
#define FILE_INFO_FILE_TYPE 0x42
#define FILE_INFO_MODULE 4
ORVIK_API HSECTION OpenFileInfo(const char* path, int32_t kind);
ORVIK_API int32_t GetFileInfoLong(HSECTION handle, int32_t reserved, int32_t fieldId);
ORVIK_API int16_t GetFileInfoShort(HSECTION handle, int32_t reserved, int32_t fieldId);
ORVIK_API void CloseFileInfo(HSECTION handle);
// Lets the writer of a data file set the facts OpenFileInfo reports.
ORVIK_API BOOL SetFileInfoLong(const char* path, int32_t fieldId, int32_t value);
ORVIK_API BOOL SetFileInfoShort(const char* path, int32_t fieldId, int16_t value);

// ---- Files and folders ---------------------------------------------------
ORVIK_API BOOL FileExists(const char* path);
// No write permission on the file (its read-only attribute).
ORVIK_API BOOL IsFileReadOnly(const char* path);
ORVIK_API BOOL IsFileWriteProtected(const char* path);
// Program folder into buffer (at least MAX_PATH); may be empty.
ORVIK_API BOOL GetProgramDirectory(char* buffer);
ORVIK_API const char* GetWorkstationIniPath();
// Seconds since 1970-01-01 00:00 UTC.
ORVIK_API int32_t GetCurrentDateTime();
// Workstation option word number item ([Options] "Item<n>" of the
// workstation ini); 0 when unset. Item 7 bit 1: data files keep a log of
// their processing.
ORVIK_API int32_t GetWorkstationOption(int32_t item);

// ---- Instrument modules ----------------------------------------------------
// The workstation's configuration of an instrument module kind. Only kind
// 4 (instrument modules) is kept; records are the library's own and stay
// valid for the process.
#define MODULE_CONFIG_INSTRUMENT 4
#define MODULE_CONFIG_MASS_SPECTROMETER 0x10   // flag: the module is a mass spectrometer
#define MODULE_CONFIG_NAME_ITEM 174    // text items: the module's name ...
#define MODULE_CONFIG_TYPE_ITEM 94     // ... and its type text
typedef const void* HMODULECONFIG;
// 0 when the workstation has no such module kind.
ORVIK_API HMODULECONFIG GetModuleConfig(int32_t kind, uint16_t moduleId);
ORVIK_API uint16_t GetModuleConfigFlags(HMODULECONFIG config, int32_t reserved);
// Text item into buffer (at least 80 bytes); 0 (buffer empty) for an unknown item.
ORVIK_API BOOL GetModuleConfigString(HMODULECONFIG config, int32_t item, char* buffer);

// ---- Method and version-log texts (C streams) ------------------------------------
// [205] A movable global memory block naming the method section to write;
// lock it (GlobalLock) to pass it to WriteMethodText, then unlock and free it.
ORVIK_API HGLOBAL NewMethodTextRequest(int32_t reserved);
// [244] The section ("Method.<id>.<address>.<channel>") the request names.
ORVIK_API BOOL SetMethodTextSection(HGLOBAL request, const char* sectionName);
// [245] Writes the module method held in that section of path into the
// stream (lines ending CR LF); 0 when the section is missing or empty.
ORVIK_API BOOL WriteMethodText(int32_t reserved, FILE* stream, const char* path, const void* lockedRequest);
// [821] The version history of file (its "VersionLog" section, entries
// "time|user|text" one a line) written into the stream; 0 when it has none.
ORVIK_API BOOL WriteVersionLogText(FILE* stream, const char* path, const char* file);
// Appends an entry to a file's version history (archive side, tests).
ORVIK_API BOOL AddVersionLogEntry(const char* path, int32_t time, const char* user, const char* text);

// ---- File claims ---------------------------------------------------------
// Claims a file for this process, waiting up to waitMs; nonzero when held.
// A second claim on a file this process holds is refused like any other.
// The claim holds across processes until released or the process ends.
ORVIK_API BOOL LockFileAccess(const char* path, const char* owner, HWND window, uint32_t waitMs);
ORVIK_API BOOL UnlockFileAccess(const char* path);
// The owner text of the current claim; nonzero when the file is claimed.
ORVIK_API BOOL GetFileLockOwner(const char* path, char* buffer, int32_t size);

// ---- Audit trail ---------------------------------------------------------
// Security is switched by the workstation ini (GetWorkstationIniPath),
// section "Security", key "Enabled" (0/1); the logged-in user is key
// "UserName" there, else the system's user name.
// A data file's audit trail is its section "AuditTrail": text lines ended
// by "\r\n", each entry "yyyy-mm-dd hh:mm:ss  <user>  <text>", details
// of an entry on indented lines below it. Sections noted with
// NoteAuditSection are listed under the next entry added.
#define AUDIT_TRAIL_SECTION "AuditTrail"
#define AUDIT_NOTES_SECTION "AuditTrailNotes"
#define AUDIT_USER_NAME_SIZE 64
#define AUDIT_INFO_TEXT_SIZE 512
// Results of CreateAuditTrail, AddAuditTrailEntry and NoteAuditSection.
#define AUDIT_OK 0
#define AUDIT_ERR_ARGUMENT 1
#define AUDIT_ERR_WRITE 2     // the file could not be written (missing, protected)
#define AUDIT_ERR_EXISTS 3    // CreateAuditTrail: the file has a trail already
#define AUDIT_ERR_NO_TRAIL 4  // AddAuditTrailEntry: the file has none

ORVIK_API BOOL IsSecurityEnabled();
// The logged-in user into buffer (at least AUDIT_USER_NAME_SIZE bytes).
ORVIK_API BOOL GetCurrentUserName(char* buffer);
ORVIK_API BOOL AuditTrailExists(const char* path);
// The facts a new trail starts with (user, computer, date and time) as
// "\r\n"-separated lines into buffer (size bytes, at least 1).
ORVIK_API BOOL FillAuditTrailInfo(char* buffer, int32_t size);
// Starts the trail of path with the entry text and the information lines
// below it. user: the user the entry is recorded for; callers that pass
// the file's own path there (the file is its own archive) get the
// logged-in user. AUDIT_OK on success.
ORVIK_API int32_t CreateAuditTrail(const char* path, const char* user, const char* text, const char* info);
// Appends one entry for the logged-in user. AUDIT_OK on success.
ORVIK_API int32_t AddAuditTrailEntry(const char* path, const char* text);
// Notes that a section of the file changed; the next entry lists it.
ORVIK_API int32_t NoteAuditSection(const char* path, const char* sectionName);

// ---- Workstation records (the patch installer's view) ----------------------
// Kept in the workstation ini (GetWorkstationIniPath): [Corvane Zeph
// Workstation] Directory, ConfigFile, Version ("6.20"), ServicePackLevel;
// [System Strings] String1 ...; [HotFixes] "HotFix<n>=<time>,<text>".
// The registry base is "Software\Corvane, Inc.\Zeph Workstation" under
// HKEY_LOCAL_MACHINE; nonzero (buffer filled) when that key exists.
ORVIK_API BOOL GetWSSoftwareRegKey(char* buffer, int32_t size);
// The workstation ini path.
ORVIK_API const char* GetZephIni();
// "Version <version>" into buffer (at least 64 bytes); FALSE with the
// buffer empty when no version is recorded.
ORVIK_API BOOL GetWorkStationVersion(char* buffer);
// System string item into buffer (at least 256 bytes); empty when missing.
ORVIK_API BOOL GetWSSysString(int32_t item, char* buffer);
// The service-pack level (also into *level when given); 0 when none.
ORVIK_API int32_t GetWSServicePackLevel(int32_t* level);
ORVIK_API BOOL SetWSServicePackLevel(int32_t level);
// Records hot fix number (above 0) with its text and the time now.
ORVIK_API BOOL AddHotFix(int32_t number, const char* text);
// Nonzero when the hot fix was recorded and is now removed.
ORVIK_API BOOL DeleteHotFix(int32_t number);
ORVIK_API BOOL IsHotFixInstalled(int32_t number);
// The recorded hot fix after previous (0: the first), in rising numbers;
// 0 when none is left. time gets its installation time (seconds since
// 1970, UTC), text (size bytes) its text.
ORVIK_API int32_t EnumWSHotFixes(int32_t previous, int32_t* time, char* text, int32_t size);

// ---- Configuration file sections -----------------------------------------------
// The configuration file is a sectioned file (created when missing).
ORVIK_API BOOL IsAppSection(const char* configFile, const char* sectionName);
// Appends the bytes of a text file to the section (made when missing).
ORVIK_API BOOL AppendFileToSection(const char* configFile, const char* textFile, const char* sectionName);
