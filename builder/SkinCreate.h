#pragma once

// `ornixcreator skin create`: a packager's brand skin, derived from a stock
// skin or a skin file, with its accent, face, text, font, name and images
// changed, every text kept readable, and checked as the engine checks it.

#include <string>

// The exit code of a colour that leaves some text unreadable.
constexpr int kSkinExitContrast = 21;
// The exit code of a picture that cannot be read or is no PNG, JPEG or BMP.
constexpr int kSkinExitImage = 22;
// The exit code of an output that cannot be written (a missing folder).
constexpr int kSkinExitOutput = 23;

// Runs `skin create ARGS...`; argv[0] is "create". payloadFolder is where the
// stock skins lie, for --from NAME.
int RunSkinCreate(int argc, char** argv, const std::string& payloadFolder);

// The usage lines of `skin create`.
extern const char kSkinCreateUsage[];
