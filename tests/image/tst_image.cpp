#include "image/EepromImage.h"
#include "image/MessageCodec.h"
#include "image/Settings.h"

#include <QTest>
#include <random>

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

MessageTexts Texts(std::initializer_list<const char*> list)
{
    MessageTexts texts;
    std::size_t i = 0;
    for (const char* t : list)
        texts[i++] = t;
    return texts;
}

} // namespace

class TestImage : public QObject {
    Q_OBJECT

  private slots:
    void morseTableMatchesElements_data();
    void morseTableMatchesElements();
    void charactersWithoutCode();
    void charForCodeTakesFirstMatch_data();
    void charForCodeTakesFirstMatch();

    void packExamples_data();
    void packExamples();
    void packFullAreaEndsAtLastByte();
    void packLeavesBytesBehindFreePointer();
    void packRefusesWhatCannotBeStored_data();
    void packRefusesWhatCannotBeStored();
    void decodeRoundTrip_data();
    void decodeRoundTrip();
    void decodeStartOutsideAreaIsEmpty_data();
    void decodeStartOutsideAreaIsEmpty();
    void decodeRunsToEndOfArea();
    void decodeStopsAtDollarAndUnknownCodes();
    void decodedTextsSurvivePacking();

    void keyerModeSequences();
    void keyerModeShownForEveryPattern_data();
    void keyerModeShownForEveryPattern();
    void byte14Lists();
    void sidetone_data();
    void sidetone();
    void outputConfigWithoutEntry();
    void checkBoxes_data();
    void checkBoxes();
    void potLimits();
    void editorNeverTouchesKeyerOnlyBits();
    void everyNumberAtItsEnds();
    void earlierStepSpeaksFirst_data();
    void earlierStepSpeaksFirst();
};

void TestImage::morseTableMatchesElements_data()
{
    QTest::addColumn<char>("c");
    QTest::addColumn<QString>("elements");
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
        QTest::addRow("%c", c) << c << QString::fromLatin1(elements);
        if (c >= 'A' && c <= 'Z')
            QTest::addRow("%c", c + 32) << static_cast<char>(c + 32) << QString::fromLatin1(elements);
    }
}

void TestImage::morseTableMatchesElements()
{
    QFETCH(char, c);
    QFETCH(QString, elements);
    QCOMPARE(MorseCodeFor(c), CodeFromElements(elements.toLatin1().constData()));
}

void TestImage::charactersWithoutCode()
{
    QCOMPARE(MorseCodeFor(' '), std::uint8_t{0x1C});
    for (const char c : std::string_view("!#%&*^_`{}~\x7F"))
        QCOMPARE(MorseCodeFor(c), NoMorseCode);
    QCOMPARE(MorseCodeFor('\n'), NoMorseCode);
    QCOMPARE(MorseCodeFor('\xE9'), NoMorseCode);
    QVERIFY(!IsStorable('$'));
    QVERIFY(!IsStorable('#'));
    QVERIFY(IsStorable('!')); // stored as 0x01, which reads back as "!"
    QVERIFY(!IsStorable('\n'));
    QVERIFY(IsStorable('q'));
    QVERIFY(IsStorable(' '));
}

void TestImage::charForCodeTakesFirstMatch_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<char>("expected");
    QTest::newRow("paren over colon and bracket") << 0x2D << '(';
    QTest::newRow("plus over less-than") << 0x2A << '+';
    QTest::newRow("slash over backslash") << 0x29 << '/';
    QTest::newRow("no-code marker") << 0x01 << '!';
    QTest::newRow("letter is the capital") << 0x1B << 'Q';
    QTest::newRow("unknown") << 0x48 << '\0';
    QTest::newRow("zero") << 0x00 << '\0';
}

void TestImage::charForCodeTakesFirstMatch()
{
    QFETCH(int, code);
    QFETCH(char, expected);
    QCOMPARE(CharForCode(static_cast<std::uint8_t>(code)), expected);
}

