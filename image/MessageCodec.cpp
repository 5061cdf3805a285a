#include "image/MessageCodec.h"

// clang-format off
const std::array<std::uint8_t, 96> MorseTable{
    //  sp     !     "     #     $     %     &     '
    0x1C, 0x01, 0x52, 0x01, 0xC8, 0x01, 0x01, 0x5E,
    //   (     )     *     +     ,     -     .     /
    0x2D, 0x6D, 0x01, 0x2A, 0x73, 0x61, 0x6A, 0x29,
    //   0     1     2     3     4     5     6     7
    0x3F, 0x3E, 0x3C, 0x38, 0x30, 0x20, 0x21, 0x23,
    //   8     9     :     ;     <     =     >     ?
    0x27, 0x2F, 0x2D, 0x1A, 0x2A, 0x31, 0x68, 0x4C,
    //   @     A     B     C     D     E     F     G
    0x56, 0x06, 0x11, 0x15, 0x09, 0x02, 0x14, 0x0B,
    //   H     I     J     K     L     M     N     O
    0x10, 0x04, 0x1E, 0x0D, 0x12, 0x07, 0x05, 0x0F,
    //   P     Q     R     S     T     U     V     W
    0x16, 0x1B, 0x0A, 0x08, 0x03, 0x0C, 0x18, 0x0E,
    //   X     Y     Z     [     \     ]     ^     _
    0x19, 0x1D, 0x13, 0x22, 0x29, 0x2D, 0x01, 0x01,
    //   `     a     b     c     d     e     f     g
    0x01, 0x06, 0x11, 0x15, 0x09, 0x02, 0x14, 0x0B,
    //   h     i     j     k     l     m     n     o
    0x10, 0x04, 0x1E, 0x0D, 0x12, 0x07, 0x05, 0x0F,
    //   p     q     r     s     t     u     v     w
    0x16, 0x1B, 0x0A, 0x08, 0x03, 0x0C, 0x18, 0x0E,
    //   x     y     z     {     |     }     ~   DEL
    0x19, 0x1D, 0x13, 0x01, 0x2C, 0x01, 0x01, 0x01,
};
// clang-format on

namespace {
// Image addresses are computed in int; the array wants a size_t.
std::size_t Address(int address)
{
    return static_cast<std::size_t>(address);
}
} // namespace

std::uint8_t MorseCodeFor(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code > 127)
        return NoMorseCode;
    return MorseTable[code - 32];
}

char CharForCode(std::uint8_t code)
{
    for (std::size_t i = 0; i < MorseTable.size(); ++i) {
        if (MorseTable[i] == code)
            return static_cast<char>(32 + i);
    }
    return 0;
}

bool IsStorable(char c)
{
    // 0x01 reads back as "!", so "!" alone among the characters without a
    // code survives the trip; the others would come back as "!".
    if (c == '!')
        return true;
    const std::uint8_t code = MorseCodeFor(c);
    // "$" has seven elements, so its marker bit collides with the end marker.
    return code != NoMorseCode && (code & EndMarker) == 0;
}

std::string DecodeMessage(const EepromImage& image, int messageNumber)
{
    if (messageNumber < 1 || messageNumber > MessageCount)
        return {};
    const int start = image[Address(FreePointerByte + messageNumber)];
    // A start outside the area (0x10 among them) means no message.
    if (start < MessageAreaStart)
        return {};

    std::string text;
    for (int address = start; address < static_cast<int>(EepromImage::Size); ++address) {
        const std::uint8_t stored = image[Address(address)];
        const char c = CharForCode(stored & 0x7F);
        if (c == 0)
            break;
        text.push_back(c);
        if (stored & EndMarker)
            break;
    }
    return text;
}

int EncodeMessage(EepromImage& image, std::string_view text, int offset)
{
    if (text.empty())
        return 0;
    for (const char c : text)
        image[Address(MessageAreaStart + offset++)] = MorseCodeFor(c);
    image[Address(MessageAreaStart + offset - 1)] |= EndMarker;
    return offset;
}

int MessageCharCount(const MessageTexts& texts)
{
    int count = 0;
    for (const auto& text : texts)
        count += static_cast<int>(text.size());
    return count;
}

int MessageRoomLeft(const MessageTexts& texts)
{
    return MessageAreaSize - MessageCharCount(texts);
}

std::optional<PackProblem> CheckMessages(const MessageTexts& texts)
{
    for (int n = 1; n <= MessageCount; ++n) {
        for (const char c : texts[static_cast<std::size_t>(n - 1)]) {
            if (!IsStorable(c))
                return PackProblem{PackProblem::Unstorable, n, c};
        }
    }
    std::size_t used = 0;
    for (int n = 1; n <= MessageCount; ++n) {
        used += texts[static_cast<std::size_t>(n - 1)].size();
        if (used > static_cast<std::size_t>(MessageAreaSize))
            return PackProblem{PackProblem::TooLong, n, 0};
    }
    return std::nullopt;
}

bool PackMessages(EepromImage& image, const MessageTexts& texts)
{
    if (CheckMessages(texts))
        return false;
    int offset = 0;
    for (int n = 1; n <= MessageCount; ++n) {
        const auto& text = texts[static_cast<std::size_t>(n - 1)];
        const int end = EncodeMessage(image, text, offset);
        auto& start = image[Address(FreePointerByte + n)];
        if (end == 0) {
            start = NoMessage;
        } else {
            start = static_cast<std::uint8_t>(offset + MessageAreaStart);
            offset = end;
        }
    }
    image[FreePointerByte] = static_cast<std::uint8_t>((offset + MessageAreaStart) % 256);
    return true;
}
