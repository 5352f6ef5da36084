#include "post_run_apps.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "run_state.h"
#include "script_format.h"
#include "setup_log.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace setup {

namespace {

const char kSection[] = "PostRunApplications";

bool KeyFormat(int item, std::string* format) {
  char buf[64] = {};
  if (item < 1 || item > 5 || LoadStringA(TheRun().instance, static_cast<UINT>(item), buf, sizeof buf) <= 0) return false;
  *format = buf;
  return true;
}

std::string Key(const std::string& format, int index) {
  char key[80];
  std::snprintf(key, sizeof key, format.c_str(), index);
  return key;
}

const std::string& Ini() { return TheRun().workstationIni; }

void MoveEntry(int from, int to) {
  for (int item = 1; item <= 5; ++item) {
    const std::string v = ReadPostRunItem(from, item, item == 3 || item == 4 ? "ALL" : "");
    WritePostRunItem(to, item, v.c_str());
  }
}

void WriteEntry(int index, const PostRunItems& items) {
  for (int item = 1; item <= 5; ++item) WritePostRunItem(index, item, items[item - 1].c_str());
}

void SetCount(int n) {
  WritePrivateProfileStringA(kSection, "CommandCount", std::to_string(n).c_str(), Ini().c_str());
}

}  // namespace

std::string ReadPostRunItem(int index, int item, const std::string& def) {
  std::string format;
  if (!KeyFormat(item, &format)) return def;
  char buf[512] = {};
  GetPrivateProfileStringA(kSection, Key(format, index < 1 ? 1 : index).c_str(), def.c_str(), buf, sizeof buf,
                           Ini().c_str());
  return buf;
}

int WritePostRunItem(int index, int item, const char* text) {
  std::string format;
  if (index < 1 || !KeyFormat(item, &format)) return 0;
  return WritePrivateProfileStringA(kSection, Key(format, index).c_str(), text, Ini().c_str());
}

int PostRunCount() {
  const int16_t n = static_cast<int16_t>(GetPrivateProfileIntA(kSection, "CommandCount", 0, Ini().c_str()));
  return n < 0 ? 0 : n;
}

int FindPostRunEntry(int start, const std::string& command) {
  const int n = PostRunCount();
  for (int i = start + 1; i <= n; ++i)
    if (ContainsNoCase(ReadPostRunItem(i, 1, ""), command)) return i;
  return 0;
}

int AppendPostRunEntry(const PostRunItems& items) {
  const int n = PostRunCount() + 1;
  SetCount(n);
  WriteEntry(n, items);
  return n;
}

int InsertPostRunEntry(int position, const PostRunItems& items) {
  const int n = PostRunCount();
  if (position < 1) position = 1;
  if (position > n) position = n + 1;
  for (int i = n; i >= position; --i) MoveEntry(i, i + 1);
  WriteEntry(position, items);
  SetCount(n + 1);
  return n + 1;
}

int ReplacePostRunEntry(int index, const PostRunItems& items) {
  if (index < 1 || index > PostRunCount()) return 0;
  WriteEntry(index, items);
  return index;
}

int RemovePostRunEntry(int index) {
  const int n = PostRunCount();
  if (index < 1 || index > n) return 0;
  for (int i = index + 1; i <= n; ++i) MoveEntry(i, i - 1);
  for (int item = 1; item <= 5; ++item) WritePostRunItem(n, item, nullptr);
  SetCount(n - 1);
  return 1;
}

void ApplyPostRunApps(const std::string& appendValue, const std::string& insertValue) {
  RunState& r = TheRun();
  if (!IsNone(appendValue)) {
    PostRunItems items;
    bool complete = true;
    for (int f = 1; f <= 5; ++f) complete = GetField(appendValue, f, &items[f - 1]) && complete;
    if (complete && !ExpandSetupValue(items[0])) {
      r.failed = 1;
      LogLine("Failed to expand value in AppendPostRunApp line: " + appendValue + ". Check setup value name such as ^DEST^");
      complete = false;
    }
    if (!complete) {
      LogLine("Bad AppendPostRun line: " + appendValue);
      r.failed = 1;
    } else if (const int i = FindPostRunEntry(0, items[0])) {
      if (ReplacePostRunEntry(i, items)) {
        LogLine("Replaced AppendPostRun line: " + appendValue + ".");
      } else {
        LogLine("Failed AppendPostRun line: " + appendValue + ". replacing line " + std::to_string(i));
        r.failed = 1;
      }
    } else if (AppendPostRunEntry(items)) {
      LogLine("Appended AppendPostRun line: " + appendValue);
    } else {
      LogLine("Failed AppendPostRun line: " + appendValue);
      r.failed = 1;
    }
  }
  if (!IsNone(insertValue)) {
    std::string position;
    PostRunItems items;
    bool complete = GetField(insertValue, 1, &position);
    for (int f = 2; f <= 6; ++f) complete = GetField(insertValue, f, &items[f - 2]) && complete;
    if (complete && !ExpandSetupValue(items[0])) {
      r.failed = 1;
      LogLine("Failed to expand value in InsertPostRunApp line: " + insertValue + ". Check setup value name such as ^DEST^");
      complete = false;
    }
    for (int f = 1; f < 5; ++f) items[f] = WithoutQuotes(items[f]);
    if (!complete) {
      LogLine("Bad InsertPostRun line: " + insertValue);
      r.failed = 1;
    } else if (const int i = FindPostRunEntry(0, items[0])) {
      if (ReplacePostRunEntry(i, items)) {
        LogLine("Replaced InsertPostRun line: " + insertValue + ". replacing line " + std::to_string(i));
      } else {
        LogLine("Failed InsertPostRun line: " + insertValue + ". replacing line " + std::to_string(i));
        r.failed = 1;
      }
    } else if (InsertPostRunEntry(std::atoi(position.c_str()), items)) {
      LogLine("Inserted InsertPostRun line: " + insertValue);
    } else {
      LogLine("Failed InsertPostRun line: " + insertValue);
      r.failed = 1;
    }
  }
}

}  // namespace setup
