#pragma once

#include <windows.h>

// Where the builder's banners, Help and About box lead. The product has no
// site of its own yet; these stay under the reserved example.com domain.
constexpr char kProductSiteUrl[] = "https://www.example.com/";
constexpr char kSkinGalleryUrl[] = "https://www.example.com/skins";
constexpr char kBuilderPageUrl[] = "https://www.example.com/installer-builder";
constexpr char kSupportMailTarget[] = "mailto:support@example.com";

// The user manual, beside the builder.
constexpr char kManualFileName[] = "Velumo Installer Manual.chm";

// Opens a target with the shell. Whether a browser or mail program is there
// is the user's affair: the result is not consulted.
void OpenWithShell(HWND owner, const char* target);
