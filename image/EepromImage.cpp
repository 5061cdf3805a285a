#include "image/EepromImage.h"

std::uint8_t Get(const EepromImage& image, BitField field)
{
    return static_cast<std::uint8_t>((image[field.byte] & field.Mask()) >> field.lowBit);
}

void Set(EepromImage& image, BitField field, unsigned value)
{
    const auto shifted = static_cast<std::uint8_t>((value << field.lowBit) & field.Mask());
    image[field.byte] = static_cast<std::uint8_t>((image[field.byte] & ~field.Mask()) | shifted);
}

namespace {

// Keyer-mode bits of byte 1.
constexpr unsigned IambicA = 0b01;
constexpr unsigned IambicB = 0b00;
constexpr unsigned UltimaticFamily = 0b10;
constexpr unsigned VibroBug = 0b11;

// Ultimatic variants in byte 14 bits 7..6 (bit 7 = dit priority, bit 6 = dah).
constexpr unsigned UltimaticPlain = 0b00;
constexpr unsigned UltimaticDit = 0b10;
constexpr unsigned UltimaticDah = 0b01;

constexpr std::array<std::uint8_t, 8> OutputConfigValues{4, 6, 5, 7, 8, 10, 9, 11};

bool InRange(int index, std::size_t count)
{
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

} // namespace

int KeyerModeIndex(const EepromImage& image)
{
    switch (Get(image, Field::KeyerMode)) {
    case IambicA:
        return 0;
    case IambicB:
        return 1;
    case VibroBug:
        return 5;
    default: {
        const unsigned variant = Get(image, Field::UltimaticVariant);
        if (variant & 0b10)
            return 3; // dit priority wins when both bits are set
        return (variant & 0b01) ? 4 : 2;
    }
    }
}

void ChooseKeyerMode(EepromImage& image, int index)
{
    if (!InRange(index, KeyerModeEntries.size()))
        return;
    static constexpr std::array<unsigned, 6> modes{IambicA,         IambicB,         UltimaticFamily,
                                                   UltimaticFamily, UltimaticFamily, VibroBug};
    Set(image, Field::KeyerMode, modes[static_cast<std::size_t>(index)]);
    if (index == 2)
        Set(image, Field::UltimaticVariant, UltimaticPlain);
    else if (index == 3)
        Set(image, Field::UltimaticVariant, UltimaticDit);
    else if (index == 4)
        Set(image, Field::UltimaticVariant, UltimaticDah);
}

int PaddleHangIndex(const EepromImage& image)
{
    return Get(image, Field::PaddleHang);
}

void ChoosePaddleHang(EepromImage& image, int index)
{
    if (!InRange(index, PaddleHangEntries.size()))
        return;
    Set(image, Field::PaddleHang, static_cast<unsigned>(index));
}

std::optional<int> SidetoneIndex(const EepromImage& image)
{
    const int value = Get(image, Field::Sidetone);
    if (value < 1 || value > static_cast<int>(SidetoneEntries.size()))
        return std::nullopt;
    return value - 1;
}

void ChooseSidetone(EepromImage& image, int index)
{
    if (!InRange(index, SidetoneEntries.size()))
        return;
    Set(image, Field::Sidetone, static_cast<unsigned>(index + 1));
}

std::optional<int> OutputConfigIndex(const EepromImage& image)
{
    const auto value = Get(image, Field::OutputConfig);
    for (std::size_t i = 0; i < OutputConfigValues.size(); ++i) {
        if (OutputConfigValues[i] == value)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

void ChooseOutputConfig(EepromImage& image, int index)
{
    if (!InRange(index, OutputConfigEntries.size()))
        return;
    Set(image, Field::OutputConfig, OutputConfigValues[static_cast<std::size_t>(index)]);
}

namespace {
BitField CheckBoxField(CheckBox box)
{
    switch (box) {
    case CheckBox::Swap:
        return Field::Swap;
    case CheckBox::AutoSpace:
        return Field::AutoSpace;
    case CheckBox::CTspace:
        return Field::CTspace;
    case CheckBox::PaddleDog:
        return Field::PaddleDog;
    case CheckBox::Cut09:
        return Field::Cut09;
    case CheckBox::MsgBrk:
        return Field::MsgBrk;
    }
    return Field::Swap; // not reached: every box is listed above
}
} // namespace

bool IsChecked(const EepromImage& image, CheckBox box)
{
    const bool bit = Get(image, CheckBoxField(box)) != 0;
    // PaddleDog is the one switch the keyer stores inverted.
    return box == CheckBox::PaddleDog ? !bit : bit;
}

void ClickCheckBox(EepromImage& image, CheckBox box)
{
    const BitField field = CheckBoxField(box);
    Set(image, field, Get(image, field) ^ 1u);
}

int PotMaxShown(const EepromImage& image)
{
    return Get(image, Field::PotMin) + Get(image, Field::PotRange);
}

void StorePotLimits(EepromImage& image, int potMin, int potMax)
{
    Set(image, Field::PotMin, static_cast<unsigned>(potMin));
    Set(image, Field::PotRange, static_cast<unsigned>(potMax - potMin));
}
