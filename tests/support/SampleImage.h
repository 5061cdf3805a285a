#pragma once

// A keyer image whose settings all pass the panel's checks.

#include "image/EepromImage.h"

#include <algorithm>
#include <iterator>

inline EepromImage SampleSettingsImage()
{
    EepromImage image;
    const std::uint8_t settings[] = {0, 0x23, 0, 7, 50, 10, 20, 12, 23, 5, 0, 15, 50, 48, 0x25, 0x0C, 20};
    std::copy(std::begin(settings), std::end(settings), image.bytes.begin());
    return image;
}
