#pragma once
// Export macro of the quantitation engine: plain functions with C linkage,
// bound by name by kelt32 and called by hosts.
#define MORVEX_API extern "C" __attribute__((visibility("default")))
