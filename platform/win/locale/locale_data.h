#pragma once
// The locales' items and the workstation's locale settings. Internal.
#include <map>
#include <memory>
#include <string>

#include "win_locale.h"

namespace win::locale {

using Items = std::map<LCTYPE, std::string>;

// The era name of date pictures ("g"); not offered by GetLocaleInfo.
constexpr LCTYPE kEraNameItem = 0x0000FFF1;

// The items of a locale id (LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT, a
// concrete id ...), with the workstation's overrides applied when the id is
// the user's locale and overrides are wanted. False for an unknown id.
bool Resolve(LCID lcid, bool useOverrides, Items* out, LCID* resolved = nullptr);
// The same items, shared and unchanging (null for an unknown id): made once
// for each locale while the settings stay the same.
std::shared_ptr<const Items> ResolveShared(LCID lcid, bool useOverrides, LCID* resolved = nullptr);

LCID UserLcid();
LCID SystemLcid();
bool IsNumericItem(LCTYPE type);

}  // namespace win::locale
