#pragma once
// Export macros of the display library.
// Plain functions: C linkage, visible to hosts and to the quantitation engine.
#define KELT_API extern "C" __attribute__((visibility("default")))
// Classes exported whole.
#define KELT_CLASS __attribute__((visibility("default")))
