#include "sample_patch.h"

#include <cstring>
#include <string>
#include <vector>

#include "packages.h"
#include "run_state.h"
#include "validation.h"
#include "win/win_kernel.h"
#include "win/win_lz.h"
#include "win/win_registry.h"
#include "win/win_services.h"
#include "win/win_version.h"

namespace setup {

namespace {

bool WriteFileText(const std::string& path, const std::string& bytes) {
  std::string folder;
  for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1))
    CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
  return ok && put == bytes.size();
}

// A program file: some bytes that look like one, and its version.
bool Program(const std::string& path, const std::string& what, uint16_t minor, uint16_t build, uint32_t flags = 0) {
  std::string body = "MZ" + std::string(30, '\0') + what + "\r\n";
  for (int i = 0; i < 40; ++i) body += "code block " + std::to_string(i * 37 % 11) + " of " + what + ";";
  return WriteFileText(path, body) &&
         win::version::StampFileVersion(path.c_str(), win::version::MakeVersionMS(6, minor),
                                        win::version::MakeVersionLS(build, 0), flags);
}

std::string ReadAll(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  return bytes;
}

std::string ValHead(const std::string& description) {
  std::string head(kValHead, '\0');
  std::memcpy(&head[0], description.data(), std::min<size_t>(description.size(), 79));
  return head;
}

// A record of a file as it is now (file: its path; name: as recorded).
std::string ValRecordOf(const std::string& file, const std::string& name) {
  ValRecord r{};
  std::memcpy(r.name, name.data(), std::min<size_t>(name.size(), 79));
  r.checksum = ComputeFileChecksum(file, &r.size);
  return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

bool Key(const char* path, const char* name, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  const LSTATUS s = name ? RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>(value.size() + 1))
                         : ERROR_SUCCESS;
  RegCloseKey(k);
  return s == ERROR_SUCCESS;
}

}  // namespace

bool MakeSampleWorkstation() {
  const std::string w = "C:\\Workstation\\";
  bool ok = WriteFileText(w + "workstation.ini",
                          "[Corvane Zeph Workstation]\r\nDirectory=C:\\Workstation\r\nConfigFile=C:\\Workstation\\zeph.cfg\r\n"
                          "Version=6.20\r\nServicePackLevel=1\r\n[System Strings]\r\nString10=ZEPH-6.2-LAB\r\n"
                          "[PostRunApplications]\r\nCommandCount=1\r\nCommandLine1=C:\\Workstation\\bin\\report.exe -p\r\n"
                          "OtherParameters1=\r\nForDetectors1=ALL\r\nForInstruments1=ALL\r\nComments1=Print a report\r\n");
  ok = ok && Program(w + "bin\\zeph.exe", "workstation 6.2.10", 2, 10);
  ok = ok && Program(w + "bin\\quant.dll", "quantitation 6.2.10", 2, 10);
  ok = ok && Program(w + "bin\\report.dll", "reports 6.3.1", 3, 1);
  ok = ok && Program(w + "monitor.exe", "monitor 6.2.10", 2, 10);
  ok = ok && WriteFileText(w + "help\\old.hlp", "retired help text\r\n");
  ok = ok && WriteFileText(w + "reports\\daily.rpt", "[Report]\r\nTitle=Daily summary 1.0\r\n");
  std::string val = ValHead("Zeph Workstation 6.2 SP1");
  for (const char* name : {"bin\\zeph.exe", "bin\\quant.dll", "bin\\report.dll", "monitor.exe", "help\\old.hlp"})
    val += ValRecordOf(w + name, name);
  ok = ok && WriteFileText(w + "ZEPH.VAL", val);
  ok = ok && Key("Software\\Corvane, Inc.", "WSSecsrvPath", "C:\\Workstation");
  ok = ok && Key("Software\\Corvane, Inc.\\Zeph Workstation", nullptr, "");
  SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE svc = OpenServiceA(scm, "ZephMonitor", SERVICE_ALL_ACCESS);
  if (!svc)
    svc = CreateServiceA(scm, "ZephMonitor", "Zeph Monitor", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                         SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "C:\\Workstation\\monitor.exe", nullptr, nullptr,
                         nullptr, nullptr, nullptr);
  ok = ok && svc && win::services::SetStopDelay("ZephMonitor", 200);
  SERVICE_STATUS st{};
  if (svc && QueryServiceStatus(svc, &st) && st.dwCurrentState == SERVICE_STOPPED) ok = ok && StartServiceA(svc, 0, nullptr);
  if (svc) CloseServiceHandle(svc);
  if (scm) CloseServiceHandle(scm);
  return ok;
}

