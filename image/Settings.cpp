#include "image/Settings.h"

#include "image/MessageText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace {

constexpr ListSetting KeyerModeList{KeyerModeEntries,
                                    [](const EepromImage& image) { return std::optional<int>(KeyerModeIndex(image)); },
                                    ChooseKeyerMode};
constexpr ListSetting PaddleHangList{
    PaddleHangEntries, [](const EepromImage& image) { return std::optional<int>(PaddleHangIndex(image)); },
    ChoosePaddleHang};
constexpr ListSetting SidetoneList{SidetoneEntries, SidetoneIndex, ChooseSidetone};
constexpr ListSetting OutputConfigList{OutputConfigEntries, OutputConfigIndex, ChooseOutputConfig};

template <const BitField& F> unsigned ByteOf(const EepromImage& image)
{
    return Get(image, F);
}

template <const BitField& F> void StoreByte(EepromImage& image, unsigned value, unsigned)
{
    Set(image, F, value);
}

unsigned PotMaxOf(const EepromImage& image)
{
    return static_cast<unsigned>(PotMaxShown(image));
}

// MAX stores both pot bytes, with MIN as its partner.
void StorePot(EepromImage& image, unsigned max, unsigned min)
{
    StorePotLimits(image, static_cast<int>(min), static_cast<int>(max));
}

template <const BitField& F>
constexpr Setting Number(std::string_view name, ControlId id, int step, unsigned low, unsigned high,
                         std::string_view refusal, bool zeroAllowed = false)
{
    return {name, id, NumberSetting{{step, refusal}, low, high, zeroAllowed, ByteOf<F>, StoreByte<F>}};
}

constexpr Setting Box(std::string_view name, ControlId id, CheckBox box)
{
    return {name, id, CheckBoxSetting{box}};
}

constexpr Setting List(std::string_view name, ControlId id, const ListSetting& list)
{
    return {name, id, list};
}

constexpr Setting Message(std::string_view name, int n)
{
    return {name, MessageFieldId(n), MessageSetting{n}};
}

using C = ControlId;

// clang-format off
constexpr std::array Table{
    Box("Swap", C::Swap, CheckBox::Swap),
    Box("AutoSpace", C::AutoSpace, CheckBox::AutoSpace),
    Box("CTspace", C::CTspace, CheckBox::CTspace),
    Box("PaddleDog", C::PaddleDog, CheckBox::PaddleDog),
    Box("Cut 0/9", C::Cut09, CheckBox::Cut09),
    Box("MsgBrk", C::MsgBrk, CheckBox::MsgBrk),
    // MAX and MIN are checked together, after the others: MAX over MIN first,
    // then MIN, then MAX, which stores both.
    Setting{"MAX", C::PotMax, NumberSetting{{12, "Pot Max must be between 5 and 99"}, 5, 99, false, PotMaxOf, StorePot,
                                            NumberSetting::Above{C::PotMin, {10, "Pot Max must be greater than Pot Min"}}}},
    Setting{"MIN", C::PotMin, NumberSetting{{11, "Pot Min must be between 5 and 99"}, 5, 99, false,
                                            ByteOf<Field::PotMin>, nullptr}},
    Number<Field::CmdWPM>("CmdWPM", C::CmdWPM, 8, 5, 99, "CMDWPM must be between 5 and 99"),
    Number<Field::Ratio>("Ratio", C::Ratio, 9, 33, 66, "Ratio must be between 33 and 66"),
    Number<Field::KeyComp>("Comp", C::Comp, 5, 0, 250, "Key Comp must be 250 or less."),
    Number<Field::FirstExtension>("1stExt", C::FirstExt, 4, 0, 250, "Extend must be 250 or less."),
    Number<Field::Ksamp>("Sample", C::Sample, 7, 10, 90, "Ksamp must be between 10 and 90"),
    Number<Field::Weight>("Weight", C::Weight, 1, 10, 90, "Weight must be between 10 and 90"),
    Number<Field::LeadIn>("LeadIn", C::LeadIn, 2, 0, 250, "Lead In must be 250 or less."),
    Number<Field::Tail>("Tail", C::Tail, 3, 0, 250, "Tail must be 250 or less."),
    // The keyer documents 10 to 90; accepting 91..99 would contradict the message.
    Number<Field::Farns>("Farns", C::Farns, 6, 10, 90, "Farns must be 0 or between 10 and 90", true),
    List("Keyer Mode", C::KeyerMode, KeyerModeList),
    List("Paddle Hang", C::PaddleHang, PaddleHangList),
    List("Sidetone Hz", C::Sidetone, SidetoneList),
    List("Output Config", C::OutputConfig, OutputConfigList),
    Message("Message 1", 1), Message("Message 2", 2), Message("Message 3", 3),
    Message("Message 4", 4), Message("Message 5", 5), Message("Message 6", 6),
};
// clang-format on

