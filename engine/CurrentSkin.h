#pragma once

// The skin that skinned windows paint with, shared by every painting thread.
// Below the windows and the decoration, so that both reach it and neither
// reaches the other's state.

#include "Skin.h"

#include <memory>

// The applied skin, or null while nothing is applied. Painting holds the
// reference for the duration of one message.
std::shared_ptr<const Skin> CurrentSkin();
// Applies a skin, or with null stops painting in one; the skin's GDI objects
// go with the last reference.
void SetCurrentSkin(std::shared_ptr<const Skin> skin);
