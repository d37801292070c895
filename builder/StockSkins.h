#pragma once

#include <string>
#include <vector>

// The skins that ship with the product, in a folder beside the builder's
// payload: "Skins\" in the Windows builder folder, "skins/" under
// share/velumo-installer on Linux. A packager names one by its bare name
// ("Daylight"), with no folder and no ".skf".

// The stock skin folder for a payload folder that ends with its separator;
// the result ends with one too.
std::string StockSkinFolder(const std::string& payloadFolder);

// The names of the stock skins in that folder (their file names without
// ".skf"), sorted without regard to case.
std::vector<std::string> StockSkinNames(const std::string& payloadFolder);

// True for a skin argument that names a stock skin rather than a file: no
// folder separator and no ".skf" at its end.
bool IsStockSkinName(const std::string& argument);

enum class SkinArgumentResult { File, Stock, UnknownStock };

// Turns the builder's skin argument into the file to pack. A file path is
// kept as it is; a stock name becomes the path of that stock skin, found
// without regard to case. UnknownStock when no stock skin has that name.
SkinArgumentResult ResolveSkinArgument(const std::string& argument,
                                       const std::string& payloadFolder, std::string& path);

// "unknown stock skin "X"; the stock skins are: A, B, C", for the user.
std::string UnknownStockSkinMessage(const std::string& argument,
                                    const std::string& payloadFolder);
