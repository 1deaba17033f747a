#pragma once

#include <string>
#include <string_view>

namespace keywright::platform::win32 {

// The seam speaks UTF-8; Windows' wide calls take UTF-16. Invalid sequences
// become U+FFFD rather than cutting the text short.
std::wstring ToWide(std::string_view text);
std::string ToUtf8(std::wstring_view text);

// ASCII letters to lower case, everything else as it is. Device interface
// paths are case-insensitive; the configuration manager and device
// notifications hand them out in upper case ("\\?\HID#VID_1A2C&..."), SetupAPI
// in lower case, and the seam promises the lower-case form that the path
// rules above it match.
std::string AsciiLower(std::string text);

// The system's wording of a Windows error code, without the trailing line
// break, followed by the code: "Access is denied. (5)".
std::string DescribeError(unsigned long code);

} // namespace keywright::platform::win32
