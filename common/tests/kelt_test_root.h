#pragma once
// A fresh workstation root per test.
#include "testing/workstation_root.h"

using KeltRootTest = WorkstationRootTest;
