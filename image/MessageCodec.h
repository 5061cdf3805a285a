#pragma once

// The six stored messages: one Morse code byte per character in the message
// area (bytes 24..255), bit 7 set on a message's last byte, and a directory
// in bytes 17..23 that records where each message starts.

#include "image/EepromImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr int FreePointerByte = 17;
inline constexpr int FirstMessageStartByte = 18; // message n starts at byte 17 + n
inline constexpr int MessageAreaStart = 24;
inline constexpr int MessageAreaSize = 232;
inline constexpr int MessageCount = 6;
inline constexpr std::uint8_t NoMessage = 0x10;
inline constexpr std::uint8_t EndMarker = 0x80;
inline constexpr std::uint8_t NoMorseCode = 0x01;

// One code for each character from 32 to 127; 0x01 marks "no Morse code".
extern const std::array<std::uint8_t, 96> MorseTable;

// The table entry for a character, or NoMorseCode outside 32..127.
std::uint8_t MorseCodeFor(char c);

// The character of the first table entry equal to the code, or 0.
char CharForCode(std::uint8_t code);

// Whether a character survives a trip through the keyer: it must have a Morse
// code that fits beside the end marker, or be "!", which is what the "no
// code" byte reads back as. Lower case counts as its capital.
bool IsStorable(char c);

std::string DecodeMessage(const EepromImage& image, int messageNumber);

// Writes the text's codes into the area from `offset` on and returns the
// offset behind it, or 0 for an empty text. The caller makes sure it fits.
int EncodeMessage(EepromImage& image, std::string_view text, int offset);

using MessageTexts = std::array<std::string, MessageCount>;

// Number of area bytes the six texts need together.
int MessageCharCount(const MessageTexts& texts);

// What the area has left beside the six texts; negative when they hold more
// than it does (as an image read from a keyer may).
int MessageRoomLeft(const MessageTexts& texts);

struct PackProblem {
    enum Kind { TooLong, Unstorable } kind;
    int messageNumber; // 1..6: the message that overflows or holds the character
    char character;    // for Unstorable
};

// Why the texts cannot be packed, or nothing when they can.
std::optional<PackProblem> CheckMessages(const MessageTexts& texts);

// Packs the six texts from the start of the area and rebuilds the directory.
// Returns false and changes nothing when CheckMessages finds a problem.
bool PackMessages(EepromImage& image, const MessageTexts& texts);
