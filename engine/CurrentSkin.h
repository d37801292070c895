#pragma once

// The skin that skinned windows paint with, shared by every painting thread.
// Below the windows and the decoration, so that both reach it and neither
// reaches the other's state.

#include "Skin.h"

#include <memory>

// The look in force: the applied skin, or its dark variant while Windows asks
// for dark apps; null while nothing is applied, and while high contrast is on
// unless the skin is made for it. Painting holds the
// reference for the duration of one message.
std::shared_ptr<const Skin> CurrentSkin();
// Applies a skin, or with null stops painting in one; the skin's GDI objects
// go with the last reference.
void SetCurrentSkin(std::shared_ptr<const Skin> skin);
// Reads again what Windows asks of the look (dark mode, high contrast); true
// when that changed, so that skinned windows are painted anew. The applied
// skin reads it as it is applied.
bool FollowSystemLook();
