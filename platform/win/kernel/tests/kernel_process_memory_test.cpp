// The process's resident memory, now and at its peak.
#include <gtest/gtest.h>

#include <cstring>
#include "win/win_kernel.h"
#include "win/win_large_buffer.h"

namespace {

TEST(ProcessMemory, PeakFollowsWhatWasTouched) {
  PROCESS_MEMORY_COUNTERS before{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
  EXPECT_EQ(before.cb, sizeof before);
  EXPECT_GT(before.WorkingSetSize, 0u);
  EXPECT_GE(before.PeakWorkingSetSize, before.WorkingSetSize);
  // 96 MB fresh from the system, touched page by page: the resident
  // memory grows by most of that (under load the system may take back
  // some of the process's file pages meanwhile).
  const size_t bytes = 96u << 20;
  char* block = static_cast<char*>(win::memory::AllocLarge(bytes));
  ASSERT_NE(block, nullptr);
  for (size_t i = 0; i < bytes; i += 4096) block[i] = static_cast<char>(1 + (i >> 12) % 100);
  volatile char sink = block[bytes / 2];
  (void)sink;
  PROCESS_MEMORY_COUNTERS during{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &during, sizeof during));
  EXPECT_GE(during.WorkingSetSize, before.WorkingSetSize + bytes / 2);
  EXPECT_GE(during.PeakWorkingSetSize, during.WorkingSetSize);
  win::memory::FreeLarge(block, bytes);
  PROCESS_MEMORY_COUNTERS after{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
  EXPECT_GE(after.PeakWorkingSetSize, during.WorkingSetSize);
}

TEST(ProcessMemory, RefusesOtherProcessesAndShortRecords) {
  PROCESS_MEMORY_COUNTERS c{};
  EXPECT_FALSE(GetProcessMemoryInfo(reinterpret_cast<HANDLE>(static_cast<intptr_t>(1234)), &c, sizeof c));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c - 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(GetProcessMemoryInfo(GetCurrentProcess(), nullptr, sizeof c));
}

}  // namespace
