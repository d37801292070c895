#pragma once

// `ornixcreator skin preview`: the sample wizard built in a skin and walked
// under Wine on this machine, with a picture of every page and a gallery.

#include <string>

// The exit code when Wine, or a tool the walk needs, is not installed.
constexpr int kSkinExitNoWine = 24;
// The exit code when the wizard could not be walked to its end.
constexpr int kSkinExitWalkFailed = 25;

// Runs `skin preview FILE --output DIR`; argv[0] is "preview". The sample
// package and the walk lie in payloadFolder's "preview/".
int RunSkinPreview(int argc, char** argv, const std::string& payloadFolder);

extern const char kSkinPreviewUsage[];
