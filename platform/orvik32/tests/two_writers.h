#pragma once
// Two writers on one sectioned file, one in a child process and one in a
// thread of this process, while another thread of this process keeps
// reading the file by some other route. Afterwards the file must be sound:
// the database image passes SQLite's integrity check and every section
// reads back as one whole version.
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "store_fixture.h"
#include "win/win_child.h"

namespace two_writers {

// Content that tells versions and offsets apart; the version leads.
inline std::string Version(int v, size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + static_cast<size_t>(v) * 13 + i / 5000) % 253);
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}
inline size_t SizeOf(int v) { return 200000 + static_cast<size_t>(v % 7) * 70001; }

// "ok", or what SQLite's integrity check says of the image behind the prefix.
inline std::string ImageCheck(const std::string& winPath) {
  const std::string host = win::paths::ToHost(winPath);
  const std::string bare = host + ".check.db";
  std::string bytes;
  {
    std::ifstream in(host, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (bytes.size() < 4096) return "no image";
  std::ofstream(bare, std::ios::binary) << bytes.substr(4096);
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(bare.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  std::remove(bare.c_str());
  return result;
}

// True when the section holds one whole version.
inline bool Whole(const std::string& got) {
  if (got.size() < sizeof(int)) return false;
  int v;
  std::memcpy(&v, got.data(), sizeof v);
  return v >= 0 && got == Version(v, SizeOf(v));
}

// Runs the writers for the given number of commits each while
// readPrefix() repeats in a thread; then checks the file.
inline void Run(const std::string& file, const std::function<void()>& readPrefix, int commits) {
  ASSERT_TRUE(CreateSectionFileAtPath(file.c_str(), 790, 0, 0));
  ASSERT_TRUE(PutSection(file, "Child", Version(0, SizeOf(0))));
  ASSERT_TRUE(PutSection(file, "Parent", Version(0, SizeOf(0))));
  auto child = win::child::Start([&](const std::function<void()>& ready) {
    ready();
    for (int v = 1; v <= commits; ++v) PutSection(file, "Child", Version(v, SizeOf(v)));
    return 0;
  });
  ASSERT_TRUE(win::child::WaitReady(child, 60000));
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) readPrefix();
  });
  for (int v = 1; v <= commits; ++v) PutSection(file, "Parent", Version(v, SizeOf(v)));
  EXPECT_EQ(win::child::Wait(child), 0);
  stop = true;
  reader.join();
  EXPECT_EQ(ImageCheck(file), "ok");
  EXPECT_TRUE(Whole(GetSection(file, "Child"))) << "torn or lost section";
  EXPECT_TRUE(Whole(GetSection(file, "Parent"))) << "torn or lost section";
}

}  // namespace two_writers
