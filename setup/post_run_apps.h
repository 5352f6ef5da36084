#pragma once
// The workstation's list of programs run after each acquisition:
// [PostRunApplications] of the workstation ini, CommandCount and five
// items per entry (command line, other parameters, for detectors, for
// instruments, comments).
#include <array>
#include <string>

namespace setup {

using PostRunItems = std::array<std::string, 5>;

// Item 1-5 of entry index (an index below 1 reads entry 1); def when
// missing or when the key's format cannot be loaded.
std::string ReadPostRunItem(int index, int item, const std::string& def);
// Null text deletes the key; nothing is written for an index below 1.
int WritePostRunItem(int index, int item, const char* text);
int PostRunCount();
// The first entry after start whose command line contains command (case
// ignored), else 0.
int FindPostRunEntry(int start, const std::string& command);
int AppendPostRunEntry(const PostRunItems& items);
int InsertPostRunEntry(int position, const PostRunItems& items);
int ReplacePostRunEntry(int index, const PostRunItems& items);
int RemovePostRunEntry(int index);
// A component's AppendPostRunApp and InsertPostRunApp values ("znone"
// when absent).
void ApplyPostRunApps(const std::string& appendValue, const std::string& insertValue);

}  // namespace setup
