// Removing a file's records from a validation file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keldor.h"
#include "testing/workstation_root.h"

namespace {

using KeldorTest = WorkstationRootTest;

std::string Record(const char* name, uint32_t size) {
  std::string r(94, '\0');
  std::memcpy(&r[0], name, std::strlen(name));
  std::memcpy(&r[80], &size, 4);
  return r;
}

TEST_F(KeldorTest, RecordsOfTheNameGoAndTheRestStays) {
  const std::string head = std::string("Zeph 6.2", 8) + std::string(85, '\0');
  // A name filling all 80 bytes has no terminator and still matches only itself.
  const std::string full(80, 'N');
  WriteHostFile("c/Workstation/ZEPH.VAL",
                head + Record("bin\\a.dll", 1) + Record("B.DLL", 2) + Record("BIN\\A.DLL", 3) + Record(full.c_str(), 4));
  EXPECT_EQ(RemoveFileFromValidationData("C:\\Workstation\\zeph.val", "bin\\A.dll"), 2);
  EXPECT_EQ(ReadHostFile("c/Workstation/ZEPH.VAL"), head + Record("B.DLL", 2) + Record(full.c_str(), 4));
  EXPECT_EQ(RemoveFileFromValidationData("C:\\Workstation\\zeph.val", "none.dll"), 0);
  WriteHostFile("c/Workstation/BAD.VAL", head + "short");
  EXPECT_EQ(RemoveFileFromValidationData("C:\\Workstation\\BAD.VAL", "B.DLL"), -1);
  EXPECT_EQ(ReadHostFile("c/Workstation/BAD.VAL"), head + "short");
}

}  // namespace
