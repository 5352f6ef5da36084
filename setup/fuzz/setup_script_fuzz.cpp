// libFuzzer target over install scripts: the input is a setup.ini. Every
// [General] key, every component line and every numbered line of each
// component is read and split into fields as the installer does; fields
// never hold a comma or lead with a blank, and placeholder expansion
// either fails leaving the text alone or drops every quote; conditions
// hold, fail or stop the program with exit code 1.
#include <cstdint>
#include <string>

#include "conditions.h"
#include "run_state.h"
#include "script_format.h"
#include "testing/fuzz_support.h"

namespace {

const char kScript[] = "C:\\FUZZ\\setup.ini";

void CheckFields(const std::string& value) {
  for (int n = 1; n <= 7; ++n) {
    std::string f;
    if (!setup::GetField(value, n, &f)) break;
    fuzz::Check(f.find(',') == std::string::npos, "a field holds a comma");
    fuzz::Check(f.empty() || (f[0] != ' ' && f[0] != '\t'), "a field leads with a blank");
    std::string expanded = f;
    if (setup::ExpandSetupValue(expanded))
      fuzz::Check(expanded.find('"') == std::string::npos, "an expansion kept a quote");
    else
      fuzz::Check(expanded == f, "a failed expansion changed the text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  fuzz::WriteBytes(win::paths::ToHost(kScript), data, size);
  setup::ResetRun();
  setup::TheRun().destFolder = "C:\\Workstation";
  setup::TheRun().sourceFolder = "C:\\FUZZ";
  for (const char* key : {"WSTitle", "WSType", "DestDir", "HotFix", "Conditions", "FileExists", "FreeSpaceRequired"})
    CheckFields(setup::ReadScriptValue(kScript, "General", key, setup::kHotFixLength));
  int components = 0;
  for (const std::string& line : setup::ReadScriptSection(kScript, "Components")) {
    std::string name;
    if (!setup::ComponentSectionName(line, &name) || name.empty() || name[0] == ';') continue;
    if (++components > 8) break;
    for (const char* prefix : {"", "M", "R", "I", "L"}) {
      int lines = 0;
      for (const std::string& v : setup::ReadNumberedValues(kScript, name, prefix)) {
        fuzz::Check(!setup::IsNone(v), "a numbered list went past an absent key");
        CheckFields(v);
        if (++lines > 16) break;
      }
    }
    CheckFields(setup::ReadScriptValue(kScript, name, "AppendPostRunApp", setup::kPostRunLength));
    // Conditions either hold, do not, or stop the program with code 1.
    setup::TheRun().scriptPath = kScript;
    try {
      const int holds = setup::EvaluateConditions(name);
      fuzz::Check(holds == 0 || holds == 1, "a condition result other than 0 or 1");
    } catch (const setup::ExitRequest& e) {
      fuzz::Check(e.code == 1, "a condition stop with another exit code");
    }
    CheckFields(setup::ReadScriptValue(kScript, name, "InsertPostRunApp", setup::kPostRunLength));
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string text =
      "[General]\r\nWSTitle=Sample Update\r\nSetupIniVersion=10\r\nWSType=independent\r\nDestDir=C:\\Lab\\\r\n"
      "Conditions=Winnt & !Win2k, VersionGE 6.2\r\nHotFix=12,Fixes the report footer\r\n"
      "[Components]\r\nCore=Core\r\n;Old=Skipped\r\n[Core]\r\nUsePKG=core.pkg\r\n1=bin\\*.dll,,DEST,bin,UPDATE,SELFREG\r\n"
      "2=readme.txt,,DEST,,ALWAYS,KEEP\r\nM1=bin\\app.exe,,Corvane,Tools,App\r\nR1=hklm,\"Software\\Corvane\",^DEST^bin\r\n"
      "I1=app.ini,DEST,,Paths,Bin,^DEST^bin\r\nL1=%SOURCE%\\fix.exe,/q,DEST,WAIT\r\n"
      "AppendPostRunApp=^DEST^post.exe,-x,ALL,ALL,note\r\nInsertPostRunApp=2,^DEST^first.exe,,ALL,ALL,\r\n";
  const std::string path = std::string(folder) + "/script.ini";
  fuzz::WriteBytes(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return 0;
}
