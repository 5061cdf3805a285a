#pragma once

// EEPROM files (*.eep): the 256 image bytes and nothing else.

#include "files/Prompts.h"
#include "image/EepromImage.h"

#include <functional>
#include <string>
#include <string_view>

// Shows which file was chosen (the panel's file-name text) and its full path.
using FileNameDisplay = std::function<void(const std::string& text, const std::string& path)>;

// The part of a path behind its last separator.
std::string BaseName(std::string_view path);

// Both return 1 on success and 0 on failure, having told the person why.
// The open chooser starts in `folder`, or where the platform likes.
int OpenEepromFile(EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName,
                   const std::string& folder = {});
int SaveEepromFile(const EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName);

// The byte-level halves, without choosers: they return the message to show,
// or an empty text on success.
std::string LoadEepromFile(const std::string& path, EepromImage& image);
std::string StoreEepromFile(const std::string& path, const EepromImage& image);
