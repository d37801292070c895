#include "StockSkins.h"

#include "FileAccess.h"
#include "OutputFiles.h"

#include <ctype.h>

#include <algorithm>

namespace {

constexpr char kSkinSuffix[] = ".skf";
constexpr size_t kSkinSuffixLength = sizeof kSkinSuffix - 1;

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWithSkinSuffix(const std::string& name)
{
    return name.size() > kSkinSuffixLength &&
           Lowered(name.substr(name.size() - kSkinSuffixLength)) == kSkinSuffix;
}

} // namespace

std::string StockSkinFolder(const std::string& payloadFolder)
{
#ifdef _WIN32
    return payloadFolder + "Skins\\";
#else
    // A Windows builder folder given as the payload keeps them in "Skins/".
    const std::string windowsFolder = payloadFolder + "Skins/";
    if (!FolderExists((payloadFolder + "skins").c_str()) && FolderExists(windowsFolder.c_str()))
        return windowsFolder;
    return payloadFolder + "skins/";
#endif
}

std::vector<std::string> StockSkinNames(const std::string& payloadFolder)
{
    std::vector<std::string> names;
    for (const std::string& file : FileNamesIn(StockSkinFolder(payloadFolder))) {
        if (EndsWithSkinSuffix(file))
            names.push_back(file.substr(0, file.size() - kSkinSuffixLength));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return Lowered(a) < Lowered(b);
    });
    return names;
}

bool IsStockSkinName(const std::string& argument)
{
    // Both separators count on Linux too: a Windows path given there is a
    // file the packager meant, never a stock name.
    return !argument.empty() && argument.find_first_of("/\\:") == std::string::npos &&
           !EndsWithSkinSuffix(argument);
}

SkinArgumentResult ResolveSkinArgument(const std::string& argument,
                                       const std::string& payloadFolder, std::string& path)
{
    if (!IsStockSkinName(argument)) {
        path = argument;
        return SkinArgumentResult::File;
    }
    for (const std::string& name : StockSkinNames(payloadFolder)) {
        if (Lowered(name) == Lowered(argument)) {
            path = StockSkinFolder(payloadFolder) + name + kSkinSuffix;
            return SkinArgumentResult::Stock;
        }
    }
    return SkinArgumentResult::UnknownStock;
}

std::string UnknownStockSkinMessage(const std::string& argument,
                                    const std::string& payloadFolder)
{
    const std::vector<std::string> names = StockSkinNames(payloadFolder);
    std::string message = "no stock skin is named \"" + argument + "\"";
    if (names.empty())
        return message + ", and " + StockSkinFolder(payloadFolder) + " holds none";
    message += "; the stock skins are:";
    for (size_t i = 0; i < names.size(); ++i)
        message += (i ? ", " : " ") + names[i];
    return message;
}
