#pragma once

// The port settings file: SelectedPort as 4 bytes, little-endian, signed.

#include "files/Prompts.h"

#include <cstdint>
#include <string>

// Reads the port into `selectedPort`. A missing file selects port 1 and
// writes it. Returns 1, or 0 when the file could not be read.
int ReadPortSettings(const std::string& path, std::int32_t& selectedPort, Prompts& prompts);

// The port the file names, for a reader that must not write it: 1 when
// there is no file, as after ReadPortSettings.
std::int32_t PortInSettings(const std::string& path);

// Returns 0 only when the file was created but could not be written; a file
// that cannot be created at all is passed over in silence.
int WritePortSettings(const std::string& path, std::int32_t selectedPort, Prompts& prompts);
