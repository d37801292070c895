#pragma once

// Skinned fields and lists in skins that draw whole controls: the border and
// scroll bars around edits, list boxes, views and combo boxes, and the
// controls whose client area the engine paints whole (progress bars, combo
// boxes, list headers, scroll bar controls, static lines and frames).

#include "WindowData.h"

// The border and scroll bars; the control paints its client area.
MessageFunction FieldMessage;
// A plain edit, its client area recoloured from what it draws.
MessageFunction EditMessage;
// A rich edit, its colours set again whenever text comes in.
MessageFunction RichEditMessage;
// A list box that is not owner-drawn, items and all.
MessageFunction ListBoxMessage;
// A static with a border of its own.
MessageFunction StaticBorderMessage;
// Painted whole.
MessageFunction ProgressMessage;
MessageFunction HeaderMessage;
MessageFunction ComboBoxMessage;
MessageFunction StaticShapeMessage;
MessageFunction ScrollBarMessage;

// The colours of a tree's or a list view's item, selected or not.
LRESULT TreeItemColours(NMCUSTOMDRAW& draw, const SkinObjectPaint& paint);
LRESULT ListItemColours(NMCUSTOMDRAW& draw, const SkinObjectPaint& paint);
