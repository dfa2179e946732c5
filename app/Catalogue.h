// The fixed catalogue of services: one row per tab, in tab order.
#pragma once

struct ServiceEntry {
    const wchar_t* url;    // the service's start address
    const wchar_t* label;  // the tab's caption
};

inline constexpr int kServiceCount = 16;

extern const ServiceEntry kServiceCatalogue[kServiceCount];

// The maker's web site, opened by the About button.
inline constexpr wchar_t kMakerSite[] = L"http://tavlio.example/";
