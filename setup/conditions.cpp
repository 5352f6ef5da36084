#include "conditions.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "run_state.h"
#include "script_format.h"
#include "setup_log.h"
#include "system_routines.h"
#include "workstation_services.h"
#include "win/win_kernel.h"
#include "win/win_security.h"
#include "win/win_user.h"

namespace setup {

Facts& TheFacts() {
  static Facts facts;
  return facts;
}

int GetOSVersionKind() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  return GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

int IsUserAdministrator() {
  if (!GetOSVersionKind()) return 1;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins))
    return 0;
  HANDLE token = nullptr;
  int result = 0;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) token = nullptr;
  }
  if (token) {
    DWORD need = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &need);
    std::vector<unsigned char> buf(need ? need : 1);
    if (need && GetTokenInformation(token, TokenGroups, buf.data(), need, &need)) {
      const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buf.data());
      for (DWORD i = 0; i < groups->GroupCount; ++i)
        // A group kept only to deny access grants nothing.
        if (EqualSid(groups->Groups[i].Sid, admins) && (groups->Groups[i].Attributes & SE_GROUP_ENABLED)) result = 1;
    }
    CloseHandle(token);
  }
  FreeSid(admins);
  return result;
}

void DetectInstalledProducts() {
  Facts& f = TheFacts();
  f = Facts{};
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (GetVersionExA(&v)) {
    f.nt = v.dwPlatformId == VER_PLATFORM_WIN32_NT;
    f.win9x = !f.nt;
    f.win95 = f.win9x && v.dwMajorVersion == 4 && v.dwMinorVersion == 0;
    f.win98 = f.win9x && v.dwMajorVersion == 4 && v.dwMinorVersion == 10;
    f.winME = f.win9x && v.dwMajorVersion == 4 && v.dwMinorVersion == 90;
    f.winNT4 = f.nt && v.dwMajorVersion == 4;
    f.win2k = f.nt && v.dwMajorVersion == 5 && v.dwMinorVersion == 0;
    f.winXP = f.nt && v.dwMajorVersion == 5 && v.dwMinorVersion == 1;
  }
  f.administrator = f.nt ? IsUserAdministrator() : 0;
  const RunState& r = TheRun();
  if (!r.workstationKnown) return;
  f.version = r.workstationVersion;
  f.servicePackLevel = WsServicePackLevel();
  const bool halv = FileExistsPlain(JoinPath(r.destFolder, "morvex.dll"));
  const bool six = !(f.version < 6.0f);
  f.halv6 = halv && six;
  f.halv5 = halv && !six;
  f.zeph6 = !halv && six;
  f.zeph5 = !halv && !six;
}

int FileDateCheck(float version) {
  struct Row {
    float version;
    const char* file;
    const char* dates[2];
  };
  static const Row kRows[] = {{6.2f, "morvex.dll", {"6/9/2003", "8/8/2003"}}, {-1.0f, nullptr, {nullptr, nullptr}}};
  const Row* row = nullptr;
  for (const Row* r = kRows; r->version != -1.0f; ++r)
    if (r->version == version) row = r;
  if (!row) return 1;
  const std::string path = JoinPath(TheRun().destFolder, row->file);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  FILETIME written{};
  SYSTEMTIME st{};
  const bool ok = GetFileTime(h, nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &st);
  CloseHandle(h);
  if (!ok) return 1;
  for (const char* date : row->dates) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    std::sscanf(date, "%d/%d/%d, %d:%d", &month, &day, &year, &hour, &minute);
    if (st.wYear == year && st.wMonth == month && st.wDay == day) return 1;
  }
  return 0;
}

namespace {

[[noreturn]] void SyntaxStop(const std::string& text) {
  Message(text, TheRun().title, MB_OK | MB_ICONERROR);
  throw ExitRequest{1};
}

std::string Format(const char* fmt, const std::string& word) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, word.c_str());
  return buf;
}

