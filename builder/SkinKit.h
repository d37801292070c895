#pragma once

#include <string>

// `ornixcreator skin ...`: the builder for Linux's subcommands for skin
// files, run natively through the skin engine's portable core.

// Exit codes of `skin check`, beside 0 for an accepted skin.
constexpr int kSkinExitUsage = 1;       // the command line is incomplete or unknown
constexpr int kSkinExitUnreadable = 3;  // the file is missing, a folder or unreadable
constexpr int kSkinExitRefused = 20;    // the skin engine would refuse the skin

// Runs `ornixcreator skin ARGS...`; argv[0] is "skin". payloadFolder is
// where the stock skins lie. Returns the exit code.
int RunSkinCommand(int argc, char** argv, const std::string& payloadFolder);
