// The page policy every pane receives before its first navigation: the
// context-menu download script and the rule for start addresses.
#pragma once

// kContextMenuDownloadScript: the text of ContextMenuDownload.js, embedded by
// the build. Handed to AddScriptToExecuteOnDocumentCreated before Navigate, so
// every document the pane loads, frames included, carries the listener.
#include "ContextMenuDownloadScript.h"

// What the user is told when a start address is refused.
inline constexpr wchar_t kHttpsOnlyMessage[] = L"Only HTTPS URLs are allowed.";

// True when the start address begins with "https://", the scheme compared
// without regard to case as URL schemes are; a null address is refused.
// Nothing before the scheme is skipped, so an address with leading blanks is
// refused, and "https://" further on (in a query, say) does not count.
bool IsAllowedStartAddress(const wchar_t* url);