void TestImage::packExamples_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("directory"); // bytes 17..23
    QTest::addColumn<QByteArray>("area");      // the used front of the area

    QTest::newRow("all empty") << QStringList{"", "", "", "", "", ""} << QByteArray::fromHex("18101010101010")
                               << QByteArray();
    QTest::newRow("CQ and K") << QStringList{"CQ", "", "K", "", "", ""} << QByteArray::fromHex("1b18101a101010")
                              << QByteArray::fromHex("159b8d");
    QTest::newRow("one letter") << QStringList{"", "", "", "", "", "E"} << QByteArray::fromHex("19101010101018")
                                << QByteArray::fromHex("82");
    QTest::newRow("with a space") << QStringList{"CQ CQ", "", "", "", "", ""} << QByteArray::fromHex("1d181010101010")
                                  << QByteArray::fromHex("151b1c159b");
    QTest::newRow("lower case") << QStringList{"cq", "", "", "", "", ""} << QByteArray::fromHex("1a181010101010")
                                << QByteArray::fromHex("159b");
}

void TestImage::packExamples()
{
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, directory);
    QFETCH(QByteArray, area);

    EepromImage image = RandomImage(7);
    const EepromImage before = image;
    MessageTexts msgs;
    for (int i = 0; i < MessageCount; ++i)
        msgs[static_cast<std::size_t>(i)] = texts[i].toStdString();
    QVERIFY(PackMessages(image, msgs));

    for (int i = 0; i < directory.size(); ++i)
        QCOMPARE(image[static_cast<std::size_t>(17 + i)], static_cast<std::uint8_t>(directory[i]));
    for (int i = 0; i < area.size(); ++i)
        QCOMPARE(image[static_cast<std::size_t>(24 + i)], static_cast<std::uint8_t>(area[i]));
    // Nothing outside the directory and the used front of the area changes.
    for (std::size_t a = 0; a < 256; ++a) {
        if (a < 17 || a >= static_cast<std::size_t>(24 + area.size()))
            QCOMPARE(image[a], before[a]);
    }
}

void TestImage::packFullAreaEndsAtLastByte()
{
    EepromImage image;
    const auto texts = Texts({"", std::string(100, 'E').c_str(), std::string(132, 'T').c_str(), "", "", ""});
    QCOMPARE(MessageCharCount(texts), 232);
    QVERIFY(PackMessages(image, texts));
    QCOMPARE(image[17], std::uint8_t{0});
    QCOMPARE(image[19], std::uint8_t{24});
    QCOMPARE(image[20], std::uint8_t{124});
    QCOMPARE(image[255], std::uint8_t{0x83});
    QCOMPARE(DecodeMessage(image, 3), std::string(132, 'T'));
}

void TestImage::packLeavesBytesBehindFreePointer()
{
    EepromImage image;
    QVERIFY(PackMessages(image, Texts({"PARIS", "", "", "", "", ""})));
    QVERIFY(PackMessages(image, Texts({"AB", "", "", "", "", ""})));
    QCOMPARE(image[17], std::uint8_t{26});
    QCOMPARE(image[26], std::uint8_t{0x0A}); // the old R
    QCOMPARE(image[28], std::uint8_t{0x88}); // the old final S
}

void TestImage::packRefusesWhatCannotBeStored_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("message");
    QTest::newRow("dollar") << QStringList{"", "A$B", "", "", "", ""} << int(PackProblem::Unstorable) << 2;
    QTest::newRow("no code") << QStringList{"", "", "", "#", "", ""} << int(PackProblem::Unstorable) << 4;
    QTest::newRow("line break") << QStringList{"CQ\nDE", "", "", "", "", ""} << int(PackProblem::Unstorable) << 1;
    QTest::newRow("eight-bit") << QStringList{"", "", "", "", "", "caf\xC3\xA9"} << int(PackProblem::Unstorable) << 6;
    QTest::newRow("233 characters") << QStringList{QString(200, 'E'), "", QString(33, 'T'), "", "", ""}
                                    << int(PackProblem::TooLong) << 3;
}

void TestImage::packRefusesWhatCannotBeStored()
{
    QFETCH(QStringList, texts);
    QFETCH(int, kind);
    QFETCH(int, message);
    MessageTexts msgs;
    for (int i = 0; i < MessageCount; ++i)
        msgs[static_cast<std::size_t>(i)] = texts[i].toStdString();
    const auto problem = CheckMessages(msgs);
    QVERIFY(problem.has_value());
    QCOMPARE(int(problem->kind), kind);
    QCOMPARE(problem->messageNumber, message);

    EepromImage image = RandomImage(3);
    const EepromImage before = image;
    QVERIFY(!PackMessages(image, msgs));
    QVERIFY(image == before);
}

