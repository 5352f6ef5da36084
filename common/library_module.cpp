// The display library's module: start-up and shut-down arrive here.
#include "common/kelt_export.h"
