#pragma once
#include "testing/workstation_root.h"
#include "win/win_kernel.h"

using KernelRootTest = WorkstationRootTest;
