// Identifiers of the resources that Tavlio.exe carries. Plain defines, as the
// resource compiler reads this file too.
#pragma once

// The splash picture: a complete PNG file under the named resource type "PNG".
#define IDR_SPLASH_PNG 6767

// Two icon groups with the same five images. The shell shows the group with
// the lowest identifier as the executable's icon.
#define IDI_TAVLIO 107
#define IDI_TAVLIO_SMALL 108
