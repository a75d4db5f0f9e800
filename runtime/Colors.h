#pragma once

#include "runtime_export.h"

#include <QtGlobal>

namespace rt {

// Colour values are 0x00BBGGRR (red in the low byte). Values with the high bit
// set name a system colour by its index in the low byte.
// Returns 0xFFRRGGBB; system colours give their classic desktop defaults.
RUNTIME_EXPORT quint32 colorValueToArgb(quint32 value);

// The colour value of a red, green and blue triple.
constexpr quint32 rgbColorValue(int red, int green, int blue) {
    return quint32(red & 0xFF) | (quint32(green & 0xFF) << 8) | (quint32(blue & 0xFF) << 16);
}

// Some system colour values.
constexpr quint32 SystemColorWindow = 0x80000005;
constexpr quint32 SystemColorWindowText = 0x80000008;
constexpr quint32 SystemColorHighlight = 0x8000000D;
constexpr quint32 SystemColorHighlightText = 0x8000000E;
constexpr quint32 SystemColorButtonFace = 0x8000000F;
constexpr quint32 SystemColorButtonText = 0x80000012;

} // namespace rt
