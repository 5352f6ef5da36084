#pragma once
// Framework classes are exported whole.
#define FRAMEWORK_CLASS __attribute__((visibility("default")))
#define FRAMEWORK_API extern "C" __attribute__((visibility("default")))
