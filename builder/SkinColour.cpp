#include "SkinColour.h"

#include <magick/MagickCore.h>

#include <math.h>
#include <stdio.h>

#include <algorithm>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

double Linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const Rgb& colour)
{
    return 0.2126 * Linear(colour.r) + 0.7152 * Linear(colour.g) + 0.0722 * Linear(colour.b);
}

Quantum ToQuantum(int channel)
{
    return static_cast<Quantum>(channel * (QuantumRange / 255.0) + 0.5);
}

int FromQuantum(Quantum value)
{
    return std::clamp(static_cast<int>(lround(value * 255.0 / QuantumRange)), 0, 255);
}

void ToHsl(const Rgb& colour, double& hue, double& saturation, double& lightness)
{
    ConvertRGBToHSL(ToQuantum(colour.r), ToQuantum(colour.g), ToQuantum(colour.b), &hue,
                    &saturation, &lightness);
}

Rgb FromHsl(double hue, double saturation, double lightness)
{
    Quantum r, g, b;
    hue -= floor(hue);
    ConvertHSLToRGB(hue, std::clamp(saturation, 0.0, 1.0), std::clamp(lightness, 0.0, 1.0), &r,
                    &g, &b);
    return {FromQuantum(r), FromQuantum(g), FromQuantum(b)};
}

} // namespace

bool ParseHexColour(const std::string& text, Rgb& colour)
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    int channels[3];
    for (int i = 0; i < 3; ++i) {
        const int high = HexDigit(text[1 + 2 * i]), low = HexDigit(text[2 + 2 * i]);
        if (high < 0 || low < 0)
            return false;
        channels[i] = high * 16 + low;
    }
    colour = {channels[0], channels[1], channels[2]};
    return true;
}

std::string HexColour(const Rgb& colour)
{
    char text[8];
    snprintf(text, sizeof text, "#%02X%02X%02X", colour.r, colour.g, colour.b);
    return text;
}

Rgb RgbFromColorref(uint32_t colour)
{
    return {int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF)};
}

double ContrastRatio(const Rgb& a, const Rgb& b)
{
    const double x = Luminance(a), y = Luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

Rgb Blend(const Rgb& a, const Rgb& b, int percentOfB)
{
    auto mix = [percentOfB](int x, int y) { return (x * (100 - percentOfB) + y * percentOfB) / 100; };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

double Chroma(const Rgb& colour)
{
    const int high = std::max({colour.r, colour.g, colour.b});
    const int low = std::min({colour.r, colour.g, colour.b});
    return (high - low) / 255.0;
}

bool IsChromatic(const Rgb& colour)
{
    // Paper, slate and greys stay below this; an accent's shades lie above.
    return Chroma(colour) >= 0.12;
}

Rgb MostContrasting(const std::vector<Rgb>& candidates, const std::vector<Rgb>& faces)
{
    Rgb best = candidates.front();
    double bestWorst = -1;
    for (const Rgb& candidate : candidates) {
        double worst = 21;
        for (const Rgb& face : faces)
            worst = std::min(worst, ContrastRatio(candidate, face));
        if (worst > bestWorst) {
            bestWorst = worst;
            best = candidate;
        }
    }
    return best;
}

Rgb ReadableShade(const Rgb& shade, const Rgb& text, double ratio)
{
    const Rgb away = Luminance(text) > 0.18 ? Rgb{0, 0, 0} : kWhite;
    for (int percent = 0; percent <= 100; percent += 2) {
        const Rgb moved = Blend(shade, away, percent);
        if (ContrastRatio(moved, text) >= ratio)
            return moved;
    }
    return away;
}

Rgb AtLightnessOf(const Rgb& colour, const Rgb& lightnessFrom)
{
    double hue, saturation, lightness, unused, wanted;
    ToHsl(colour, hue, saturation, lightness);
    ToHsl(lightnessFrom, unused, unused, wanted);
    return FromHsl(hue, saturation, wanted);
}

AccentShift::AccentShift(const Rgb& from, const Rgb& to) : from_(from), to_(to)
{
    double fromHue, fromSaturation, fromLightness, toHue, toSaturation, toLightness;
    ToHsl(from, fromHue, fromSaturation, fromLightness);
    ToHsl(to, toHue, toSaturation, toLightness);
    (void)fromHue;
    hue_ = toHue;
    lightnessShift_ = toLightness - fromLightness;
    fromGrey_ = fromSaturation < 1e-6;
    targetSaturation_ = toSaturation;
    if (!fromGrey_)
        saturationScale_ = toSaturation / fromSaturation;
}

Rgb AccentShift::Apply(const Rgb& colour) const
{
    // Exactly, not within the rounding of a round trip through HSL.
    if (colour == from_)
        return to_;
    double hue, saturation, lightness;
    ToHsl(colour, hue, saturation, lightness);
    const double shifted = fromGrey_ ? targetSaturation_ : saturation * saturationScale_;
    (void)hue;
    return FromHsl(hue_, shifted, lightness + lightnessShift_);
}
