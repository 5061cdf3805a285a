#include "image/EepromImage.h"
#include "image/MessageCodec.h"
#include "image/MessageText.h"
#include "image/Settings.h"

#include <doctest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

EepromImage RandomImage(unsigned seed)
{
    std::mt19937 random(seed);
    EepromImage image;
    for (auto& b : image.bytes)
        b = static_cast<std::uint8_t>(random());
    return image;
}

// The code a character gets from its dots and dashes: a marker bit above the
// elements, read from bit 0 upward, dash = 1.
std::uint8_t CodeFromElements(const char* elements)
{
    unsigned code = 0;
    int n = 0;
    for (const char* e = elements; *e; ++e, ++n) {
        if (*e == '-')
            code |= 1u << n;
    }
    return static_cast<std::uint8_t>(code | (1u << n));
}

MessageTexts Texts(std::initializer_list<std::string> list)
{
    MessageTexts texts;
    std::size_t i = 0;
    for (const std::string& t : list)
        texts[i++] = t;
    return texts;
}

std::vector<std::uint8_t> Hex(std::string_view hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

} // namespace

TEST_CASE("the Morse table matches the elements")
{
    const std::pair<char, const char*> table[] = {
        {'A', ".-"},     {'B', "-..."},    {'C', "-.-."},    {'D', "-.."},    {'E', "."},      {'F', "..-."},
        {'G', "--."},    {'H', "...."},    {'I', ".."},      {'J', ".---"},   {'K', "-.-"},    {'L', ".-.."},
        {'M', "--"},     {'N', "-."},      {'O', "---"},     {'P', ".--."},   {'Q', "--.-"},   {'R', ".-."},
        {'S', "..."},    {'T', "-"},       {'U', "..-"},     {'V', "...-"},   {'W', ".--"},    {'X', "-..-"},
        {'Y', "-.--"},   {'Z', "--.."},    {'0', "-----"},   {'1', ".----"},  {'2', "..---"},  {'3', "...--"},
        {'4', "....-"},  {'5', "....."},   {'6', "-...."},   {'7', "--..."},  {'8', "---.."},  {'9', "----."},
        {'"', ".-..-."}, {'$', "...-..-"}, {'\'', ".----."}, {'(', "-.--."},  {')', "-.--.-"}, {'+', ".-.-."},
        {',', "--..--"}, {'-', "-....-"},  {'.', ".-.-.-"},  {'/', "-..-."},  {':', "-.--."},  {';', ".-.-"},
        {'<', ".-.-."},  {'=', "-...-"},   {'>', "...-.-"},  {'?', "..--.."}, {'@', ".--.-."}, {'[', ".-..."},
        {'\\', "-..-."}, {']', "-.--."},   {'|', "..--."},
    };
    for (const auto& [c, elements] : table) {
        CAPTURE(c);
        CHECK(MorseCodeFor(c) == CodeFromElements(elements));
        if (c >= 'A' && c <= 'Z')
            CHECK(MorseCodeFor(static_cast<char>(c + 32)) == CodeFromElements(elements));
    }
}

TEST_CASE("characters without a code")
{
    CHECK(MorseCodeFor(' ') == 0x1C);
    for (const char c : std::string_view("!#%&*^_`{}~\x7F")) {
        CAPTURE(c);
        CHECK(MorseCodeFor(c) == NoMorseCode);
    }
    CHECK(MorseCodeFor('\n') == NoMorseCode);
    CHECK(MorseCodeFor('\xE9') == NoMorseCode);
    CHECK(!IsStorable('$'));
    CHECK(!IsStorable('#'));
    CHECK(IsStorable('!')); // stored as 0x01, which reads back as "!"
    CHECK(!IsStorable('\n'));
    CHECK(IsStorable('q'));
    CHECK(IsStorable(' '));
}