void TestImage::decodeRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("plain") << "CQ CQ DE DL1ABC"
                           << "CQ CQ DE DL1ABC";
    QTest::newRow("lower case") << "cq test"
                                << "CQ TEST";
    QTest::newRow("shared codes") << ":]<\\"
                                  << "((+/";
    QTest::newRow("punctuation") << "\"'()+,-./;=>?@[|"
                                 << "\"'()+,-./;=>?@[|";
}

void TestImage::decodeRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, readBack);
    EepromImage image;
    QVERIFY(PackMessages(image, Texts({"K", text.toLatin1().constData(), "", "", "", "EE"})));
    QCOMPARE(QString::fromStdString(DecodeMessage(image, 2)), readBack);
    QCOMPARE(DecodeMessage(image, 1), std::string("K"));
    QCOMPARE(DecodeMessage(image, 3), std::string());
    QCOMPARE(DecodeMessage(image, 6), std::string("EE"));
}

void TestImage::decodeStartOutsideAreaIsEmpty_data()
{
    QTest::addColumn<int>("start");
    for (int s : {0, 1, 15, 16, 17, 23})
        QTest::addRow("start %d", s) << s;
}

void TestImage::decodeStartOutsideAreaIsEmpty()
{
    QFETCH(int, start);
    EepromImage image = RandomImage(11);
    image[18] = static_cast<std::uint8_t>(start);
    QCOMPARE(DecodeMessage(image, 1), std::string());
}

void TestImage::decodeRunsToEndOfArea()
{
    EepromImage image;
    image[18] = 253;
    image[253] = 0x06;
    image[254] = 0x11;
    image[255] = 0x15; // no end marker anywhere
    QCOMPARE(DecodeMessage(image, 1), std::string("ABC"));
}

void TestImage::decodedTextsSurvivePacking()
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
        QVERIFY2(!CheckMessages(texts).has_value(), qPrintable(QString::number(seed)));
        QVERIFY(PackMessages(image, texts));
        for (int n = 1; n <= MessageCount; ++n)
            QCOMPARE(DecodeMessage(image, n), texts[static_cast<std::size_t>(n - 1)]);
    }
    QVERIFY(fitting > 500);
}

void TestImage::decodeStopsAtDollarAndUnknownCodes()
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
    QCOMPARE(DecodeMessage(image, 1), std::string("A"));
    QCOMPARE(DecodeMessage(image, 2), std::string("T"));
}

void TestImage::keyerModeSequences()
{
    EepromImage image;
    ChooseKeyerMode(image, 4); // UltimDah
    QCOMPARE(Get(image, Field::KeyerMode), std::uint8_t{0b10});
    QCOMPARE(Get(image, Field::UltimaticVariant), std::uint8_t{0b01});
    ChooseKeyerMode(image, 0); // Iambic A keeps the variant
    QCOMPARE(Get(image, Field::KeyerMode), std::uint8_t{0b01});
    QCOMPARE(Get(image, Field::UltimaticVariant), std::uint8_t{0b01});
    QCOMPARE(KeyerModeIndex(image), 0);
    ChooseKeyerMode(image, 2); // Ultimatic clears it
    QCOMPARE(Get(image, Field::UltimaticVariant), std::uint8_t{0});

    Set(image, Field::UltimaticVariant, 0b11);
    QCOMPARE(KeyerModeIndex(image), 3);
    ChooseKeyerMode(image, 3);
    QCOMPARE(Get(image, Field::UltimaticVariant), std::uint8_t{0b10});
}

void TestImage::keyerModeShownForEveryPattern_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("index");
    for (int variant = 0; variant < 4; ++variant) {
        QTest::addRow("A/%d", variant) << 1 << variant << 0;
        QTest::addRow("B/%d", variant) << 0 << variant << 1;
        QTest::addRow("Vibro/%d", variant) << 3 << variant << 5;
    }
    QTest::newRow("Ultimatic") << 2 << 0 << 2;
    QTest::newRow("UltimDah") << 2 << 1 << 4;
    QTest::newRow("UltimDit") << 2 << 2 << 3;
    QTest::newRow("both bits") << 2 << 3 << 3;
}

