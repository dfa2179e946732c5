#include "PagePolicy.h"

#include <cstddef>

namespace {

// Lower case throughout, as the comparison folds the address to it.
constexpr wchar_t kHttpsPrefix[] = L"https://";
constexpr std::size_t kHttpsPrefixLength = sizeof(kHttpsPrefix) / sizeof(kHttpsPrefix[0]) - 1;

// URL schemes are ASCII: only A to Z are folded, whatever the C library's locale.
wchar_t AsciiLower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

bool IsAllowedStartAddress(const wchar_t* url)
{
    if (!url) {
        return false;
    }
    // The address's terminating NUL differs from every prefix character, so a
    // shorter address stops the loop before it is read past.
    for (std::size_t i = 0; i < kHttpsPrefixLength; ++i) {
        if (AsciiLower(url[i]) != kHttpsPrefix[i]) {
            return false;
        }
    }
    return true;
}
