#include "SkinObjects.h"

#include <cwchar>

namespace {

// The first twelve are the generic objects, one per kind, in SkinKind order.
const SkinObjectInfo kObjects[] = {
    {"Dialog", SkinKind::Dialog, -1, true},
    {"Button", SkinKind::PushButton, -1, true},
    {"CheckBox", SkinKind::CheckBox, -1, true},
    {"RadioButton", SkinKind::RadioButton, -1, true},
    {"GroupBox", SkinKind::GroupBox, -1, false},
    {"Static", SkinKind::Static, -1, false},
    {"Edit", SkinKind::Edit, -1, false},
    {"ListBox", SkinKind::ListBox, -1, false},
    {"ComboBox", SkinKind::ComboBox, -1, false},
    {"ListView", SkinKind::ListView, -1, false},
    {"ProgressBar", SkinKind::ProgressBar, -1, true},
    {"ScrollBar", SkinKind::ScrollBar, -1, false},
    {"CustomFrame", SkinKind::Dialog, 0, true},
    {"CustomDialog", SkinKind::Dialog, 0, true},
    {"DialogAbout", SkinKind::Dialog, 0, true},
    {"OpenButton", SkinKind::PushButton, 1, true},
    {"GeneralButton", SkinKind::PushButton, 1, true},
    {"banner_velumo", SkinKind::PushButton, 1, true},
    {"banner_getmoreskin", SkinKind::PushButton, 1, true},
    {"about_vl", SkinKind::PushButton, 1, true},
    {"CustomEdit", SkinKind::Edit, 6, false},
};

} // namespace

bool SameSkinName(const char* a, const char* b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(*a) != lower(*b))
            return false;
    }
    return *a == *b;
}

int SkinObjectCount()
{
    return static_cast<int>(sizeof kObjects / sizeof kObjects[0]);
}

const SkinObjectInfo& SkinObjectAt(int index)
{
    return kObjects[index];
}

int FindSkinObject(const char* name)
{
    for (int i = 0; name && i < SkinObjectCount(); ++i) {
        if (SameSkinName(kObjects[i].name, name))
            return i;
    }
    return kNoObject;
}

int FindSkinObject(const wchar_t* name)
{
    char narrow[64] = {};
    if (!name || wcslen(name) >= sizeof narrow)
        return kNoObject;
    for (size_t i = 0; name[i]; ++i) {
        if (name[i] > 0x7f)
            return kNoObject;
        narrow[i] = static_cast<char>(name[i]);
    }
    return FindSkinObject(narrow);
}