void TestImage::keyerModeShownForEveryPattern()
{
    QFETCH(int, mode);
    QFETCH(int, variant);
    QFETCH(int, index);
    EepromImage image = RandomImage(static_cast<unsigned>(mode * 4 + variant));
    Set(image, Field::KeyerMode, static_cast<unsigned>(mode));
    Set(image, Field::UltimaticVariant, static_cast<unsigned>(variant));
    QCOMPARE(KeyerModeIndex(image), index);
}

void TestImage::byte14Lists()
{
    EepromImage image;
    image[14] = 0xF5;
    ChooseOutputConfig(image, 5); // "Port2, ST"
    QCOMPARE(image[14], std::uint8_t{0xFA});
    ChoosePaddleHang(image, 2); // "1.6 Word"
    QCOMPARE(image[14], std::uint8_t{0xEA});
    QCOMPARE(PaddleHangIndex(image), 2);
    QCOMPARE(OutputConfigIndex(image), std::optional<int>(5));
    ChooseOutputConfig(image, 6); // "Port2, PTT"
    QCOMPARE(image[14] & 0x0F, 9);
    QCOMPARE(image[14] & 0xF0, 0xE0);
}

void TestImage::sidetone_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("index"); // -1: no entry
    QTest::newRow("0") << 0 << -1;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("3") << 3 << 2;
    QTest::newRow("10") << 10 << 9;
    QTest::newRow("11") << 11 << -1;
    QTest::newRow("255") << 255 << -1;
}

void TestImage::sidetone()
{
    QFETCH(int, value);
    QFETCH(int, index);
    EepromImage image;
    image[3] = static_cast<std::uint8_t>(value);
    QCOMPARE(SidetoneIndex(image).value_or(-1), index);
    if (index >= 0)
        QCOMPARE(4000 / (index + 1),
                 QByteArray(SidetoneEntries[static_cast<std::size_t>(index)].data(),
                            static_cast<qsizetype>(SidetoneEntries[static_cast<std::size_t>(index)].size()))
                     .toInt());
    ChooseSidetone(image, 6);
    QCOMPARE(image[3], std::uint8_t{7});
}

void TestImage::outputConfigWithoutEntry()
{
    EepromImage image;
    for (int v = 0; v < 16; ++v) {
        image[14] = static_cast<std::uint8_t>(0xA0 | v);
        const bool oneOfTheEight = v >= 4 && v <= 11;
        QCOMPARE(OutputConfigIndex(image).has_value(), oneOfTheEight);
    }
}

void TestImage::checkBoxes_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("bit");
    QTest::addColumn<bool>("inverted");
    QTest::newRow("Swap") << int(CheckBox::Swap) << 1 << 3 << false;
    QTest::newRow("AutoSpace") << int(CheckBox::AutoSpace) << 1 << 1 << false;
    QTest::newRow("CTspace") << int(CheckBox::CTspace) << 1 << 0 << false;
    QTest::newRow("PaddleDog") << int(CheckBox::PaddleDog) << 1 << 7 << true;
    QTest::newRow("Cut 0/9") << int(CheckBox::Cut09) << 15 << 3 << false;
    QTest::newRow("MsgBrk") << int(CheckBox::MsgBrk) << 15 << 2 << false;
}

void TestImage::checkBoxes()
{
    QFETCH(int, box);
    QFETCH(int, byte);
    QFETCH(int, bit);
    QFETCH(bool, inverted);
    const auto b = static_cast<CheckBox>(box);
    EepromImage image = RandomImage(static_cast<unsigned>(box));
    const EepromImage before = image;
    const bool bitSet = (image[static_cast<std::size_t>(byte)] >> bit) & 1;
    QCOMPARE(IsChecked(image, b), bitSet != inverted);

    ClickCheckBox(image, b);
    QCOMPARE(image[static_cast<std::size_t>(byte)] ^ before[static_cast<std::size_t>(byte)], 1 << bit);
    QCOMPARE(IsChecked(image, b), bitSet == inverted);
    ClickCheckBox(image, b);
    QVERIFY(image == before);

    // By name, as the command line sets it: its own bit, and only when the
    // state is to change.
    const Setting* setting = FindSetting(QTest::currentDataTag());
    QVERIFY(setting && setting->Box());
    FieldTexts texts;
    const char* const other = IsChecked(image, b) ? "off" : "on";
    QCOMPARE(SetSetting(*setting, IsChecked(image, b) ? "on" : "off", image, texts).value_or(""), std::string());
    QVERIFY(image == before);
    QCOMPARE(SetSetting(*setting, other, image, texts).value_or(""), std::string());
    QCOMPARE(image[static_cast<std::size_t>(byte)] ^ before[static_cast<std::size_t>(byte)], 1 << bit);
    image[static_cast<std::size_t>(byte)] = before[static_cast<std::size_t>(byte)];
    QVERIFY(image == before);
    QVERIFY(texts.empty());
}

