#include "image/Settings.h"

#include "image/MessageCodec.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

constexpr ListSetting KeyerModeList{KeyerModeEntries,
                                    [](const EepromImage& image) { return std::optional<int>(KeyerModeIndex(image)); },
                                    ChooseKeyerMode};
constexpr ListSetting PaddleHangList{
    PaddleHangEntries, [](const EepromImage& image) { return std::optional<int>(PaddleHangIndex(image)); },
    ChoosePaddleHang};
constexpr ListSetting SidetoneList{SidetoneEntries, SidetoneIndex, ChooseSidetone};
constexpr ListSetting OutputConfigList{OutputConfigEntries, OutputConfigIndex, ChooseOutputConfig};

using K = SettingKind;

constexpr Setting Box(std::string_view name, int id, CheckBox box)
{
    return {.name = name, .controlId = id, .kind = K::CheckBox, .box = box};
}

constexpr Setting Number(std::string_view name, int id, int step, BitField field, unsigned low, unsigned high,
                         std::string_view refusal, bool zeroAllowed = false)
{
    return {.name = name,
            .controlId = id,
            .kind = K::Number,
            .step = step,
            .field = field,
            .low = low,
            .high = high,
            .zeroAllowed = zeroAllowed,
            .refusal = refusal};
}

constexpr Setting List(std::string_view name, int id, const ListSetting& list)
{
    return {.name = name, .controlId = id, .kind = K::List, .list = &list};
}

constexpr Setting Message(std::string_view name, int n)
{
    return {.name = name, .controlId = 999 + n, .kind = K::Message, .message = n};
}

