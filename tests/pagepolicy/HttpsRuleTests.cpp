// The rule for start addresses: which addresses a pane may navigate to first.
#include "PagePolicy.h"

#include <doctest.h>

#include <string>

namespace {

struct StartAddressCase {
    const wchar_t* url;
    bool allowed;
    const char* why;
};

constexpr StartAddressCase kStartAddressCases[] = {
    {L"https://chatgpt.com", true, "a catalogue address"},
    {L"HTTPS://x", true, "the scheme in capitals"},
    {L"Https://x/?a=b", true, "the scheme in mixed case, with a query"},
    {L"https://", true, "the scheme alone: the engine judges the rest"},
    {L"http://host/?next=https://x", false, "https:// only in the query of a plain-HTTP address"},
    {L"http://x", false, "plain HTTP"},
    {L"", false, "empty"},
    {nullptr, false, "null"},
    {L"chatgpt.com", false, "no scheme"},
    {L"  https://x", false, "leading blanks are not skipped"},
    {L"\thttps://x", false, "a leading tab is not skipped"},
    {L"https:/x", false, "one slash"},
    {L"https:x", false, "no slashes"},
    {L"https", false, "cut short inside the scheme"},
    {L"ftp://https://x", false, "https:// after another scheme"},
    {L"httpss://x", false, "a longer scheme that starts like https"},
};

} // namespace

TEST_CASE("start addresses pass only when they begin with https://")
{
    for (const StartAddressCase& c : kStartAddressCases) {
        INFO(std::string(c.why));
        CHECK(IsAllowedStartAddress(c.url) == c.allowed);
    }
}