bool MakeSamplePatch(SampleFault fault) {
  const std::string p = "D:\\PATCH\\";
  bool ok = WriteFileText(
      p + "setup.ini",
      std::string("[General]\r\nWSTitle=") + kSampleTitle +
          "\r\nWelcomeMessage=Service pack 2 for the Zeph 6.2 workstation\r\nSetupIniVersion=10\r\nWSType=zeph\r\n"
          "Uninstallable=1\r\nServicePackLevel=2\r\nHotFix=21,Report footer shows the method name\r\n"
          "Conditions=Winnt & VersionGE 6.2, SPLevelLT 2\r\nFileExists=zeph.exe,DEST,bin\r\n"
          "[History]\r\nTitle====Zeph 6.2 Service Pack 2===\r\n"
          "[Components]\r\n1=Programs\r\n2=Monitor\r\n3=Reports\r\n;4=Skipped\r\n5=Cleanup\r\n"
          "[Programs]\r\nUsePKG=programs.pkg\r\n1=bin\\*.exe,,DEST,bin,UPDATE\r\n"
          "2=bin\\quant.dl_,quant.dll,DEST,bin,UPDATE\r\nValfile=sp2.val\r\n"
          "M1=bin\\zeph.exe,,Corvane,Zeph,Zeph Workstation\r\n"
          "R1=hklm,\"Software\\Corvane\\Zeph Workstation\\6.00\\Paths\",^DEST^bin\r\n"
          "I1=corvane.ini,WINDOWS,,Service Packs,SP2,installed\r\n"
          "AppendPostRunApp=^DEST^bin\\zephexport.exe -auto,,ALL,ALL,Export after each run\r\n"
          "[Monitor]\r\nControlServices=ZephMonitor\r\n1=monitor.exe,,DEST,,ALWAYS\r\n"
          "[Reports]\r\nUsePKG=reports.pkg\r\n1=bin\\report.dll,,DEST,bin,UPDATE\r\n2=reports\\*.rpt,,DEST,reports,ALWAYS\r\n"
          "[Cleanup]\r\n1=help\\old.hlp,,DEST,help,REMOVE\r\n");
  ok = ok && Program(p + "bin\\zeph.exe", "workstation 6.2.20", 2, 20, VS_FF_PATCHED);
  ok = ok && Program(p + "bin\\zephexport.exe", "export 6.2.20", 2, 20);
  ok = ok && Program(p + "work\\quant.dll", "quantitation 6.2.20", 2, 20);
  const std::string quant = ReadAll(p + "work\\quant.dll");
  const auto packed = win::lz::Compress(std::vector<uint8_t>(quant.begin(), quant.end()), 'l');
  ok = ok && WriteFileText(p + "bin\\quant.dl_", std::string(packed.begin(), packed.end()));
  ok = ok && Program(p + "bin\\report.dll", "reports 6.2.20", 2, 20);
  ok = ok && Program(p + "monitor.exe", "monitor 6.2.20", 2, 20);
  ok = ok && WriteFileText(p + "reports\\daily.rpt", "[Report]\r\nTitle=Daily summary 2.0\r\nFooter=method\r\n");
  ok = ok && WriteFileText(p + "reports\\weekly.rpt", "[Report]\r\nTitle=Weekly summary\r\n");
  ok = ok && WriteFileText(p + "help\\old.hlp", "");
  ok = ok && WriteFileText(p + "uninstal.exe", "uninstaller of " + std::string(kSampleTitle));
  std::string val = ValHead("Zeph 6.2 Service Pack 2");
  val += ValRecordOf(p + "bin\\zeph.exe", "bin\\zeph.exe");
  val += ValRecordOf(p + "work\\quant.dll", "bin\\quant.dll");
  val += ValRecordOf(p + "bin\\zephexport.exe", "bin\\zephexport.exe");
  val += ValRecordOf(p + "bin\\report.dll", "bin\\report.dll");
  ok = ok && WriteFileText(p + "sp2.val", val);
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);
  SetCurrentDirectoryA("D:\\PATCH");
  ok = ok && BuildPackagesFromIni(p + "setup.ini");
  SetCurrentDirectoryA(current);
  if (ok && fault == SampleFault::kDamagedThirdPackage) {
    // The reports package loses its tables: only its head and data remain.
    const std::string pkg = ReadAll(p + "reports.pkg");
    ok = WriteFileText(p + "reports.pkg", pkg.substr(0, pkg.size() / 2));
  }
  return ok;
}

}  // namespace setup
