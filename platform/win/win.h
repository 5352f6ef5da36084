#pragma once
// The operating-system stand-in, all areas.
#include "win_types.h"
#include "win_kernel.h"
#include "win_threads.h"
#include "win_profile.h"
#include "win_locale.h"
#include "win_crt.h"
#include "win_gdi.h"
#include "win_user.h"
#include "win_clipboard.h"
