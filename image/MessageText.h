#pragma once

// The one rule for text added to a message, whichever way it arrives: typed,
// pasted, dropped, composed, undone, inserted by a screen reader or given on
// the command line. A letter a to z is taken as its capital; a line break or
// a tab becomes a space; a character the keyer has a Morse code for is kept;
// everything else is refused: "!" and the other characters without a code,
// "$" (whose seven elements the keyer cannot store), and every character
// outside ASCII, accented letters among them. "é" is not "E" to the person
// who hears the keyer send it, so it is refused rather than changed.
//
// The rule limits what is added, never what is loaded: an image's messages
// are shown as the keyer holds them, "!" and all.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class CharFate {
    Kept,       // stored as it is
    UpperCased, // a small letter, stored as its capital
    Space,      // a line break or tab, stored as a space
    Refused,    // the keyer cannot store it
};

struct AddedChar {
    CharFate fate;
    char stored; // what the message takes, unless refused
};

AddedChar FateOf(char32_t c);

struct AddedText {
    std::string text;                 // what the message takes
    std::vector<std::string> refused; // each refused character once (UTF-8), in order of appearance
    int cut = 0;                      // characters left out for want of room
};

// Applies FateOf to UTF-8 text: a CR LF pair is one space, and a character
// with combining marks is refused whole. Invalid UTF-8 is refused. At most
// `room` characters are taken (none when room is 0 or less).
AddedText TakeAddedText(std::string_view utf8, int room);

// What a character or a composed few arriving as one keystroke (a key, or
// WM_CHAR from an assistive tool) add: taken whole or not at all.
std::optional<std::string> TypedText(std::string_view utf8, int room);
// What a paste puts in place of the selection; nothing when it takes no
// character, so that a paste that takes nothing changes nothing, as a
// refused key changes nothing.
std::optional<std::string> PastedText(std::string_view utf8, int room);

// Names the refused characters for a message: "é", "#" and U+0007.
std::string NameCharacters(const std::vector<std::string>& characters);

// `text` as valid UTF-8 for showing, as the window's strings take it: each
// byte of a broken sequence becomes U+FFFD, and a byte-order mark in front
// goes. A link's target may hold any byte.
std::string ShowableUtf8(std::string_view text);
