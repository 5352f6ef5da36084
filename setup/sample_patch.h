#pragma once
// A sample workstation at version 6.2, service pack 1, and a service-pack
// update for it, built the way an update's author builds one (its
// packages made from its install script). Used by the tests and by the
// sample maker program.
#include <string>

namespace setup {

inline constexpr const char* kSampleTitle = "Zeph 6.2 Service Pack 2";

// The workstation in C:\Workstation with its ini, validation file,
// registry keys and its running monitor service ("ZephMonitor").
bool MakeSampleWorkstation();
enum class SampleFault { kNone, kDamagedThirdPackage };
// The update in D:\PATCH: setup.ini, sources, validation file, packages.
bool MakeSamplePatch(SampleFault fault = SampleFault::kNone);

}  // namespace setup
