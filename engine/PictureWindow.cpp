#include "PictureWindow.h"

#include "DialogFace.h"
#include "PaintMessage.h"
#include "SkinControls.h"
#include "SkinPainter.h"
#include "WindowDpi.h"
#include "WindowKinds.h"

namespace {

void PaintPicture(HWND window, HDC dc, const SkinObjectPaint& paint)
{
    RECT area;
    GetClientRect(window, &area);
    const int dpi = WindowDpi(window);
    // On a page that reads right to left the skin's picture is turned over
    // with it, so that what stands clear of the titles still does.
    if (ReadsRightToLeft(GetParent(window))) {
        PaintMirrored(dc, area, [&](HDC into, const RECT& all) {
            PaintImageCover(into, all, paint.image, dpi);
        });
        return;
    }
    PaintImageCover(dc, area, paint.image, dpi);
}

// Transparent text, drawn off-screen over what lies beneath it: the
// dialog's face and any bitmap of the page under it, the skin's picture or
// the package's own, then the text itself, so that it comes up in one piece.
void PaintTransparentText(HWND window, HDC dc, const Skin& skin, const SkinObjectPaint& paint)
{
    RECT all;
    GetClientRect(window, &all);
    const int width = all.right, height = all.bottom;
    const OffscreenDc offscreen(dc, width, height);
    HDC memory = offscreen.get();
    if (!memory)
        return;
    PaintStandingFace(memory, all, StandingFace(window, skin), paint);
    const RECT mine = PlaceInParent(window);
    // From the bottom of the z-order up, so that the topmost ends on top.
    HWND parent = GetParent(window);
    HWND first = GetWindow(parent, GW_CHILD);
    for (HWND other = first ? GetWindow(first, GW_HWNDLAST) : nullptr; other;
         other = GetWindow(other, GW_HWNDPREV)) {
        if (other == window || !IsWindowVisible(other) || !IsBitmapStatic(other))
            continue;
        const RECT theirs = PlaceInParent(other);
        RECT overlap;
        if (!IntersectRect(&overlap, &theirs, &mine))
            continue;
        // Whole, then the part beneath: a stretched image drawn through a
        // moved origin does not come out as the picture paints itself.
        const int otherWidth = theirs.right - theirs.left, otherHeight = theirs.bottom - theirs.top;
        const OffscreenDc wholeDc(dc, otherWidth, otherHeight);
        if (HDC whole = wholeDc.get()) {
            SendMessageW(other, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(whole), PRF_CLIENT);
            BitBlt(memory, overlap.left - mine.left, overlap.top - mine.top,
                   overlap.right - overlap.left, overlap.bottom - overlap.top, whole,
                   overlap.left - theirs.left, overlap.top - theirs.top, SRCCOPY);
        }
    }
    // The static draws its text over that, asking the dialog for its colours
    // and getting a hollow brush (ControlColour).
    DefSubclassProc(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}

} // namespace

LRESULT PictureMessage(HWND window, UINT message, WPARAM wParam, LPARAM, WindowData&,
                       const Skin&, const SkinObjectPaint& paint, bool& handled)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) {
            // Transparent text over the picture paints the picture beneath
            // itself; painting over it here would wipe the text out.
            const RECT mine = PlaceInParent(window);
            HWND parent = GetParent(window);
            for (HWND other = GetWindow(parent, GW_CHILD); other;
                 other = GetWindow(other, GW_HWNDNEXT)) {
                if (other == window || !IsWindowVisible(other) || !IsTransparentText(other))
                    continue;
                const RECT theirs = PlaceInParent(other);
                ExcludeClipRect(dc, theirs.left - mine.left, theirs.top - mine.top,
                                theirs.right - mine.left, theirs.bottom - mine.top);
            }
            PaintPicture(window, dc, paint);
        }
        EndPaint(window, &ps);
        handled = true;
        return 0;
    }
    switch (message) {
    case WM_PRINTCLIENT:
        PaintPicture(window, reinterpret_cast<HDC>(wParam), paint);
        handled = true;
        return 0;
    case WM_ERASEBKGND:
        handled = true;
        return 1;
    default:
        return 0;
    }
}

LRESULT TransparentTextMessage(HWND window, UINT message, WPARAM wParam, LPARAM, WindowData&,
                               const Skin& skin, const SkinObjectPaint& paint, bool& handled)
{
    if (PaintsWith(window, message, wParam,
                   [&](HDC dc) { PaintTransparentText(window, dc, skin, paint); })) {
        handled = true;
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        handled = true;
        return 1;
    }
    return 0;
}
