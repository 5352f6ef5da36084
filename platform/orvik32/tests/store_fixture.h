#pragma once
// A fresh workstation root per test, and raw byte access to files (through
// SQLite's own file layer) for building damaged and foreign files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_paths.h"

class StoreFixture : public WorkstationRootTest {
 protected:
  static std::string Path(const std::string& name) { return "C:\\TEMP\\" + name; }
};

// Raw bytes of a file, by its workstation path.
class RawFile {
 public:
  explicit RawFile(const std::string& winPath, bool create = false) {
    vfs_ = sqlite3_vfs_find(nullptr);
    mem_.reset(new char[vfs_->szOsFile]());
    f_ = reinterpret_cast<sqlite3_file*>(mem_.get());
    const std::string host = win::paths::ToHost(winPath);
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_MAIN_JOURNAL | (create ? SQLITE_OPEN_CREATE : 0);
    int out = 0;
    open_ = vfs_->xOpen(vfs_, host.c_str(), f_, flags, &out) == SQLITE_OK;
  }
  ~RawFile() {
    if (open_) f_->pMethods->xClose(f_);
  }
  bool ok() const { return open_; }
  int64_t Size() {
    sqlite3_int64 n = -1;
    if (open_) f_->pMethods->xFileSize(f_, &n);
    return n;
  }
  std::vector<unsigned char> Read(int64_t offset, int n) {
    std::vector<unsigned char> b(static_cast<size_t>(n));
    if (!open_ || f_->pMethods->xRead(f_, b.data(), n, offset) != SQLITE_OK) b.clear();
    return b;
  }
  bool Write(int64_t offset, const std::vector<unsigned char>& bytes) {
    // In chunks: the file layer writes at most a page-sized run per call.
    for (size_t done = 0; open_ && done < bytes.size();) {
      const int n = static_cast<int>(std::min<size_t>(4096, bytes.size() - done));
      if (f_->pMethods->xWrite(f_, bytes.data() + done, n, offset + static_cast<int64_t>(done)) !=
          SQLITE_OK) {
        return false;
      }
      done += static_cast<size_t>(n);
    }
    return open_;
  }
  bool Truncate(int64_t size) { return open_ && f_->pMethods->xTruncate(f_, size) == SQLITE_OK; }

 private:
  sqlite3_vfs* vfs_;
  std::unique_ptr<char[]> mem_;
  sqlite3_file* f_ = nullptr;
  bool open_ = false;
};

// Whole-section helpers for tests.
inline bool PutSection(const std::string& path, const std::string& name, const std::string& data) {
  HSECTION s = CreateSection(path.c_str(), name.c_str(), nullptr);
  if (!s) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < data.size(); done += 4000) {
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(4000, data.size() - done));
    ok = WriteSection(s, data.data() + done, n) == n;
  }
  return CloseSection(s) && ok;
}

// The section's bytes, or "<missing>" when it cannot be opened.
inline std::string GetSection(const std::string& path, const std::string& name) {
  HSECTION s = OpenSectionReadOnly(path.c_str(), name.c_str(), nullptr);
  if (!s) return "<missing>";
  std::string out(GetSectionSize(s), '\0');
  uint32_t n = out.empty() ? 0 : ReadSection(s, out.data(), static_cast<uint32_t>(out.size()));
  CloseSection(s);
  if (n != out.size()) return "<short>";
  return out;
}
