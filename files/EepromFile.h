#pragma once

// EEPROM files (*.eep): the 256 image bytes and nothing else.

#include "image/EepromImage.h"

#include <string>
#include <string_view>

// The part of a path behind its last separator.
std::string BaseName(std::string_view path);

// They return the message to show, or an empty text on success.
std::string LoadEepromFile(const std::string& path, EepromImage& image);
std::string StoreEepromFile(const std::string& path, const EepromImage& image);
