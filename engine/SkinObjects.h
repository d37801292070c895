#pragma once

// The table of skin objects: the generic ones that skin windows by their
// kind, and the named ones the programs hand to SetCustomSkinWnd. A named
// object falls back on its generic object, key by key.

enum class SkinKind {
    Dialog,
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static,
    Edit,
    ListBox,
    ComboBox,
    ListView,
    ProgressBar,
    ScrollBar,
    Picture,  // a bitmap of a Windows Installer page: its banner or side picture
};

struct SkinObjectInfo {
    const char* name;   // the section name in skin.ini, compared without case
    SkinKind kind;      // how a window with this object is painted
    int generic;        // index of the object it falls back on, or -1
    bool mayHaveImage;  // whether the section may name an image
    int since;          // first format that knows the object
};

constexpr int kNoObject = -1;
// The two pictures of an installer page, painted over the package's bitmaps.
constexpr int kBannerObject = 21;
constexpr int kSideImageObject = 22;

int SkinObjectCount();
const SkinObjectInfo& SkinObjectAt(int index);
// Index of the object with this name (ASCII, any case), or kNoObject.
int FindSkinObject(const char* name);
int FindSkinObject(const wchar_t* name);
// Whether two ASCII names are equal but for case.
bool SameSkinName(const char* a, const char* b);
