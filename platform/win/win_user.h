#pragma once
#include "win_types.h"
#include "win_export.h"
