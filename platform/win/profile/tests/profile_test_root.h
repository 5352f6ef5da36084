#pragma once
#include "testing/workstation_root.h"

using ProfileRootTest = WorkstationRootTest;
