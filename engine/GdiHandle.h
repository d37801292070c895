#pragma once

// Owning wrapper for a GDI object: the skin's brushes, fonts and bitmaps are
// deleted exactly once, when the skin that made them goes.

#include <windows.h>

template <typename Handle>
class GdiHandle {
public:
    GdiHandle() = default;
    explicit GdiHandle(Handle handle) : handle_(handle) {}
    ~GdiHandle() { reset(); }
    GdiHandle(const GdiHandle&) = delete;
    GdiHandle& operator=(const GdiHandle&) = delete;
    GdiHandle(GdiHandle&& other) noexcept : handle_(other.release()) {}
    GdiHandle& operator=(GdiHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle release()
    {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void reset(Handle handle = nullptr)
    {
        if (handle_)
            DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

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
