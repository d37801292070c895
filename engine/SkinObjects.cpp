#include "SkinObjects.h"

#include "SkinNames.h"

#include <cwchar>

namespace {

// The first twelve are the generic objects, one per kind, in SkinKind order;
// the pictures come last.
const SkinObjectInfo kObjects[] = {
    {"Dialog", SkinKind::Dialog, -1, true, 1},
    {"Button", SkinKind::PushButton, -1, true, 1},
    {"CheckBox", SkinKind::CheckBox, -1, true, 1},
    {"RadioButton", SkinKind::RadioButton, -1, true, 1},
    {"GroupBox", SkinKind::GroupBox, -1, false, 1},
    {"Static", SkinKind::Static, -1, false, 1},
    {"Edit", SkinKind::Edit, -1, false, 1},
    {"ListBox", SkinKind::ListBox, -1, false, 1},
    {"ComboBox", SkinKind::ComboBox, -1, false, 1},
    {"ListView", SkinKind::ListView, -1, false, 1},
    {"ProgressBar", SkinKind::ProgressBar, -1, true, 1},
    {"ScrollBar", SkinKind::ScrollBar, -1, false, 1},
    {"CustomFrame", SkinKind::Dialog, 0, true, 1},
    {"CustomDialog", SkinKind::Dialog, 0, true, 1},
    {"DialogAbout", SkinKind::Dialog, 0, true, 1},
    {"OpenButton", SkinKind::PushButton, 1, true, 1},
    {"GeneralButton", SkinKind::PushButton, 1, true, 1},
    {"banner_velumo", SkinKind::PushButton, 1, true, 1},
    {"banner_getmoreskin", SkinKind::PushButton, 1, true, 1},
    {"about_vl", SkinKind::PushButton, 1, true, 1},
    {"CustomEdit", SkinKind::Edit, 6, false, 1},
    // Generic, though after the named ones: nothing falls back on them.
    {"Banner", SkinKind::Picture, -1, true, 2},
    {"SideImage", SkinKind::Picture, -1, true, 2},
};
static_assert(sizeof kObjects / sizeof kObjects[0] == kSideImageObject + 1,
              "the picture objects' indices");

} // namespace

bool SameSkinName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b))
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
