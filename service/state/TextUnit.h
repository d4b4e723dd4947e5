// Small text rules shared by the service's units.
#pragma once

#include <string_view>

// The text without leading and trailing characters up to 32 (blanks and
// control characters), as typed passwords and a request's type are read.
// Multi-byte UTF-8 characters never contain such bytes.
inline std::string_view TrimBlanksAndControls(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}
