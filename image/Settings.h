#pragma once

// Every setting of the panel as data: its name as the panel's caption shows
// it, its control, where it lives in the image, and for numbers their range,
// the order they are checked in and the refusal text. The panel and the
// command line both work from this one table.

#include "image/EepromImage.h"

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class SettingKind {
    Number,   // one byte, shown and typed as a decimal number
    PotMax,   // MAX: shown as byte 7 + byte 8
    PotMin,   // MIN: byte 7
    CheckBox, // changes the image at once, shown as on/off
    List,     // changes the image at once, shown as the entry's text
    Message,  // one of the six messages, shown as text
};

struct ListSetting {
    std::span<const std::string_view> entries;
    std::optional<int> (*shown)(const EepromImage&); // the entry the image stands for
    void (*choose)(EepromImage&, int);
};

struct Setting {
    std::string_view name; // the panel's caption
    int controlId;
    SettingKind kind;
    int step = 0;                  // numbers: place in the checking order, 1 to 12
    BitField field{};              // Number
    unsigned low = 0, high = 0;    // Number, PotMax, PotMin
    bool zeroAllowed = false;      // Farns: 0 switches it off
    std::string_view refusal = {}; // Number
    CheckBox box = CheckBox::Swap; // CheckBox
    const ListSetting* list = nullptr;
    int message = 0; // Message: 1 to 6
};

// In the panel's reading order: ModeReg, WPM Speed, Settings, the lists, the
// messages.
std::span<const Setting> AllSettings();

// By caption, without regard to case; nothing when no setting has it.
const Setting* FindSetting(std::string_view name);

// What the panel shows for the setting after RefreshPanel: numbers in
// decimal, check boxes "on" or "off", lists the entry ("" for none),
// messages their text.
std::string ShownText(const Setting& setting, const EepromImage& image);

// A number field's text as the panel reads it: digits only, else 0.
unsigned ReadNumber(std::string_view text);

// The texts of the number and message fields, by control id.
using FieldTexts = std::map<int, std::string>;

// The fields as RefreshPanel would fill them from `image`.
FieldTexts ShownTexts(const EepromImage& image);

// ValidatePanel on field texts: each number is checked in its step's order
// and stored the moment it passes; the first refusal ends it, leaving the
// later bytes as they were. Then the six messages are packed. Returns the
// refusal's text, or nothing when the image now holds every field.
std::optional<std::string> ValidateSettings(EepromImage& image, const FieldTexts& texts);

// Sets one setting as a person would in the panel: a list by its entry's
// text, a check box by "on" or "off", a number or message as the field's
// text (a message kept to the field's rule). Lists and check boxes change
// `image` at once; numbers and messages change `texts`. Returns what is
// wrong with the value, or an empty text.
std::string SetSetting(const Setting& setting, std::string_view value, EepromImage& image, FieldTexts& texts);
