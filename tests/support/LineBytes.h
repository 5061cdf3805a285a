#pragma once

// What the editor puts on the line before every command: the three 0x13
// bytes, the echo check, 00 03 and the revision query; then the two readings.

#include <cstdint>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline const Bytes HandshakeBytes{0x13, 0x13, 0x13, 0x00, 0x04, 0x55, 0x00, 0x03, 0x00, 0x09};
inline const Bytes ReadingBytes{0x00, 0x06, 0x00, 0x05};

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
