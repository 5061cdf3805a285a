#pragma once

// The keyer's 256-byte EEPROM as the editor holds it: byte n is EEPROM
// address n. The byte map below reads like the keyer's documentation, and the
// accessors and list mappings work through it rather than through masks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

struct EepromImage {
    static constexpr std::size_t Size = 256;
    std::array<std::uint8_t, Size> bytes{};

    std::uint8_t& operator[](std::size_t address) { return bytes.at(address); }
    std::uint8_t operator[](std::size_t address) const { return bytes.at(address); }
    bool operator==(const EepromImage&) const = default;
};

// A run of bits inside one byte: `width` bits starting at `lowBit`.
struct BitField {
    std::uint8_t byte;
    std::uint8_t lowBit;
    std::uint8_t width;

    constexpr std::uint8_t Mask() const { return static_cast<std::uint8_t>(((1u << width) - 1u) << lowBit); }
};

std::uint8_t Get(const EepromImage& image, BitField field);
void Set(EepromImage& image, BitField field, unsigned value);

namespace Field {
// Byte 1, ModeReg. Bits 6 and 2 belong to the keyer alone.
inline constexpr BitField ModeReg{1, 0, 8};
inline constexpr BitField PaddleDog{1, 7, 1}; // 0 means on
inline constexpr BitField KeyerMode{1, 4, 2};
inline constexpr BitField Swap{1, 3, 1};
inline constexpr BitField AutoSpace{1, 1, 1};
inline constexpr BitField CTspace{1, 0, 1};

inline constexpr BitField Sidetone{3, 0, 8};
inline constexpr BitField Weight{4, 0, 8};
inline constexpr BitField LeadIn{5, 0, 8};
inline constexpr BitField Tail{6, 0, 8};
inline constexpr BitField PotMin{7, 0, 8};
inline constexpr BitField PotRange{8, 0, 8};
inline constexpr BitField FirstExtension{9, 0, 8};
inline constexpr BitField KeyComp{10, 0, 8};
inline constexpr BitField Farns{11, 0, 8};
inline constexpr BitField Ksamp{12, 0, 8};
inline constexpr BitField Ratio{13, 0, 8};

// Byte 14 packs three fields.
inline constexpr BitField UltimaticVariant{14, 6, 2};
inline constexpr BitField PaddleHang{14, 4, 2};
inline constexpr BitField OutputConfig{14, 0, 4};

// Byte 15: bits 7..4 and 1..0 belong to the keyer alone.
inline constexpr BitField Cut09{15, 3, 1};
inline constexpr BitField MsgBrk{15, 2, 1};

inline constexpr BitField CmdWPM{16, 0, 8};
} // namespace Field

// The lists of the editor panel, in list order.
inline constexpr std::array<std::string_view, 6> KeyerModeEntries{"Iambic A", "Iambic B", "Ultimatic",
                                                                  "UltimDit", "UltimDah", "VibroBug"};
inline constexpr std::array<std::string_view, 4> PaddleHangEntries{"1.0 Word", "1.3 Word", "1.6 Word", "2.0 Word"};
inline constexpr std::array<std::string_view, 10> SidetoneEntries{"4000", "2000", "1333", "1000", "800",
                                                                  "666",  "571",  "500",  "444",  "400"};
inline constexpr std::array<std::string_view, 8> OutputConfigEntries{
    "Port1", "Port1, ST", "Port1, PTT", "Port1, ST, PTT", "Port2", "Port2, ST", "Port2, PTT", "Port2, ST, PTT"};

// Every pattern of the keyer-mode bits shows exactly one entry.
int KeyerModeIndex(const EepromImage& image);
void ChooseKeyerMode(EepromImage& image, int index);

int PaddleHangIndex(const EepromImage& image);
void ChoosePaddleHang(EepromImage& image, int index);

// Sidetone values 0 and above 10 have no entry.
std::optional<int> SidetoneIndex(const EepromImage& image);
void ChooseSidetone(EepromImage& image, int index);

// Output nibbles without exactly one port bit (0-3, 12-15) have no entry.
std::optional<int> OutputConfigIndex(const EepromImage& image);
void ChooseOutputConfig(EepromImage& image, int index);

enum class CheckBox { Swap, AutoSpace, CTspace, PaddleDog, Cut09, MsgBrk };
inline constexpr std::array<CheckBox, 6> AllCheckBoxes{CheckBox::Swap,      CheckBox::AutoSpace, CheckBox::CTspace,
                                                       CheckBox::PaddleDog, CheckBox::Cut09,     CheckBox::MsgBrk};
bool IsChecked(const EepromImage& image, CheckBox box);
// Inverts the box's bit; the box's mark is then taken from IsChecked.
void ClickCheckBox(EepromImage& image, CheckBox box);

// The panel shows the speed pot as MIN (byte 7) and MAX (byte 7 + byte 8).
int PotMaxShown(const EepromImage& image);
void StorePotLimits(EepromImage& image, int potMin, int potMax);
