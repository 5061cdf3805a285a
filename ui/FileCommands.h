#pragma once

// File > Open and File > Save: the choosers, the file-name text and the
// boxes around loading and storing an image.

#include "image/EepromImage.h"
#include "ui/Prompts.h"

#include <functional>
#include <string>

// Shows which file was chosen (the panel's file-name text) and its full path.
using FileNameDisplay = std::function<void(const std::string& text, const std::string& path)>;

// Both return 1 on success and 0 on failure, having told the person why.
// The open chooser starts in `folder`, or where the platform likes.
int OpenEepromFile(EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName,
                   const std::string& folder = {});
// File > Open's second half, for a file named elsewhere (the command line).
int LoadNamedEepromFile(EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName,
                        const std::string& path);
int SaveEepromFile(const EepromImage& image, Prompts& prompts, Owner owner, const FileNameDisplay& showName);
