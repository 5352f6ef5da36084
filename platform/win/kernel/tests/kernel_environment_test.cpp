// Environment variables, their expansion, user and computer names.
#include <cstring>
#include <string>

#include "kernel_test_root.h"

namespace {

class KernelEnvironmentTest : public KernelRootTest {
 protected:
  void SetUp() override {
    KernelRootTest::SetUp();
    setenv("KELT_USER", "analyst", 1);
    setenv("KELT_COMPUTERNAME", "GCMS01", 1);
    SetEnvironmentVariableA("KeltDest", "C:\\Dest");
  }
  void TearDown() override {
    unsetenv("KELT_USER");
    unsetenv("KELT_COMPUTERNAME");
    SetEnvironmentVariableA("KeltDest", nullptr);
    KernelRootTest::TearDown();
  }
  static std::string Expand(const char* text) {
    char buf[256];
    DWORD n = ExpandEnvironmentStringsA(text, buf, sizeof buf);
    EXPECT_EQ(n, std::strlen(buf) + 1) << text;
    return buf;
  }
};

TEST_F(KernelEnvironmentTest, Expansion) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"%KeltDest%\\x.ini", "C:\\Dest\\x.ini"},
      {"%keltdest%", "C:\\Dest"},  // names ignore case
      {"no variables", "no variables"},
      {"%Undefined%\\x", "%Undefined%\\x"},
      {"%Undefined%KeltDest%", "%UndefinedC:\\Dest"},
      {"50%", "50%"},
      {"%%", "%%"},
      {"%windir%\\zeph32.ini", "C:\\WINDOWS\\zeph32.ini"},
      {"%USERNAME% on %COMPUTERNAME%", "analyst on GCMS01"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
  // Too small: the size needed, nothing half-written.
  char small[4] = "abc";
  EXPECT_EQ(ExpandEnvironmentStringsA("%KeltDest%", small, sizeof small), std::strlen("C:\\Dest") + 1);
  EXPECT_STREQ(small, "");
}

TEST_F(KernelEnvironmentTest, GetAndSetVariables) {
  char buf[64];
  EXPECT_EQ(GetEnvironmentVariableA("KELTDEST", buf, sizeof buf), std::strlen("C:\\Dest"));
  EXPECT_STREQ(buf, "C:\\Dest");
  EXPECT_EQ(GetEnvironmentVariableA("KeltDest", buf, 3), std::strlen("C:\\Dest") + 1);
  ASSERT_TRUE(SetEnvironmentVariableA("KeltDest", nullptr));
  EXPECT_EQ(GetEnvironmentVariableA("KeltDest", buf, sizeof buf), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
  EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetEnvironmentVariableA("TEMP", buf, sizeof buf) > 0, true);
}

TEST_F(KernelEnvironmentTest, UserAndComputerNames) {
  char buf[UNLEN + 1];
  DWORD size = sizeof buf;
  ASSERT_TRUE(GetUserNameA(buf, &size));
  EXPECT_STREQ(buf, "analyst");
  EXPECT_EQ(size, 8u);  // terminator counted
  size = 3;
  EXPECT_FALSE(GetUserNameA(buf, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 8u);

  size = sizeof buf;
  ASSERT_TRUE(GetComputerNameA(buf, &size));
  EXPECT_STREQ(buf, "GCMS01");
  EXPECT_EQ(size, 6u);  // terminator not counted
  size = 2;
  EXPECT_FALSE(GetComputerNameA(buf, &size));
  EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, 7u);

  unsetenv("KELT_USER");
  size = sizeof buf;
  EXPECT_TRUE(GetUserNameA(buf, &size));  // from the password database
  EXPECT_GT(std::strlen(buf), 0u);
}

}  // namespace
