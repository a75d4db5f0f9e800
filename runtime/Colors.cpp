#include "Colors.h"

#include <iterator>

namespace rt {

quint32 colorValueToArgb(quint32 value) {
    if (value & 0x80000000u) {
        // 0x00RRGGBB defaults of the system colours, by index.
        static constexpr quint32 system[] = {
            0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
            0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0,
            0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
            0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};
        const quint32 index = value & 0xFF;
        const quint32 rgb = index < std::size(system) ? system[index] : 0;
        return 0xFF000000u | rgb;
    }
    const quint32 red = value & 0xFF, green = (value >> 8) & 0xFF, blue = (value >> 16) & 0xFF;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

} // namespace rt
