#pragma once

// Fonts and the colours of views, rich edits and progress bars are the
// window's own state: the engine sets them when it attaches and puts the
// window's own values back when it detaches.

#include "WindowData.h"

void ApplyWindowState(HWND window, WindowData& data, const SkinObjectPaint& paint);
void RestoreWindowState(HWND window, WindowData& data);

// The colours each class sets, for the class table.
void ApplyTreeColours(HWND window, WindowData& data, const SkinObjectPaint& paint);
void RestoreTreeColours(HWND window, WindowData& data);
void ApplyListColours(HWND window, WindowData& data, const SkinObjectPaint& paint);
void RestoreListColours(HWND window, WindowData& data);
void ApplyRichTextColours(HWND window, WindowData& data, const SkinObjectPaint& paint);
void RestoreRichTextColours(HWND window, WindowData& data);
void ApplyProgressColours(HWND window, WindowData& data, const SkinObjectPaint& paint);
void RestoreProgressColours(HWND window, WindowData& data);

// A rich edit takes its colours as content formatting, which new content
// brings along: they are set again whenever text comes in.
void ColourRichText(HWND window, const SkinObjectPaint& paint);