// clang-format off
constexpr std::array Table{
    Box("Swap", 1016, CheckBox::Swap),
    Box("AutoSpace", 1017, CheckBox::AutoSpace),
    Box("CTspace", 1018, CheckBox::CTspace),
    Box("PaddleDog", 1019, CheckBox::PaddleDog),
    Box("Cut 0/9", 112, CheckBox::Cut09),
    Box("MsgBrk", 107, CheckBox::MsgBrk),
    // MAX and MIN are checked together, after the others: steps 10 to 12.
    Setting{.name = "MAX", .controlId = 1014, .kind = K::PotMax, .step = 12, .low = 5, .high = 99},
    Setting{.name = "MIN", .controlId = 1015, .kind = K::PotMin, .step = 11, .low = 5, .high = 99},
    Number("CmdWPM", 108, 8, Field::CmdWPM, 5, 99, "CMDWPM must be between 5 and 99"),
    Number("Ratio", 1034, 9, Field::Ratio, 33, 66, "Ratio must be between 33 and 66"),
    Number("Comp", 1035, 5, Field::KeyComp, 0, 250, "Key Comp must be 250 or less."),
    Number("1stExt", 1036, 4, Field::FirstExtension, 0, 250, "Extend must be 250 or less."),
    Number("Sample", 1045, 7, Field::Ksamp, 10, 90, "Ksamp must be between 10 and 90"),
    Number("Weight", 1021, 1, Field::Weight, 10, 90, "Weight must be between 10 and 90"),
    Number("LeadIn", 1031, 2, Field::LeadIn, 0, 250, "Lead In must be 250 or less."),
    Number("Tail", 1032, 3, Field::Tail, 0, 250, "Tail must be 250 or less."),
    // The keyer documents 10 to 90; accepting 91..99 would contradict the message.
    Number("Farns", 1033, 6, Field::Farns, 10, 90, "Farns must be 0 or between 10 and 90", true),
    List("Keyer Mode", 1040, KeyerModeList),
    List("Paddle Hang", 1141, PaddleHangList),
    List("Sidetone Hz", 1044, SidetoneList),
    List("Output Config", 1046, OutputConfigList),
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

const Setting& ByKind(SettingKind kind)
{
    return *std::find_if(Table.begin(), Table.end(), [kind](const Setting& s) { return s.kind == kind; });
}

std::string TextOf(const FieldTexts& texts, const Setting& setting)
{
    const auto found = texts.find(setting.controlId);
    return found == texts.end() ? std::string() : found->second;
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
    switch (setting.kind) {
    case SettingKind::Number:
        return std::to_string(Get(image, setting.field));
    case SettingKind::PotMax:
        return std::to_string(PotMaxShown(image));
    case SettingKind::PotMin:
        return std::to_string(Get(image, Field::PotMin));
    case SettingKind::CheckBox:
        return IsChecked(image, setting.box) ? "on" : "off";
    case SettingKind::List: {
        const auto index = setting.list->shown(image);
        return index ? std::string(setting.list->entries[static_cast<std::size_t>(*index)]) : std::string();
    }
    case SettingKind::Message:
        return DecodeMessage(image, setting.message);
    }
    return {};
}

FieldTexts ShownTexts(const EepromImage& image)
{
    FieldTexts texts;
    EepromImage scratch = image;
    for (const Setting& setting : Table) {
        // Messages in turn, each kept to the room the earlier ones leave.
        if (setting.kind == SettingKind::Message)
            SetSetting(setting, ShownText(setting, image), scratch, texts);
        else if (setting.kind != SettingKind::CheckBox && setting.kind != SettingKind::List)
            texts[setting.controlId] = ShownText(setting, image);
    }
    return texts;
}

std::optional<std::string> ValidateSettings(EepromImage& image, const FieldTexts& texts)
{
    // Each field is stored the moment it passes, as the keyer's own editor
    // always did; a refusal leaves the later bytes as they were.
    for (int step = 1; step <= 9; ++step) {
        const Setting& rule = *std::find_if(Table.begin(), Table.end(), [step](const Setting& s) {
            return s.kind == SettingKind::Number && s.step == step;
        });
        const unsigned value = ReadNumber(TextOf(texts, rule));
        const bool accepted = (value >= rule.low && value <= rule.high) || (rule.zeroAllowed && value == 0);
        if (!accepted)
            return std::string(rule.refusal);
        Set(image, rule.field, value);
    }

    const Setting& max = ByKind(SettingKind::PotMax);
    const Setting& min = ByKind(SettingKind::PotMin);
    const unsigned potMax = ReadNumber(TextOf(texts, max));
    const unsigned potMin = ReadNumber(TextOf(texts, min));
    if (potMax <= potMin)
        return "Pot Max must be greater than Pot Min";
    if (potMin < min.low || potMin > min.high)
        return "Pot Min must be between 5 and 99";
    if (potMax < max.low || potMax > max.high)
        return "Pot Max must be between 5 and 99";
    StorePotLimits(image, static_cast<int>(potMin), static_cast<int>(potMax));

    // The fields keep to the keyer's rule on every route in; this guard only
    // makes sure nothing else could ever reach the message area.
    MessageTexts messages;
    for (const Setting& setting : Table) {
        if (setting.kind == SettingKind::Message)
            messages[static_cast<std::size_t>(setting.message - 1)] = TextOf(texts, setting);
    }
    if (const auto problem = CheckMessages(messages))
        return "Message " + std::to_string(problem->messageNumber) + " cannot be stored in the keyer.";
    PackMessages(image, messages);
    return std::nullopt;
}

std::string SetSetting(const Setting& setting, std::string_view value, EepromImage& image, FieldTexts& texts)
{
    switch (setting.kind) {
    case SettingKind::CheckBox: {
        if (!SameName(value, "on") && !SameName(value, "off"))
            return std::string(setting.name) + " is a check box: on or off, not \"" + std::string(value) + "\".";
        // A click inverts the bit; click only when the mark should change.
        if (IsChecked(image, setting.box) != SameName(value, "on"))
            ClickCheckBox(image, setting.box);
        return {};
    }
    case SettingKind::List: {
        const auto& entries = setting.list->entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (SameName(entries[i], value)) {
                setting.list->choose(image, static_cast<int>(i));
                return {};
            }
        }
        std::string known;
        for (const auto entry : entries)
            known += (known.empty() ? "\"" : ", \"") + std::string(entry) + "\"";
        return std::string(setting.name) + " has no entry \"" + std::string(value) + "\"; its entries are " + known +
               ".";
    }
    case SettingKind::Message: {
        int others = 0;
        for (const Setting& s : Table) {
            if (s.kind == SettingKind::Message && s.message != setting.message)
                others += static_cast<int>(TextOf(texts, s).size());
        }
        texts[setting.controlId] = CleanMessageText(value, MessageAreaSize - others);
        return {};
    }
    default:
        texts[setting.controlId] = std::string(value);
        return {};
    }
}
