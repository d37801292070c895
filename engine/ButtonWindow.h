#pragma once

// Skinned buttons: push buttons in every skin; check boxes, radio buttons
// and group boxes in skins that draw whole controls.

#include "WindowData.h"

MessageFunction ButtonMessage;
