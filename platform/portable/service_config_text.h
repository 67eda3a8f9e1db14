// Texts handed to the service manager when a service's configuration changes: the account
// name and the double-NUL dependency list. Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace drx::platform {

// The dependency list is built in this many UTF-16 units, its final NUL included.
inline constexpr size_t kDependencyListUnits = 8192;

// "NT AUTHORITY\System" and "NT AUTHORITY\LocalSystem" (exact case) name the built-in account
// that the service manager only knows as "LocalSystem"; every other name passes unchanged.
std::u16string_view serviceAccountName(std::u16string_view account);

// Splits text (up to a NUL, if it holds one) at commas, drops empty pieces and writes each piece followed by
// a NUL, then one more NUL. False, with list untouched, when the result would need more than
// kDependencyListUnits units: such a list is refused rather than cut short.
bool encodeDependencyList(std::u16string_view text, std::u16string& list);

}  // namespace drx::platform
