#pragma once

// Every setting of the panel as data: its name as the panel's caption shows
// it, its control, and a value of its own kind that knows where it lives in
// the image and, for numbers, its checks. The panel and the command line both
// work from this one table.

#include "image/ControlIds.h"
#include "image/EepromImage.h"
#include "image/MessageCodec.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// One check of a number field: its place in the checking order and the text
// shown when it fails.
struct NumberCheck {
    int step;
    std::string_view refusal;
};

// A number field: one to three digits, shown from the image and stored once
// its checks pass.
struct NumberSetting {
    NumberCheck range;
    unsigned low, high;
    bool zeroAllowed; // Farns: 0 switches it off
    unsigned (*shown)(const EepromImage&);
    // Stores the value; `partner` is the value of the field named by `above`.
    // None for a value that its partner stores.
    void (*store)(EepromImage&, unsigned value, unsigned partner);
    // Must be greater than another field's value (MAX over MIN).
    struct Above {
        ControlId other;
        NumberCheck check;
    };
    std::optional<Above> above = std::nullopt;
};

// A check box: changes the image at once, shown as on/off.
struct CheckBoxSetting {
    CheckBox box;
};

// A list: changes the image at once, shown as the entry's text.
struct ListSetting {
    std::span<const std::string_view> entries;
    std::optional<int> (*shown)(const EepromImage&); // the entry the image stands for
    void (*choose)(EepromImage&, int);
};

// One of the six messages, shown as its text.
struct MessageSetting {
    int number; // 1 to 6
};

struct Setting {
    std::string_view name; // the panel's caption
    ControlId id;
    std::variant<NumberSetting, CheckBoxSetting, ListSetting, MessageSetting> value;

    const NumberSetting* Number() const { return std::get_if<NumberSetting>(&value); }
    const CheckBoxSetting* Box() const { return std::get_if<CheckBoxSetting>(&value); }
    const ListSetting* List() const { return std::get_if<ListSetting>(&value); }
    const MessageSetting* Message() const { return std::get_if<MessageSetting>(&value); }
    // Numbers and messages are typed into fields; the rest change the image.
    bool IsField() const { return Number() || Message(); }
};

// In the panel's reading order: ModeReg, WPM Speed, Settings, the lists, the
// messages.
std::span<const Setting> AllSettings();

// What a list without an entry for the image's value is shown as in text.
inline constexpr std::string_view NoEntry = "none";

// The count of the room the messages have left, as the panel names it.
inline constexpr std::string_view BytesLeftName = "Msg Bytes Left";

// "Msg Bytes Left: 220", the panel's count.
std::string BytesLeftText(int left);

// By caption, without regard to case; nothing when no setting has it.
const Setting* FindSetting(std::string_view name);

// The settings whose names hold `typed`, without regard to case: those that
// begin with it first, then the rest, each in the table's order.
std::vector<const Setting*> FindSettings(std::string_view typed);

// What the panel shows for the setting after RefreshPanel: numbers in
// decimal, check boxes "on" or "off", lists the entry ("" for none),
// messages their text, whole, as the image holds it.
std::string ShownText(const Setting& setting, const EepromImage& image);

// A shown value as it is written in a sentence or a listing: a message in
// quotes, a list without an entry as "none", anything else as it is.
std::string ValueInWords(const Setting& setting, std::string_view shown);

// A number field's text as the panel reads it: digits only, else 0.
unsigned ReadNumber(std::string_view text);

// The texts of the number and message fields.
using FieldTexts = std::map<ControlId, std::string>;

// The fields as RefreshPanel fills them from `image`.
FieldTexts ShownTexts(const EepromImage& image);

// What a setting shows, given an image and the texts its fields hold.
std::string ShownValue(const Setting& setting, const EepromImage& image, const FieldTexts& texts);

struct Difference {
    const Setting* setting;
    std::string before, after; // shown values
};

// The settings whose shown values differ, in the table's order: between two
// images with the texts their fields hold, or as they would be shown.
std::vector<Difference> Differences(const EepromImage& before, const FieldTexts& beforeTexts, const EepromImage& after,
                                    const FieldTexts& afterTexts);
std::vector<Difference> Differences(const EepromImage& before, const EepromImage& after);

// What a verified write found: the first bytes that differ between what was
// sent and what the keyer sent back, and the settings that then show otherwise.
std::string VerifyReport(const EepromImage& sent, const EepromImage& readBack);

// The six messages among the field texts.
MessageTexts MessagesOf(const FieldTexts& texts);

// ValidatePanel on field texts: each check runs in its step's order and a
// number is stored the moment it passes; the first refusal ends it, leaving
// the later bytes as they were. Then the six messages are packed. Returns the
// refusal's text, or nothing when the image now holds every field.
std::optional<std::string> ValidateSettings(EepromImage& image, const FieldTexts& texts);

// Sets one setting as a person would in the panel: a list by its entry's
// text (or "none", where it shows none), a check box by on/off or
// true/false, a number as one to three digits, a message by the rule for
// added text. Lists and check boxes change `image` at once; numbers and
// messages change `texts`. Returns what is wrong with the value, or
// nothing; nothing is set when something is wrong.
std::optional<std::string> SetSetting(const Setting& setting, std::string_view value, EepromImage& image,
                                      FieldTexts& texts);
