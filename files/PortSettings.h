#pragma once

// The port settings file: SelectedPort as 4 bytes, little-endian, signed.

#include <cstdint>
#include <string>

// Both return the warning to show the person, or an empty text.

// Reads the port into `selectedPort`. A missing file selects port 1 and
// writes it; a file that is there but cannot be read selects port 1, is
// left as it is, and the warning says why.
std::string ReadPortSettings(const std::string& path, std::int32_t& selectedPort);

// The port the file names, for a reader that must not write it: 1 when
// there is no file, as after ReadPortSettings. `warning`, where given,
// says why a file that is there could not be read.
std::int32_t PortInSettings(const std::string& path, std::string* warning = nullptr);

// Warns only when the file was created but could not be written; a file
// that cannot be created at all is passed over in silence.
std::string WritePortSettings(const std::string& path, std::int32_t selectedPort);
