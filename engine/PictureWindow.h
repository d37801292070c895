#pragma once

// What the engine shows on an installer page's bitmaps: the skin's banner or
// side picture in place of the package's, and the transparent text that
// stands on them.

#include "WindowData.h"

MessageFunction PictureMessage;
MessageFunction TransparentTextMessage;
