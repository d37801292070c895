#pragma once

// Colour arithmetic for making skins: the WCAG 2 contrast ratio that keeps
// text readable, and the shift that moves a skin's accent to a brand colour.

#include <stdint.h>

#include <string>
#include <vector>

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

constexpr Rgb kWhite = {255, 255, 255};

// "#RRGGBB", either case; false for anything else.
bool ParseHexColour(const std::string& text, Rgb& colour);
// "#RRGGBB" in capitals, as the stock skins write them.
std::string HexColour(const Rgb& colour);
// The skin engine's 0x00BBGGRR.
Rgb RgbFromColorref(uint32_t colour);

// The WCAG 2 contrast ratio, from 1 (the same) to 21 (black on white).
double ContrastRatio(const Rgb& a, const Rgb& b);
// The engine's integer blend: percent of b over a.
Rgb Blend(const Rgb& a, const Rgb& b, int percentOfB);
// How far a colour is from grey, 0 to 1: faces and paper stay near 0, an
// accent lies well above.
double Chroma(const Rgb& colour);
// Whether a colour belongs to an accent's family rather than to the greys.
bool IsChromatic(const Rgb& colour);

// Of the candidates, the one whose worst contrast over the faces is best.
Rgb MostContrasting(const std::vector<Rgb>& candidates, const std::vector<Rgb>& faces);

// A shade moved towards black or white, whichever leads away from the text,
// only as far as the text needs to reach the ratio on it.
Rgb ReadableShade(const Rgb& shade, const Rgb& text, double ratio);

// The colour's hue and saturation at the lightness of another: a brand
// colour as a dark look's accent, as light there as the look's own was.
Rgb AtLightnessOf(const Rgb& colour, const Rgb& lightnessFrom);

// Moves a skin's accent colours to a new accent: each takes the new accent's
// hue, its lightness shifted and its saturation scaled by as much as the
// accent's own, so that the old accent lands exactly on the new one and its
// lighter and darker shades keep their places around it in one family.
class AccentShift {
public:
    AccentShift(const Rgb& from, const Rgb& to);
    Rgb Apply(const Rgb& colour) const;

private:
    Rgb from_, to_;
    double hue_ = 0, saturationScale_ = 1, lightnessShift_ = 0;
    double targetSaturation_ = 0;  // for a grey old accent: scaling has nothing to scale
    bool fromGrey_ = false;
};
