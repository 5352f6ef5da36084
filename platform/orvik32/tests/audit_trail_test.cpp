// The audit trail of a data file: security switch, user, entries and noted
// sections, refusals.
#include <string>

#include "testing/trail_text.h"
#include "store_fixture.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

class AuditTrailTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    file_ = Path("run.kms");
    ASSERT_TRUE(CreateSectionFileAtPath(file_.c_str(), 1, 0, 0));
  }
  static void SetSecurity(const char* enabled, const char* user) {
    WritePrivateProfileStringA("Security", "Enabled", enabled, GetWorkstationIniPath());
    WritePrivateProfileStringA("Security", "UserName", user, GetWorkstationIniPath());
  }
  std::string file_;
};

TEST_F(AuditTrailTest, SecurityAndUserComeFromTheWorkstationIni) {
  EXPECT_FALSE(IsSecurityEnabled());
  SetSecurity("1", "lab.tech");
  EXPECT_TRUE(IsSecurityEnabled());
  char user[AUDIT_USER_NAME_SIZE];
  ASSERT_TRUE(GetCurrentUserName(user));
  EXPECT_STREQ(user, "lab.tech");
  SetSecurity("0", "lab.tech");
  EXPECT_FALSE(IsSecurityEnabled());
}

TEST_F(AuditTrailTest, CreateThenEntriesWithNotedSections) {
  SetSecurity("1", "lab.tech");
  EXPECT_FALSE(AuditTrailExists(file_.c_str()));
  EXPECT_EQ(AddAuditTrailEntry(file_.c_str(), "too early"), AUDIT_ERR_NO_TRAIL);

  char info[AUDIT_INFO_TEXT_SIZE] = "";
  ASSERT_TRUE(FillAuditTrailInfo(info, sizeof info));
  EXPECT_EQ(std::string(info).rfind("User: lab.tech\r\n", 0), 0u);
  // The file's own path in the user's place stands for the logged-in user.
  EXPECT_EQ(CreateAuditTrail(file_.c_str(), file_.c_str(), "Created Run Audit Trail", info), AUDIT_OK);
  EXPECT_TRUE(AuditTrailExists(file_.c_str()));
  EXPECT_EQ(CreateAuditTrail(file_.c_str(), "other", "again", ""), AUDIT_ERR_EXISTS);

  EXPECT_EQ(NoteAuditSection(file_.c_str(), "UserPDs-19"), AUDIT_OK);
  EXPECT_EQ(NoteAuditSection(file_.c_str(), "userpds-19"), AUDIT_OK);
  EXPECT_EQ(AddAuditTrailEntry(file_.c_str(), "User Plot Descriptions Changed"), AUDIT_OK);
  EXPECT_EQ(AddAuditTrailEntry(file_.c_str(), "Second"), AUDIT_OK);

  const std::string trail = GetSection(file_, AUDIT_TRAIL_SECTION);
  const std::string stripped = StripTimes(trail);
  const std::string head = "<time>  lab.tech  Created Run Audit Trail\r\n    User: lab.tech\r\n    Computer: ";
  ASSERT_EQ(stripped.substr(0, head.size()), head) << trail;
  const std::string tail =
      "<time>  lab.tech  User Plot Descriptions Changed\r\n"
      "    Section changed: UserPDs-19\r\n"
      "<time>  lab.tech  Second\r\n";
  ASSERT_GE(stripped.size(), tail.size());
  EXPECT_EQ(stripped.substr(stripped.size() - tail.size()), tail) << trail;
  EXPECT_NE(stripped.find("\r\n    Date: "), std::string::npos);
  EXPECT_EQ(GetSection(file_, AUDIT_NOTES_SECTION), "<missing>");
}

TEST_F(AuditTrailTest, WriteProtectedFileKeepsItsTrail) {
  SetSecurity("1", "lab.tech");
  ASSERT_EQ(CreateAuditTrail(file_.c_str(), "lab.tech", "Created", ""), AUDIT_OK);
  const std::string before = GetSection(file_, AUDIT_TRAIL_SECTION);
  ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(AddAuditTrailEntry(file_.c_str(), "refused"), AUDIT_OK);
  EXPECT_NE(NoteAuditSection(file_.c_str(), "X"), AUDIT_OK);
  EXPECT_EQ(GetSection(file_, AUDIT_TRAIL_SECTION), before);
  EXPECT_NE(CreateAuditTrail(Path("missing.kms").c_str(), "u", "t", ""), AUDIT_OK);
  EXPECT_EQ(AddAuditTrailEntry(nullptr, "x"), AUDIT_ERR_ARGUMENT);
}

}  // namespace
