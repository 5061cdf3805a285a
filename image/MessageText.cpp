#include "image/MessageText.h"

#include "image/MessageCodec.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char32_t Invalid = 0xFFFD;

// One code point off the front of UTF-8 text; Invalid for a broken sequence,
// of which one byte is taken.
char32_t TakeCodePoint(std::string_view& rest)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    const unsigned char lead = byte(0);
    int length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
        length = 1;
        c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07u;
    }
    if (length == 0 || rest.size() < static_cast<std::size_t>(length)) {
        rest.remove_prefix(1);
        return Invalid;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(static_cast<std::size_t>(i));
        if ((next & 0xC0u) != 0x80u) {
            rest.remove_prefix(1);
            return Invalid;
        }
        c = (c << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        rest.remove_prefix(1);
        return Invalid;
    }
    rest.remove_prefix(static_cast<std::size_t>(length));
    return c;
}

// Marks that sit on the character before them, as the accent of a
// decomposed "é" does.
bool IsCombining(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F);
}

void NoteRefused(std::vector<std::string>& refused, std::string_view character)
{
    if (std::find(refused.begin(), refused.end(), character) == refused.end())
        refused.emplace_back(character);
}

} // namespace

AddedChar FateOf(char32_t c)
{
    if (c == U'\n' || c == U'\r' || c == U'\t' || c == 0x2028 || c == 0x2029)
        return {CharFate::Space, ' '};
    if (c >= U'a' && c <= U'z')
        return {CharFate::UpperCased, static_cast<char>(c - U'a' + U'A')};
    // "!" is storable, as the byte that stands for no code reads back so,
    // but it has no code of its own to send: it is not taken as new text.
    if (c < 32 || c > 126 || MorseCodeFor(static_cast<char>(c)) == NoMorseCode || !IsStorable(static_cast<char>(c)))
        return {CharFate::Refused, 0};
    return {CharFate::Kept, static_cast<char>(c)};
}

AddedText TakeAddedText(std::string_view utf8, int room)
{
    AddedText added;
    int taken = 0;
    while (!utf8.empty()) {
        const std::string_view at = utf8;
        const char32_t c = TakeCodePoint(utf8);
        if (c == U'\r' && utf8.starts_with('\n'))
            continue; // one space for the pair, at its '\n'
        // A character and the marks on it are one character to the reader.
        bool marked = false;
        while (!utf8.empty()) {
            std::string_view peek = utf8;
            if (!IsCombining(TakeCodePoint(peek)))
                break;
            utf8 = peek;
            marked = true;
        }
        const std::string_view whole = at.substr(0, at.size() - utf8.size());
        const AddedChar fate = marked ? AddedChar{CharFate::Refused, 0} : FateOf(c);
        if (fate.fate == CharFate::Refused) {
            NoteRefused(added.refused, c == Invalid && !marked ? std::string_view("\xEF\xBF\xBD") : whole);
        } else if (taken < room) {
            added.text.push_back(fate.stored);
            ++taken;
        } else {
            ++added.cut;
        }
    }
    return added;
}

std::optional<std::string> TypedText(std::string_view utf8, int room)
{
    AddedText typed = TakeAddedText(utf8, room);
    if (!typed.refused.empty() || typed.cut > 0 || typed.text.empty())
        return std::nullopt;
    return std::move(typed.text);
}

std::optional<std::string> PastedText(std::string_view utf8, int room)
{
    AddedText pasted = TakeAddedText(utf8, room);
    if (pasted.text.empty())
        return std::nullopt;
    return std::move(pasted.text);
}

std::string NameCharacters(const std::vector<std::string>& characters)
{
    std::string names;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (i > 0)
            names += i + 1 == characters.size() ? " and " : ", ";
        const std::string& c = characters[i];
        // A control character would break the line it is told on.
        if (c.size() == 1 && (static_cast<unsigned char>(c[0]) < 32 || c[0] == 127)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(static_cast<unsigned char>(c[0])));
            names += code;
        } else {
            names += "\"" + c + "\"";
        }
    }
    return names;
}

std::string ShowableUtf8(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3); // a byte-order mark, which Qt takes away too
    while (!text.empty()) {
        const std::string_view at = text;
        const char32_t c = TakeCodePoint(text);
        const std::size_t taken = at.size() - text.size();
        shown += c == Invalid && taken == 1 ? std::string_view("\xEF\xBF\xBD") : at.substr(0, taken);
    }
    return shown;
}
