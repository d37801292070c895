#pragma once

#include <stdint.h>

// What Windows asks of every program's look: its dark app mode, and high
// contrast. The engine takes a skin's dark variant for the first and steps
// aside for the second, unless the skin is made for it.

struct SystemLook {
    bool dark = false;
    bool highContrast = false;
    bool operator==(const SystemLook& other) const
    {
        return dark == other.dark && highContrast == other.highContrast;
    }
};

SystemLook ReadSystemLook();

// Whether a WM_SETTINGCHANGE may have changed the look: the dark mode's
// "ImmersiveColorSet", or a change of high contrast. Its area names come as
// the window's characters, UTF-16 or the code page's.
bool ChangesSystemLook(unsigned action, intptr_t area, bool unicode);
