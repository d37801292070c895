#pragma once

// GDI objects held by the one handle owner: the skin's brushes, fonts and
// bitmaps are deleted exactly once, when the skin that made them goes.

#include "UniqueHandle.h"

#include <windows.h>

template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) { DeleteObject(object); }
};
template <typename Object>
using GdiHandle = UniqueHandle<GdiObjectTraits<Object>>;

using BrushHandle = GdiHandle<HBRUSH>;
using FontHandle = GdiHandle<HFONT>;
using BitmapHandle = GdiHandle<HBITMAP>;

// A memory DC deleted on scope exit, with the selected bitmap put back first.
class MemoryDc {
public:
    // A bitmap can be selected into one DC at a time, and the skin's are
    // shared by every painting thread: when the selection fails, get() is
    // null and the caller paints without the image rather than blank.
    MemoryDc(HDC compatible, HBITMAP bitmap)
        : dc_(CreateCompatibleDC(compatible)),
          old_(dc_ ? SelectObject(dc_, bitmap) : nullptr)
    {
    }
    ~MemoryDc()
    {
        if (dc_) {
            if (old_)
                SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return old_ ? dc_ : nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory DC drawing into a bitmap of its own, compatible with a DC, for
// what is drawn off-screen and put on the screen in one piece; get() is null
// when either could not be made. The DC lets go of the bitmap before the
// bitmap is deleted (members are destroyed in reverse order).
class OffscreenDc {
public:
    OffscreenDc(HDC compatible, int width, int height)
        : bitmap_(width > 0 && height > 0 ? CreateCompatibleBitmap(compatible, width, height)
                                          : nullptr),
          dc_(compatible, bitmap_.get())
    {
    }
    HDC get() const { return bitmap_ ? dc_.get() : nullptr; }

private:
    BitmapHandle bitmap_;
    MemoryDc dc_;
};