bool FileExistsHolds(const std::string& value) {
  RunState& r = TheRun();
  r.conditionMessage = "There is a problem with setup.ini line: " + value;
  std::string name, keyword, sub;
  if (!GetField(value, 1, &name) || !GetField(value, 2, &keyword)) return false;
  std::string folder;
  if (EqualsNoCase(keyword, "DEST") || EqualsNoCase(keyword, "BROWSE")) folder = r.destFolder;
  else if (EqualsNoCase(keyword, "AS_IS")) folder = r.sourceFolder;
  else if (EqualsNoCase(keyword, "SOURCE") || !PlaceholderFolder(keyword, &folder)) {
    LogLine("Bad FilexExists Destination: " + keyword + " in section");
    return false;
  }
  if (GetField(value, 3, &sub) && !sub.empty()) folder = folder + "\\" + sub;
  const std::string path = folder + "\\" + name;
  if (FileExistsPlain(path)) return true;
  r.conditionMessage = "Stopping because file " + path + " doesn't exist.";
  return false;
}

}  // namespace

int EvaluateConditions(const std::string& section) {
  RunState& r = TheRun();
  const std::string script = r.scriptPath;
  const std::string conditions = ReadScriptValue(script, section, "Conditions");
  const std::string fileExists = ReadScriptValue(script, section, "FileExists");
  if (!IsNone(fileExists) && !FileExistsHolds(fileExists)) return 0;
  if (IsNone(conditions)) return 1;
  // "|" reads as "or" to a script's author but was always an "and"; it is
  // refused rather than given either meaning silently.
  if (conditions.find('|') != std::string::npos)
    SyntaxStop("Conditions line \"" + conditions + "\" in section \"" + section +
               "\" uses \"|\", which is not supported: every condition must hold. exiting.");
  std::vector<std::string> tokens;
  size_t pos = 0;
  while (pos <= conditions.size()) {
    while (pos < conditions.size() && conditions[pos] == ' ') ++pos;
    const size_t end = conditions.find_first_of(",&", pos);
    tokens.push_back(conditions.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  const Facts& f = TheFacts();
  for (const std::string& token : tokens) {
    const size_t first = token.find_first_not_of(" \t");
    const bool negated = first != std::string::npos && token[first] == '!';
    const std::string word = negated ? "" : "not";
    const std::string body = first == std::string::npos ? std::string() : token.substr(first);
    auto check = [&](bool fact, const char* message) {
      if (negated ? !fact : fact) return true;
      r.conditionMessage = Format(message, word);
      return false;
    };
    bool holds = true;
    if (ContainsNoCase(token, "WinNT4")) holds = check(f.winNT4, "Setup cannot continue because the OS is %s Windows NT4");
    else if (ContainsNoCase(token, "Winnt")) holds = check(f.nt, "Setup cannot continue because the OS is %s Windows NT");
    else if (ContainsNoCase(token, "Win9x")) holds = check(f.win9x, "Setup cannot continue because the OS is %s Windows 95/98");
    else if (ContainsNoCase(token, "Win95")) holds = check(f.win95, "Setup cannot continue because the OS is %s Windows 95");
    else if (ContainsNoCase(token, "Win98")) holds = check(f.win98, "Setup cannot continue because the OS is %s Windows 98");
    else if (ContainsNoCase(token, "WinME")) holds = check(f.winME, "Setup cannot continue because the OS is %s Windows ME");
    else if (ContainsNoCase(token, "Win2k")) holds = check(f.win2k, "Setup cannot continue because the OS is %s Windows 2000");
    else if (ContainsNoCase(token, "WinXP")) holds = check(f.winXP, "Setup cannot continue because the OS is %s Windows XP");
    else if (ContainsNoCase(token, "Administrator"))
      holds = f.win9x || check(f.administrator, "Setup cannot continue because the user is %s an Administrator");
    else if (ContainsNoCase(token, "Version")) {
      static const char* const kKinds[] = {"IS", "GT", "GE", "LT", "LE"};
      int kind = -1;
      for (int k = 0; k < 5 && kind < 0; ++k)
        if (ContainsNoCase(token, std::string("Version") + kKinds[k])) kind = k;
      if (kind < 0) SyntaxStop("Unknown condition \"" + token + "\" in line \"" + conditions + "\" in section \"" + section + "\", exiting.");
      float v = 0.0f;
      const std::string format = std::string(negated ? "!" : "") + "Version" + kKinds[kind] + " %f";
      if (std::sscanf(body.c_str(), format.c_str(), &v) != 1) v = 0.0f;
      if (v == 0.0f)
        SyntaxStop("Error in Conditions line \"" + conditions + "\" in section \"" + section +
                   "\". Bad float value. exiting.");
      const float w = f.version;
      const bool fact = kind == 0 ? w == v : kind == 1 ? w > v : kind == 2 ? w >= v : kind == 3 ? w < v : w <= v;
      char msg[256];
      if (kind == 0) std::snprintf(msg, sizeof msg, "Setup cannot continue because the Workstation is %s version %1.2f", word.c_str(), v);
      else std::snprintf(msg, sizeof msg, "This update does not apply to Workstation version %1.2f", w);
      holds = negated ? !fact : fact;
      if (!holds) r.conditionMessage = msg;
      if (holds && f.halv6) {
        const float tested = kind == 0 ? v : w;
        if (!FileDateCheck(tested)) {
          char stop[256];
          std::snprintf(stop, sizeof stop,
                        "This workstation is not the shipping version of %1.2f. Please install the ship version first.",
                        tested);
          SyntaxStop(stop);
        }
      }
    } else if (ContainsNoCase(token, "SPLevel")) {
      static const char* const kKinds[] = {"IS", "GT", "LT"};
      int kind = -1;
      for (int k = 0; k < 3 && kind < 0; ++k)
        if (ContainsNoCase(token, std::string("SPLevel") + kKinds[k])) kind = k;
      if (kind < 0) SyntaxStop("Unknown condition \"" + token + "\" in line \"" + conditions + "\" in section \"" + section + "\", exiting.");
      int n = 0;
      const std::string format = std::string(negated ? "!" : "") + "SPLevel" + kKinds[kind] + " %d";
      std::sscanf(body.c_str(), format.c_str(), &n);
      const int s = f.servicePackLevel;
      const bool fact = kind == 0 ? s == n : kind == 1 ? s > n : s < n;
      holds = negated ? !fact : fact;
      if (!holds) {
        char msg[256];
        if (kind == 0) std::snprintf(msg, sizeof msg, "Setup cannot continue because the Workstation is %s at Service Pack %d", word.c_str(), n);
        else std::snprintf(msg, sizeof msg, "This update does not apply to Workstation Serve Pack %d", n);
        r.conditionMessage = msg;
      }
    } else if (ContainsNoCase(token, "Demo")) holds = check(false, "Setup cannot continue because the Workstation is %s a \"Demo\" version");
    else if (ContainsNoCase(token, "Zeph6")) holds = check(f.zeph6, "Setup cannot continue because the Workstation is %s a \"Zeph 6\" version");
    else if (ContainsNoCase(token, "Zeph5")) holds = check(f.zeph5, "Setup cannot continue because the Workstation is %s a \"Zeph 5\" version");
    else if (ContainsNoCase(token, "Halv6")) holds = check(f.halv6, "Setup cannot continue because the Workstation is %s an \"HALV 6\" version");
    else if (ContainsNoCase(token, "Halv5")) holds = check(f.halv5, "Setup cannot continue because the Workstation is %s an \"HALV 5\" version");
    else SyntaxStop("Unknown condition \"" + token + "\" in line \"" + conditions + "\" in section \"" + section + "\", exiting.");
    if (!holds) return 0;
  }
  return 1;
}

}  // namespace setup
