#pragma once

// EEPROM files (*.eep): the 256 image bytes and nothing else.

#include "image/EepromImage.h"

#include <string>
#include <string_view>

// The part of a path behind its last separator.
std::string BaseName(std::string_view path);

// What reading an image from a file found; `image` is replaced only when
// it was Loaded.
struct ImageRead {
    enum Kind { Loaded, Missing, NotRegular, Unreadable, ReadFailed, Short } kind = Loaded;
    std::string why = {};  // Unreadable: in words that follow "cannot be read: "
    std::size_t bytes = 0; // Short: how many the file holds
};
ImageRead ReadEepromImage(const std::string& path, EepromImage& image);

// They return the message to show, or an empty text on success. Only a
// file that is not there is "File Not Found"; one that is there but cannot
// be read says why.
std::string LoadEepromFile(const std::string& path, EepromImage& image);
std::string StoreEepromFile(const std::string& path, const EepromImage& image);
