#pragma once

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
// "ImmersiveColorSet", or a change of high contrast.
bool ChangesSystemLook(unsigned action, const wchar_t* area);