void TestImage::potLimits()
{
    EepromImage image;
    image[7] = 20;
    image[8] = 15;
    QCOMPARE(PotMaxShown(image), 35);
    StorePotLimits(image, 20, 35);
    QCOMPARE(image[7], std::uint8_t{20});
    QCOMPARE(image[8], std::uint8_t{15});
    image[7] = 255;
    image[8] = 255;
    QCOMPARE(PotMaxShown(image), 510);
}

void TestImage::editorNeverTouchesKeyerOnlyBits()
{
    for (unsigned seed = 0; seed < 50; ++seed) {
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
                QCOMPARE(image[a], before[a]);
        }
        QCOMPARE(image[1] & 0b0100'0100, before[1] & 0b0100'0100);
        QCOMPARE(image[15] & 0b1111'0011, before[15] & 0b1111'0011);
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

void TestImage::everyNumberAtItsEnds()
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
        const QByteArray name(setting.name.data(), static_cast<qsizetype>(setting.name.size()));
        const std::string own(number->range.refusal);
        QVERIFY2(judge(number->low) != own, name);
        QVERIFY2(judge(number->high) != own, name);
        QVERIFY2(judge(number->high + 1) == own, name);
        // Below MAX's range lies MIN's, whose check comes first.
        const auto refusedBelow = [&](unsigned value) {
            return number->above ? !judge(value).empty() : judge(value) == own;
        };
        if (number->low > 0)
            QVERIFY2(refusedBelow(number->low - 1), name);
        QCOMPARE(refusedBelow(0), !number->zeroAllowed && number->low > 0);
    }
    QCOMPARE(checked, 11);
}

void TestImage::earlierStepSpeaksFirst_data()
{
    // Two adjacent checks, both failing: the earlier one's text is shown.
    QTest::addColumn<QStringList>("wrong");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("1, 2") << QStringList{"Weight=9", "LeadIn=251"} << "Weight must be between 10 and 90";
    QTest::newRow("2, 3") << QStringList{"LeadIn=251", "Tail=251"} << "Lead In must be 250 or less.";
    QTest::newRow("3, 4") << QStringList{"Tail=251", "1stExt=251"} << "Tail must be 250 or less.";
    QTest::newRow("4, 5") << QStringList{"1stExt=251", "Comp=251"} << "Extend must be 250 or less.";
    QTest::newRow("5, 6") << QStringList{"Comp=251", "Farns=5"} << "Key Comp must be 250 or less.";
    QTest::newRow("6, 7") << QStringList{"Farns=5", "Sample=9"} << "Farns must be 0 or between 10 and 90";
    QTest::newRow("7, 8") << QStringList{"Sample=91", "CmdWPM=4"} << "Ksamp must be between 10 and 90";
    QTest::newRow("8, 9") << QStringList{"CmdWPM=100", "Ratio=32"} << "CMDWPM must be between 5 and 99";
    QTest::newRow("9, 10") << QStringList{"Ratio=67", "MAX=20", "MIN=20"} << "Ratio must be between 33 and 66";
    QTest::newRow("10, 11") << QStringList{"MAX=4", "MIN=4"} << "Pot Max must be greater than Pot Min";
    QTest::newRow("11, 12") << QStringList{"MAX=100", "MIN=4"} << "Pot Min must be between 5 and 99";
}

void TestImage::earlierStepSpeaksFirst()
{
    QFETCH(QStringList, wrong);
    QFETCH(QString, refusal);
    FieldTexts texts = ValidTexts();
    EepromImage image;
    for (const QString& assignment : wrong) {
        const Setting* setting = FindSetting(assignment.section('=', 0, 0).toStdString());
        QVERIFY(setting);
        QCOMPARE(SetSetting(*setting, assignment.section('=', 1).toStdString(), image, texts).value_or(""),
                 std::string());
    }
    QCOMPARE(QString::fromStdString(ValidateSettings(image, texts).value_or("")), refusal);
}

QTEST_APPLESS_MAIN(TestImage)
#include "tst_image.moc"