TEST_CASE("a code shared by characters reads as the first")
{
    const struct {
        const char* name;
        int code;
        char expected;
    } rows[] = {
        {"paren over colon and bracket", 0x2D, '('},
        {"plus over less-than", 0x2A, '+'},
        {"slash over backslash", 0x29, '/'},
        {"no-code marker", 0x01, '!'},
        {"letter is the capital", 0x1B, 'Q'},
        {"unknown", 0x48, '\0'},
        {"zero", 0x00, '\0'},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        CHECK(CharForCode(static_cast<std::uint8_t>(row.code)) == row.expected);
    }
}

TEST_CASE("packing examples")
{
    const struct {
        const char* name;
        MessageTexts texts;
        const char* directory; // bytes 17..23
        const char* area;      // the used front of the area
    } rows[] = {
        {"all empty", Texts({"", "", "", "", "", ""}), "18101010101010", ""},
        {"CQ and K", Texts({"CQ", "", "K", "", "", ""}), "1b18101a101010", "159b8d"},
        {"one letter", Texts({"", "", "", "", "", "E"}), "19101010101018", "82"},
        {"with a space", Texts({"CQ CQ", "", "", "", "", ""}), "1d181010101010", "151b1c159b"},
        {"lower case", Texts({"cq", "", "", "", "", ""}), "1a181010101010", "159b"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        EepromImage image = RandomImage(7);
        const EepromImage before = image;
        REQUIRE(PackMessages(image, row.texts));
        const auto directory = Hex(row.directory);
        const auto area = Hex(row.area);
        for (std::size_t i = 0; i < directory.size(); ++i)
            CHECK(image[17 + i] == directory[i]);
        for (std::size_t i = 0; i < area.size(); ++i)
            CHECK(image[24 + i] == area[i]);
        // Nothing outside the directory and the used front of the area changes.
        for (std::size_t a = 0; a < 256; ++a) {
            if (a < 17 || a >= 24 + area.size())
                CHECK(image[a] == before[a]);
        }
    }
}

TEST_CASE("a full area ends at the last byte")
{
    EepromImage image;
    const auto texts = Texts({"", std::string(100, 'E'), std::string(132, 'T'), "", "", ""});
    CHECK(MessageCharCount(texts) == 232);
    REQUIRE(PackMessages(image, texts));
    CHECK(image[17] == 0);
    CHECK(image[19] == 24);
    CHECK(image[20] == 124);
    CHECK(image[255] == 0x83);
    CHECK(DecodeMessage(image, 3) == std::string(132, 'T'));
}

TEST_CASE("packing leaves the bytes behind the free pointer")
{
    EepromImage image;
    REQUIRE(PackMessages(image, Texts({"PARIS", "", "", "", "", ""})));
    REQUIRE(PackMessages(image, Texts({"AB", "", "", "", "", ""})));
    CHECK(image[17] == 26);
    CHECK(image[26] == 0x0A); // the old R
    CHECK(image[28] == 0x88); // the old final S
}

TEST_CASE("packing refuses what cannot be stored")
{
    const struct {
        const char* name;
        MessageTexts texts;
        PackProblem::Kind kind;
        int message;
    } rows[] = {
        {"dollar", Texts({"", "A$B", "", "", "", ""}), PackProblem::Unstorable, 2},
        {"no code", Texts({"", "", "", "#", "", ""}), PackProblem::Unstorable, 4},
        {"line break", Texts({"CQ\nDE", "", "", "", "", ""}), PackProblem::Unstorable, 1},
        {"eight-bit", Texts({"", "", "", "", "", "caf\xC3\xA9"}), PackProblem::Unstorable, 6},
        {"233 characters", Texts({std::string(200, 'E'), "", std::string(33, 'T'), "", "", ""}), PackProblem::TooLong,
         3},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        const auto problem = CheckMessages(row.texts);
        REQUIRE(problem.has_value());
        CHECK(problem->kind == row.kind);
        CHECK(problem->messageNumber == row.message);

        EepromImage image = RandomImage(3);
        const EepromImage before = image;
        CHECK(!PackMessages(image, row.texts));
        CHECK(image == before);
    }
}

TEST_CASE("decoding reads back what was packed")
{
    const struct {
        const char* text;
        const char* readBack;
    } rows[] = {
        {"CQ CQ DE DL1ABC", "CQ CQ DE DL1ABC"},
        {"cq test", "CQ TEST"},
        {":]<\\", "((+/"}, // shared codes
        {"\"'()+,-./;=>?@[|", "\"'()+,-./;=>?@[|"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.text);
        EepromImage image;
        REQUIRE(PackMessages(image, Texts({"K", row.text, "", "", "", "EE"})));
        CHECK(DecodeMessage(image, 2) == row.readBack);
        CHECK(DecodeMessage(image, 1) == "K");
        CHECK(DecodeMessage(image, 3) == "");
        CHECK(DecodeMessage(image, 6) == "EE");
    }
}

TEST_CASE("a start outside the area decodes as empty")
{
    for (int start : {0, 1, 15, 16, 17, 23}) {
        CAPTURE(start);
        EepromImage image = RandomImage(11);
        image[18] = static_cast<std::uint8_t>(start);
        CHECK(DecodeMessage(image, 1) == "");
    }
}

TEST_CASE("decoding runs to the end of the area")
{
    EepromImage image;
    image[18] = 253;
    image[253] = 0x06;
    image[254] = 0x11;
    image[255] = 0x15; // no end marker anywhere
    CHECK(DecodeMessage(image, 1) == "ABC");
}

TEST_CASE("decoded texts survive packing")
{
    // Whatever a keyer or a file holds, if its messages fit they can be
    // stored again and read back the same: the editor never refuses them.
    std::mt19937 random(7);
    int fitting = 0;
    for (unsigned seed = 0; seed < 3000; ++seed) {
        EepromImage image = RandomImage(seed);
        for (int n = 1; n <= MessageCount; ++n) {
            // Mostly short messages, some empty, some of the "no code" byte.
            image[static_cast<std::size_t>(FreePointerByte + n)] =
                random() % 4 == 0 ? NoMessage : static_cast<std::uint8_t>(24 + random() % 232);
        }
        for (std::size_t a = 24; a < 256; ++a) {
            if (random() % 6 == 0)
                image[a] = static_cast<std::uint8_t>(image[a] | EndMarker);
            if (random() % 20 == 0)
                image[a] = static_cast<std::uint8_t>((image[a] & EndMarker) | NoMorseCode);
        }
        MessageTexts texts;
        for (int n = 1; n <= MessageCount; ++n)
            texts[static_cast<std::size_t>(n - 1)] = DecodeMessage(image, n);
        if (MessageCharCount(texts) > MessageAreaSize)
            continue;
        ++fitting;
        CAPTURE(seed);
        REQUIRE(!CheckMessages(texts).has_value());
        REQUIRE(PackMessages(image, texts));
        for (int n = 1; n <= MessageCount; ++n)
            REQUIRE(DecodeMessage(image, n) == texts[static_cast<std::size_t>(n - 1)]);
    }
    CHECK(fitting > 500);
}

TEST_CASE("decoding stops at a dollar and at unknown codes")
{
    EepromImage image;
    image[18] = 24;
    image[24] = 0x06;
    image[25] = 0xC8; // "$": its marker bit is read as the end
    image[26] = 0x91;
    image[19] = 27;
    image[27] = 0x03;
    image[28] = 0x48; // no character has this code
    image[29] = 0x83;
    CHECK(DecodeMessage(image, 1) == "A");
    CHECK(DecodeMessage(image, 2) == "T");
}

TEST_CASE("keyer mode sequences")
{
    EepromImage image;
    ChooseKeyerMode(image, 4); // UltimDah
    CHECK(Get(image, Field::KeyerMode) == 0b10);
    CHECK(Get(image, Field::UltimaticVariant) == 0b01);
    ChooseKeyerMode(image, 0); // Iambic A keeps the variant
    CHECK(Get(image, Field::KeyerMode) == 0b01);
    CHECK(Get(image, Field::UltimaticVariant) == 0b01);
    CHECK(KeyerModeIndex(image) == 0);
    ChooseKeyerMode(image, 2); // Ultimatic clears it
    CHECK(Get(image, Field::UltimaticVariant) == 0);

    Set(image, Field::UltimaticVariant, 0b11);
    CHECK(KeyerModeIndex(image) == 3);
    ChooseKeyerMode(image, 3);
    CHECK(Get(image, Field::UltimaticVariant) == 0b10);
}

TEST_CASE("the keyer mode is shown for every pattern")
{
    struct Row {
        int mode;
        int variant;
        int index;
    };
    std::vector<Row> rows;
    for (int variant = 0; variant < 4; ++variant) {
        rows.push_back({1, variant, 0}); // A
        rows.push_back({0, variant, 1}); // B
        rows.push_back({3, variant, 5}); // Vibro
    }
    rows.push_back({2, 0, 2}); // Ultimatic
    rows.push_back({2, 1, 4}); // UltimDah
    rows.push_back({2, 2, 3}); // UltimDit
    rows.push_back({2, 3, 3}); // both bits
    for (const Row& row : rows) {
        CAPTURE(row.mode);
        CAPTURE(row.variant);
        EepromImage image = RandomImage(static_cast<unsigned>(row.mode * 4 + row.variant));
        Set(image, Field::KeyerMode, static_cast<unsigned>(row.mode));
        Set(image, Field::UltimaticVariant, static_cast<unsigned>(row.variant));
        CHECK(KeyerModeIndex(image) == row.index);
    }
}

TEST_CASE("the lists in byte 14")
{
    EepromImage image;
    image[14] = 0xF5;
    ChooseOutputConfig(image, 5); // "Port2, ST"
    CHECK(image[14] == 0xFA);
    ChoosePaddleHang(image, 2); // "1.6 Word"
    CHECK(image[14] == 0xEA);
    CHECK(PaddleHangIndex(image) == 2);
    CHECK(OutputConfigIndex(image) == std::optional<int>(5));
    ChooseOutputConfig(image, 6); // "Port2, PTT"
    CHECK((image[14] & 0x0F) == 9);
    CHECK((image[14] & 0xF0) == 0xE0);
}

TEST_CASE("sidetone")
{
    const struct {
        int value;
        int index; // -1: no entry
    } rows[] = {{0, -1}, {1, 0}, {3, 2}, {10, 9}, {11, -1}, {255, -1}};
    for (const auto& row : rows) {
        CAPTURE(row.value);
        EepromImage image;
        image[3] = static_cast<std::uint8_t>(row.value);
        CHECK(SidetoneIndex(image).value_or(-1) == row.index);
        if (row.index >= 0)
            CHECK(4000 / (row.index + 1) ==
                  std::stoi(std::string(SidetoneEntries[static_cast<std::size_t>(row.index)])));
        ChooseSidetone(image, 6);
        CHECK(image[3] == 7);
    }
}

TEST_CASE("an output configuration without an entry")
{
    EepromImage image;
    for (int v = 0; v < 16; ++v) {
        CAPTURE(v);
        image[14] = static_cast<std::uint8_t>(0xA0 | v);
        const bool oneOfTheEight = v >= 4 && v <= 11;
        CHECK(OutputConfigIndex(image).has_value() == oneOfTheEight);
    }
}

TEST_CASE("check boxes")
{
    const struct {
        const char* name;
        CheckBox box;
        std::size_t byte;
        int bit;
        bool inverted;
    } rows[] = {
        {"Swap", CheckBox::Swap, 1, 3, false},       {"AutoSpace", CheckBox::AutoSpace, 1, 1, false},
        {"CTspace", CheckBox::CTspace, 1, 0, false}, {"PaddleDog", CheckBox::PaddleDog, 1, 7, true},
        {"Cut 0/9", CheckBox::Cut09, 15, 3, false},  {"MsgBrk", CheckBox::MsgBrk, 15, 2, false},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        const CheckBox b = row.box;
        EepromImage image = RandomImage(static_cast<unsigned>(b));
        const EepromImage before = image;
        const bool bitSet = (image[row.byte] >> row.bit) & 1;
        CHECK(IsChecked(image, b) == (bitSet != row.inverted));

        ClickCheckBox(image, b);
        CHECK((image[row.byte] ^ before[row.byte]) == 1 << row.bit);
        CHECK(IsChecked(image, b) == (bitSet == row.inverted));
        ClickCheckBox(image, b);
        CHECK(image == before);

        // By name, as the command line sets it: its own bit, and only when the
        // state is to change.
        const Setting* setting = FindSetting(row.name);
        REQUIRE((setting && setting->Box()));
        FieldTexts texts;
        const char* const other = IsChecked(image, b) ? "off" : "on";
        CHECK(SetSetting(*setting, IsChecked(image, b) ? "on" : "off", image, texts).value_or("") == "");
        CHECK(image == before);
        CHECK(SetSetting(*setting, other, image, texts).value_or("") == "");
        CHECK((image[row.byte] ^ before[row.byte]) == 1 << row.bit);
        image[row.byte] = before[row.byte];
        CHECK(image == before);
        CHECK(texts.empty());
    }
}

TEST_CASE("pot limits")
{
    EepromImage image;
    image[7] = 20;
    image[8] = 15;
    CHECK(PotMaxShown(image) == 35);
    StorePotLimits(image, 20, 35);
    CHECK(image[7] == 20);
    CHECK(image[8] == 15);
    image[7] = 255;
    image[8] = 255;
    CHECK(PotMaxShown(image) == 510);
}

TEST_CASE("the editor never touches the keyer's own bits")
{
    for (unsigned seed = 0; seed < 50; ++seed) {
        CAPTURE(seed);
        EepromImage image = RandomImage(seed);
        const EepromImage before = image;
        std::mt19937 random(seed);
        for (int step = 0; step < 40; ++step) {
            switch (random() % 5) {
            case 0:
                ChooseKeyerMode(image, static_cast<int>(random() % 6));
                break;
            case 1:
                ChoosePaddleHang(image, static_cast<int>(random() % 4));
                break;
            case 2:
                ChooseSidetone(image, static_cast<int>(random() % 10));
                break;
            case 3:
                ChooseOutputConfig(image, static_cast<int>(random() % 8));
                break;
            default:
                ClickCheckBox(image, AllCheckBoxes[random() % 6]);
            }
        }
        for (std::size_t a = 0; a < 256; ++a) {
            if (a != 1 && a != 3 && a != 14 && a != 15)
                CHECK(image[a] == before[a]);
        }
        CHECK((image[1] & 0b0100'0100) == (before[1] & 0b0100'0100));
        CHECK((image[15] & 0b1111'0011) == (before[15] & 0b1111'0011));
    }
}

namespace {
// Field texts that pass every check.
FieldTexts ValidTexts()
{
    return {{ControlId::Weight, "50"}, {ControlId::LeadIn, "10"}, {ControlId::Tail, "20"},   {ControlId::FirstExt, "5"},
            {ControlId::Comp, "0"},    {ControlId::Farns, "0"},   {ControlId::Sample, "50"}, {ControlId::CmdWPM, "20"},
            {ControlId::Ratio, "48"},  {ControlId::PotMax, "35"}, {ControlId::PotMin, "12"}};
}
} // namespace

TEST_CASE("every number at its ends")
{
    int checked = 0;
    for (const Setting& setting : AllSettings()) {
        const NumberSetting* number = setting.Number();
        if (!number)
            continue;
        ++checked;
        const auto judge = [&](unsigned value) {
            FieldTexts texts = ValidTexts();
            texts[setting.id] = std::to_string(value);
            // A pair check must not speak for this field's own range.
            for (const Setting& other : AllSettings()) {
                const NumberSetting* n = other.Number();
                if (n && n->above && n->above->other == setting.id)
                    texts[other.id] = std::to_string(value + 1);
                if (n && number->above && other.id == number->above->other)
                    texts[other.id] = std::to_string(value > n->low ? n->low : 0);
            }
            EepromImage image;
            return ValidateSettings(image, texts).value_or("");
        };
        const std::string name(setting.name);
        CAPTURE(name);
        const std::string own(number->range.refusal);
        CHECK(judge(number->low) != own);
        CHECK(judge(number->high) != own);
        CHECK(judge(number->high + 1) == own);
        // Below MAX's range lies MIN's, whose check comes first.
        const auto refusedBelow = [&](unsigned value) {
            return number->above ? !judge(value).empty() : judge(value) == own;
        };
        if (number->low > 0)
            CHECK(refusedBelow(number->low - 1));
        CHECK(refusedBelow(0) == (!number->zeroAllowed && number->low > 0));
    }
    CHECK(checked == 11);
}

TEST_CASE("the earlier step speaks first")
{
    // Two adjacent checks, both failing: the earlier one's text is shown.
    const struct {
        std::vector<std::pair<const char*, const char*>> wrong;
        const char* refusal;
    } rows[] = {
        {{{"Weight", "9"}, {"LeadIn", "251"}}, "Weight must be between 10 and 90"},
        {{{"LeadIn", "251"}, {"Tail", "251"}}, "Lead In must be 250 or less."},
        {{{"Tail", "251"}, {"1stExt", "251"}}, "Tail must be 250 or less."},
        {{{"1stExt", "251"}, {"Comp", "251"}}, "Extend must be 250 or less."},
        {{{"Comp", "251"}, {"Farns", "5"}}, "Key Comp must be 250 or less."},
        {{{"Farns", "5"}, {"Sample", "9"}}, "Farns must be 0 or between 10 and 90"},
        {{{"Sample", "91"}, {"CmdWPM", "4"}}, "Ksamp must be between 10 and 90"},
        {{{"CmdWPM", "100"}, {"Ratio", "32"}}, "CMDWPM must be between 5 and 99"},
        {{{"Ratio", "67"}, {"MAX", "20"}, {"MIN", "20"}}, "Ratio must be between 33 and 66"},
        {{{"MAX", "4"}, {"MIN", "4"}}, "Pot Max must be greater than Pot Min"},
        {{{"MAX", "100"}, {"MIN", "4"}}, "Pot Min must be between 5 and 99"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.refusal);
        FieldTexts texts = ValidTexts();
        EepromImage image;
        for (const auto& [name, value] : row.wrong) {
            const Setting* setting = FindSetting(name);
            REQUIRE(setting);
            CHECK(SetSetting(*setting, value, image, texts).value_or("") == "");
        }
        CHECK(ValidateSettings(image, texts).value_or("") == row.refusal);
    }
}

TEST_CASE("a keystroke is taken whole or not at all; a paste that takes nothing changes nothing")
{
    const struct {
        const char* added;
        int room;
        std::optional<std::string> typed, pasted; // nothing: the field stays as it was
    } rows[] = {
        {"\t", 5, " ", " "},
        {"\r", 5, " ", " "},
        {"\n", 5, " ", " "},
        {"q", 5, "Q", "Q"},
        {"q", 0, {}, {}},
        {"\xC3\xA9", 5, {}, {}},      // é
        {"\xC3\xA9$#~", 20, {}, {}},  // every character refused
        {"cq\xC3\xA9", 20, {}, "CQ"}, // a keystroke of three is refused whole
        {"cq de", 2, {}, "CQ"},       // as much as there is room for
        {"", 5, {}, {}},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.added));
        CHECK(TypedText(row.added, row.room) == row.typed);
        CHECK(PastedText(row.added, row.room) == row.pasted);
    }
}
