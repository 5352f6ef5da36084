// Version blocks at the end of files.
#include <cstring>
#include <string>
#include <vector>

#include "win_file_facts.h"
#include "win_kernel.h"
#include "win_version.h"

namespace {

constexpr char kMagic[8] = {'K', 'V', 'E', 'R', 'I', 'N', 'F', 'O'};
constexpr size_t kTail = 12;          // length + magic
constexpr size_t kRootHeader = 40;    // wLength, wValueLength, wType, "VS_VERSION_INFO\0", padding
constexpr DWORD kMaxBlock = 32767;

bool ReadAll(const char* path, std::vector<uint8_t>* bytes) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD size = GetFileSize(h, &high);
  if (high || size == INVALID_FILE_SIZE || size > (64u << 20)) {
    CloseHandle(h);
    return false;
  }
  bytes->resize(size);
  DWORD got = 0;
  const BOOL ok = size == 0 || ReadFile(h, bytes->data(), size, &got, nullptr);
  CloseHandle(h);
  return ok && got == size;
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The block at the end of the bytes: its offset and length; false when
// there is none or it does not hold together.
bool FindBlock(const std::vector<uint8_t>& bytes, size_t* offset, size_t* length) {
  if (bytes.size() < kTail || std::memcmp(bytes.data() + bytes.size() - 8, kMagic, 8) != 0) return false;
  const uint32_t n = Le32(bytes.data() + bytes.size() - kTail);
  if (n < 2 || n >= kMaxBlock || n > bytes.size() - kTail) return false;
  // The block's own length word is what readers of it trust: it may not
  // reach past the block.
  if (Le16(bytes.data() + bytes.size() - kTail - n) > n) return false;
  *offset = bytes.size() - kTail - n;
  *length = n;
  return true;
}

// The fixed block of a version block, when the root holds exactly one.
const VS_FIXEDFILEINFO* FixedOf(const uint8_t* block, size_t length) {
  if (length < kRootHeader + sizeof(VS_FIXEDFILEINFO)) return nullptr;
  if (Le16(block) != length || Le16(block + 2) != sizeof(VS_FIXEDFILEINFO)) return nullptr;
  static const char16_t kKey[] = u"VS_VERSION_INFO";
  if (std::memcmp(block + 6, kKey, sizeof kKey) != 0) return nullptr;
  const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(block + kRootHeader);
  if (Le32(block + kRootHeader) != VS_FFI_SIGNATURE) return nullptr;
  return fixed;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
  if (handle) *handle = 0;
  std::vector<uint8_t> bytes;
  size_t off = 0, len = 0;
  if (!file || !ReadAll(file, &bytes)) return 0;
  if (!FindBlock(bytes, &off, &len)) {
    SetLastError(1813);  // ERROR_RESOURCE_TYPE_NOT_FOUND
    return 0;
  }
  return static_cast<DWORD>(len);
}

BOOL GetFileVersionInfoA(LPCSTR file, DWORD, DWORD size, LPVOID data) {
  std::vector<uint8_t> bytes;
  size_t off = 0, len = 0;
  if (!file || !data || !ReadAll(file, &bytes) || !FindBlock(bytes, &off, &len)) return FALSE;
  std::memcpy(data, bytes.data() + off, len < size ? len : size);
  return len <= size ? TRUE : FALSE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  if (!block || !subBlock || !buffer || !length || std::strcmp(subBlock, "\\") != 0) return FALSE;
  const auto* b = static_cast<const uint8_t*>(block);
  const VS_FIXEDFILEINFO* fixed = FixedOf(b, Le16(b));
  if (!fixed) return FALSE;
  *buffer = const_cast<VS_FIXEDFILEINFO*>(fixed);
  *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}

namespace win::version {

bool StampFileVersion(const char* winPath, uint32_t ms, uint32_t ls, uint32_t flags) {
  std::vector<uint8_t> bytes;
  if (!winPath || !ReadAll(winPath, &bytes)) return false;
  size_t off = 0, len = 0;
  if (FindBlock(bytes, &off, &len)) bytes.resize(off);
  std::vector<uint8_t> block(kRootHeader + sizeof(VS_FIXEDFILEINFO), 0);
  const uint16_t total = static_cast<uint16_t>(block.size());
  std::memcpy(block.data(), &total, 2);
  const uint16_t valueLength = sizeof(VS_FIXEDFILEINFO);
  std::memcpy(block.data() + 2, &valueLength, 2);
  static const char16_t kKey[] = u"VS_VERSION_INFO";
  std::memcpy(block.data() + 6, kKey, sizeof kKey);
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  fixed.dwFileVersionMS = fixed.dwProductVersionMS = ms;
  fixed.dwFileVersionLS = fixed.dwProductVersionLS = ls;
  fixed.dwFileFlagsMask = 0x3F;
  fixed.dwFileFlags = flags;
  fixed.dwFileOS = VOS__WINDOWS32;
  fixed.dwFileType = VFT_DLL;
  std::memcpy(block.data() + kRootHeader, &fixed, sizeof fixed);
  bytes.insert(bytes.end(), block.begin(), block.end());
  const uint32_t n = static_cast<uint32_t>(block.size());
  const uint8_t le[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0};
  bytes.insert(bytes.end(), le, le + 4);
  bytes.insert(bytes.end(), kMagic, kMagic + 8);
  const std::string temp = win::facts::SiblingTempName(winPath);
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  if (!ok || written != bytes.size() || !win::facts::ReplaceWith(temp, winPath)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace win::version