bool SameName(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string TextOf(const FieldTexts& texts, ControlId id)
{
    const auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
}

std::string TooLongText(int count)
{
    return "The messages hold " + std::to_string(count) + " characters; the keyer has room for " +
           std::to_string(MessageAreaSize) + ". Shorten them by " + std::to_string(count - MessageAreaSize) + ".";
}

// The refusal of the check at `step`, or nothing when it passes; a number
// passing its range check is stored.
std::optional<std::string_view> RunStep(int step, EepromImage& image, const FieldTexts& texts)
{
    for (const Setting& setting : Table) {
        const NumberSetting* number = setting.Number();
        if (!number)
            continue;
        const unsigned value = ReadNumber(TextOf(texts, setting.id));
        const unsigned partner = number->above ? ReadNumber(TextOf(texts, number->above->other)) : 0;
        if (number->above && number->above->check.step == step)
            return value > partner ? std::nullopt : std::optional(number->above->check.refusal);
        if (number->range.step != step)
            continue;
        const bool accepted = (value >= number->low && value <= number->high) || (number->zeroAllowed && value == 0);
        if (!accepted)
            return number->range.refusal;
        if (number->store)
            number->store(image, value, partner);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::span<const Setting> AllSettings()
{
    return Table;
}

const Setting* FindSetting(std::string_view name)
{
    for (const Setting& setting : Table) {
        if (SameName(setting.name, name))
            return &setting;
    }
    return nullptr;
}

std::vector<const Setting*> FindSettings(std::string_view typed)
{
    const auto lower = [](std::string_view text) {
        std::string low(text);
        for (char& c : low)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return low;
    };
    const std::string wanted = lower(typed);
    std::vector<const Setting*> starting, containing;
    for (const Setting& setting : Table) {
        const auto at = lower(setting.name).find(wanted);
        if (at == 0)
            starting.push_back(&setting);
        else if (at != std::string::npos)
            containing.push_back(&setting);
    }
    starting.insert(starting.end(), containing.begin(), containing.end());
    return starting;
}

unsigned ReadNumber(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = !text.empty() && error == std::errc() && end == text.data() + text.size() &&
                       std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    return whole ? value : 0;
}

std::string ShownText(const Setting& setting, const EepromImage& image)
{
    if (const auto* number = setting.Number())
        return std::to_string(number->shown(image));
    if (const auto* box = setting.Box())
        return IsChecked(image, box->box) ? "on" : "off";
    if (const auto* list = setting.List()) {
        const auto index = list->shown(image);
        return index ? std::string(list->entries[static_cast<std::size_t>(*index)]) : std::string();
    }
    return DecodeMessage(image, setting.Message()->number);
}

FieldTexts ShownTexts(const EepromImage& image)
{
    FieldTexts texts;
    for (const Setting& setting : Table) {
        if (setting.IsField())
            texts[setting.id] = ShownText(setting, image);
    }
    return texts;
}

std::string BytesLeftText(int left)
{
    return std::string(BytesLeftName) + ": " + std::to_string(left);
}

std::string ValueInWords(const Setting& setting, std::string_view shown)
{
    if (setting.Message()) {
        std::string quoted(1, '"');
        quoted.append(shown).push_back('"');
        return quoted;
    }
    if (setting.List() && shown.empty())
        return std::string(NoEntry);
    return std::string(shown);
}

std::string ShownValue(const Setting& setting, const EepromImage& image, const FieldTexts& texts)
{
    return setting.IsField() ? TextOf(texts, setting.id) : ShownText(setting, image);
}

std::vector<Difference> Differences(const EepromImage& before, const FieldTexts& beforeTexts, const EepromImage& after,
                                    const FieldTexts& afterTexts)
{
    std::vector<Difference> differences;
    for (const Setting& setting : Table) {
        std::string old = ShownValue(setting, before, beforeTexts);
        std::string now = ShownValue(setting, after, afterTexts);
        if (old != now)
            differences.push_back({&setting, std::move(old), std::move(now)});
    }
    return differences;
}

std::vector<Difference> Differences(const EepromImage& before, const EepromImage& after)
{
    return Differences(before, ShownTexts(before), after, ShownTexts(after));
}

std::string VerifyReport(const EepromImage& sent, const EepromImage& readBack)
{
    constexpr int Named = 4;
    std::string bytes;
    int count = 0;
    for (std::size_t a = 0; a < EepromImage::Size; ++a) {
        if (sent[a] == readBack[a])
            continue;
        if (++count <= Named) {
            char line[96];
            std::snprintf(line, sizeof line, "%sbyte %zu: written 0x%02X, holds 0x%02X", count > 1 ? "; " : "", a,
                          static_cast<unsigned>(sent[a]), static_cast<unsigned>(readBack[a]));
            bytes += line;
        }
    }
    if (count > Named)
        bytes += "; and " + std::to_string(count - Named) + " more";
    std::string settings;
    for (const Difference& d : Differences(sent, readBack))
        settings += (settings.empty() ? "" : ", ") + std::string(d.setting->name);
    return std::to_string(count) + (count == 1 ? " byte differs (" : " bytes differ (") + bytes + "). " +
           (settings.empty() ? std::string("No setting shows the difference.")
                             : "Settings that differ: " + settings + ".");
}

MessageTexts MessagesOf(const FieldTexts& texts)
{
    MessageTexts messages;
    for (int n = 1; n <= MessageCount; ++n)
        messages[static_cast<std::size_t>(n - 1)] = TextOf(texts, MessageFieldId(n));
    return messages;
}

std::optional<std::string> ValidateSettings(EepromImage& image, const FieldTexts& texts)
{
    // Each field is stored the moment it passes, as the keyer's own editor
    // always did; a refusal leaves the later bytes as they were.
    int steps = 0;
    for (const Setting& setting : Table) {
        if (const NumberSetting* number = setting.Number())
            steps = std::max({steps, number->range.step, number->above ? number->above->check.step : 0});
    }
    for (int step = 1; step <= steps; ++step) {
        if (const auto refusal = RunStep(step, image, texts))
            return std::string(*refusal);
    }

    const MessageTexts messages = MessagesOf(texts);
    if (const auto problem = CheckMessages(messages)) {
        if (problem->kind == PackProblem::TooLong)
            return TooLongText(MessageCharCount(messages));
        return "Message " + std::to_string(problem->messageNumber) + " holds " +
               NameCharacters({std::string(1, problem->character)}) + ", which the keyer cannot store.";
    }
    PackMessages(image, messages);
    return std::nullopt;
}

std::optional<std::string> SetSetting(const Setting& setting, std::string_view value, EepromImage& image,
                                      FieldTexts& texts)
{
    const std::string name(setting.name);
    if (const auto* box = setting.Box()) {
        // "true" and "false" as show --json prints them.
        const bool on = SameName(value, "on") || SameName(value, "true");
        if (!on && !SameName(value, "off") && !SameName(value, "false"))
            return name + " is a check box: on or off, not \"" + std::string(value) + "\".";
        // A click inverts the bit; click only when the mark should change.
        if (IsChecked(image, box->box) != on)
            ClickCheckBox(image, box->box);
        return {};
    }
    if (const auto* list = setting.List()) {
        for (std::size_t i = 0; i < list->entries.size(); ++i) {
            if (SameName(list->entries[i], value)) {
                list->choose(image, static_cast<int>(i));
                return {};
            }
        }
        // What show prints for a list without an entry gives it back unchanged.
        if (SameName(value, NoEntry) && !list->shown(image))
            return {};
        std::string known;
        for (const auto entry : list->entries)
            known += (known.empty() ? "\"" : ", \"") + std::string(entry) + "\"";
        return name + " has no entry \"" + std::string(value) + "\"; its entries are " + known + ".";
    }
    if (setting.Message()) {
        // Whole: whether the six fit together is the check's to say, after
        // every value is set, whatever their order.
        const AddedText added = TakeAddedText(value, MessageAreaSize + static_cast<int>(value.size()));
        if (!added.refused.empty())
            return std::string(setting.name) + " cannot hold " + NameCharacters(added.refused) +
                   ": the keyer cannot store " + (added.refused.size() == 1 ? "it." : "them.");
        texts[setting.id] = added.text;
        return {};
    }
    // What the field takes from the keyboard: one to three digits.
    const bool digits = !value.empty() && value.size() <= 3 &&
                        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        return name + " takes a number of up to three digits; \"" + std::string(value) + "\" is not one.";
    texts[setting.id] = std::string(value);
    return {};
}
