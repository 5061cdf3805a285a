#include "image/MessageCodec.h"
#include "image/MessageText.h"
#include "image/Settings.h"
#include "qt/EditorPanel.h"
#include "qt/MessageField.h"
#include "ui/Layouts.h"
#include "support/Announcements.h"
#include "support/RecordingPrompts.h"
#include "support/Routes.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>
#include <QTextCursor>
#include <bit>
#include <memory>
#include <random>

namespace {

// Picks a list entry the way a person does: open the list, click the entry.
void Choose(QWidget* widget, int index)
{
    auto* box = qobject_cast<QComboBox*>(widget);
    QVERIFY(box);
    box->showPopup();
    QAbstractItemView* view = box->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
}

EepromImage RandomImage(unsigned seed)
{
    std::mt19937 random(seed);
    EepromImage image;
    for (auto& b : image.bytes)
        b = static_cast<std::uint8_t>(random());
    return image;
}

// Number fields and the values that pass all checks.
const std::pair<ControlId, const char*> ValidNumbers[] = {
    {ControlId::Weight, "50"}, {ControlId::LeadIn, "10"}, {ControlId::Tail, "20"},   {ControlId::FirstExt, "5"},
    {ControlId::Comp, "0"},    {ControlId::Farns, "0"},   {ControlId::Sample, "50"}, {ControlId::CmdWPM, "20"},
    {ControlId::Ratio, "48"},  {ControlId::PotMax, "35"}, {ControlId::PotMin, "12"},
};

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { InstallPanelAccessibility(); }
    void init();
    void cleanup() { panel.reset(); }

    void startsEmptyAndRefreshesAllZero();
    void refreshShowsEveryField();
    void refreshFiresNoHandler();
    void outputNibbleWithoutEntryShowsNone();
    void numberRules_data();
    void numberRules();
    void refusalStoresOnlyEarlierFields();
    void potLimits_data();
    void potLimits();
    void keyerModeThroughTheList();
    void listsWriteTheirBits();
    void typedListTextChangesNothing_data();
    void typedListTextChangesNothing();
    void checkBoxFollowsImage();
    void typingFilter_data();
    void typingFilter();
    void typingStopsAtAreaSize();
    void messageRuleOnEveryRoute_data();
    void messageRuleOnEveryRoute();
    void numberFieldTakesThreeDigits();
    void validatePacksMessages();
    void bytesLeftAndStatusCountdown();
    void keyboardAndScreenReaders();
    void layoutHoldsTogether();
    void settingsAndLayoutAgree();

  private:
    QComboBox* List(ControlId id) const { return panel->ControlAs<QComboBox>(id); }
    QCheckBox* Box(ControlId id) const { return panel->ControlAs<QCheckBox>(id); }
    void SetValidNumbers();

    EepromImage image;
    RecordingPrompts prompts;
    std::unique_ptr<EditorPanel> panel;
};

void TestPanel::init()
{
    image = EepromImage{};
    prompts = RecordingPrompts();
    panel = std::make_unique<EditorPanel>(image, prompts);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
}

void TestPanel::SetValidNumbers()
{
    for (const auto& [id, text] : ValidNumbers)
        panel->SetText(id, QString::fromLatin1(text));
}

void TestPanel::startsEmptyAndRefreshesAllZero()
{
    QCOMPARE(List(ControlId::KeyerMode)->currentIndex(), -1);
    QCOMPARE(List(ControlId::Sidetone)->currentIndex(), -1);
    QVERIFY(!Box(ControlId::PaddleDog)->isChecked());
    QCOMPARE(panel->Text(ControlId::Weight), QString());
    QCOMPARE(panel->Text(ControlId::BytesLeft), QString("Msg Bytes Left:"));

    panel->RefreshPanel();
    for (ControlId id :
         {ControlId::Weight, ControlId::LeadIn, ControlId::Tail, ControlId::FirstExt, ControlId::Comp, ControlId::Farns,
          ControlId::Sample, ControlId::Ratio, ControlId::CmdWPM, ControlId::PotMax, ControlId::PotMin})
        QCOMPARE(panel->Text(id), QString("0"));
    QCOMPARE(List(ControlId::KeyerMode)->currentText(), QString("Iambic B"));
    QCOMPARE(List(ControlId::PaddleHang)->currentText(), QString("1.0 Word"));
    QCOMPARE(List(ControlId::Sidetone)->currentIndex(), -1);
    QCOMPARE(List(ControlId::OutputConfig)->currentIndex(), -1);
    QVERIFY(Box(ControlId::PaddleDog)->isChecked());
    for (ControlId id :
         {ControlId::Swap, ControlId::AutoSpace, ControlId::CTspace, ControlId::Cut09, ControlId::MsgBrk})
        QVERIFY(!Box(id)->isChecked());
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(panel->Text(MessageFieldId(n)), QString());
}

void TestPanel::refreshShowsEveryField()
{
    const std::uint8_t bytes[] = {0, 0x2B, 0, 3, 50, 11, 12, 20, 15, 13, 14, 16, 17, 40, 0x5A, 0x08, 30};
    std::copy(std::begin(bytes), std::end(bytes), image.bytes.begin());
    QVERIFY(PackMessages(image, {"CQ", "", "K", "", "", ""}));
    panel->RefreshPanel();
    const std::pair<ControlId, const char*> expected[] = {
        {ControlId::Weight, "50"},           {ControlId::LeadIn, "11"},     {ControlId::Tail, "12"},
        {ControlId::FirstExt, "13"},         {ControlId::Comp, "14"},       {ControlId::Farns, "16"},
        {ControlId::Sample, "17"},           {ControlId::Ratio, "40"},      {ControlId::CmdWPM, "30"},
        {ControlId::PotMax, "35"},           {ControlId::PotMin, "20"},     {ControlId::Message1, "CQ"},
        {ControlId::Message2, ""},           {ControlId::Message3, "K"},    {ControlId::KeyerMode, "UltimDah"},
        {ControlId::PaddleHang, "1.3 Word"}, {ControlId::Sidetone, "1333"}, {ControlId::OutputConfig, "Port2, ST"},
    };
    for (const auto& [id, text] : expected)
        QCOMPARE(panel->Text(id), QString::fromLatin1(text));
    QVERIFY(Box(ControlId::Swap)->isChecked());      // Swap, bit 3
    QVERIFY(Box(ControlId::AutoSpace)->isChecked()); // AutoSpace, bit 1
    QVERIFY(Box(ControlId::CTspace)->isChecked());   // CTspace, bit 0
    QVERIFY(Box(ControlId::PaddleDog)->isChecked()); // PaddleDog, bit 7 clear
    QVERIFY(Box(ControlId::Cut09)->isChecked());     // Cut 0/9
    QVERIFY(!Box(ControlId::MsgBrk)->isChecked());   // MsgBrk

    // A full area moved from one message to another shows whole.
    QVERIFY(PackMessages(image, {"", std::string(232, 'E'), "", "", "", ""}));
    panel->RefreshPanel();
    QVERIFY(PackMessages(image, {std::string(232, 'T'), "", "", "", "", ""}));
    panel->RefreshPanel();
    QCOMPARE(panel->Text(ControlId::Message1), QString(232, 'T'));
    QCOMPARE(panel->Text(ControlId::Message2), QString());
}

void TestPanel::refreshFiresNoHandler()
{
    image = RandomImage(5);
    const EepromImage before = image;
    panel->RefreshPanel();
    panel->RefreshPanel();
    QVERIFY(image == before);
}

void TestPanel::outputNibbleWithoutEntryShowsNone()
{
    for (int nibble : {0, 3, 12, 15}) {
        image[14] = static_cast<std::uint8_t>(0x10 | nibble);
        panel->RefreshPanel();
        QCOMPARE(List(ControlId::OutputConfig)->currentIndex(), -1);
        QCOMPARE(image[14], static_cast<std::uint8_t>(0x10 | nibble));
    }
}

void TestPanel::numberRules_data()
{
    QTest::addColumn<ControlId>("id");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("refusal"); // empty: accepted
    const QString weight = "Weight must be between 10 and 90";
    const QString farns = "Farns must be 0 or between 10 and 90";
    QTest::newRow("Weight 9") << ControlId::Weight << "9" << weight;
    QTest::newRow("Weight 10") << ControlId::Weight << "10"
                               << "";
    QTest::newRow("Weight 90") << ControlId::Weight << "90"
                               << "";
    QTest::newRow("Weight 91") << ControlId::Weight << "91" << weight;
    QTest::newRow("Weight empty") << ControlId::Weight << "" << weight;
    QTest::newRow("LeadIn 250") << ControlId::LeadIn << "250"
                                << "";
    QTest::newRow("LeadIn 251") << ControlId::LeadIn << "251"
                                << "Lead In must be 250 or less.";
    QTest::newRow("Tail 251") << ControlId::Tail << "251"
                              << "Tail must be 250 or less.";
    QTest::newRow("1stExt 251") << ControlId::FirstExt << "251"
                                << "Extend must be 250 or less.";
    QTest::newRow("Comp 999") << ControlId::Comp << "999"
                              << "Key Comp must be 250 or less.";
    QTest::newRow("Comp empty") << ControlId::Comp << ""
                                << "";
    QTest::newRow("Farns 0") << ControlId::Farns << "0"
                             << "";
    QTest::newRow("Farns 5") << ControlId::Farns << "5" << farns;
    QTest::newRow("Farns 10") << ControlId::Farns << "10"
                              << "";
    QTest::newRow("Farns 90") << ControlId::Farns << "90"
                              << "";
    QTest::newRow("Farns 91") << ControlId::Farns << "91" << farns;
    QTest::newRow("Farns 99") << ControlId::Farns << "99" << farns;
    QTest::newRow("Sample 9") << ControlId::Sample << "9"
                              << "Ksamp must be between 10 and 90";
    QTest::newRow("CmdWPM 4") << ControlId::CmdWPM << "4"
                              << "CMDWPM must be between 5 and 99";
    QTest::newRow("CmdWPM 99") << ControlId::CmdWPM << "99"
                               << "";
    QTest::newRow("Ratio 32") << ControlId::Ratio << "32"
                              << "Ratio must be between 33 and 66";
    QTest::newRow("Ratio 66") << ControlId::Ratio << "66"
                              << "";
    QTest::newRow("Ratio 67") << ControlId::Ratio << "67"
                              << "Ratio must be between 33 and 66";
}

void TestPanel::numberRules()
{
    QFETCH(ControlId, id);
    QFETCH(QString, value);
    QFETCH(QString, refusal);
    SetValidNumbers();
    panel->SetText(id, value);
    const int result = panel->ValidatePanel();
    QCOMPARE(result, refusal.isEmpty() ? 1 : 0);
    if (refusal.isEmpty()) {
        QVERIFY(prompts.boxes.empty());
    } else {
        QCOMPARE(prompts.boxes.size(), 1u);
        QCOMPARE(QString::fromStdString(prompts.boxes[0].text), refusal);
        QCOMPARE(prompts.boxes[0].kind, ShownBox::Error);
        QCOMPARE(prompts.boxes[0].owner, std::optional(Owner::EditorPanel));
    }
}

void TestPanel::refusalStoresOnlyEarlierFields()
{
    image = RandomImage(1);
    const EepromImage before = image;
    SetValidNumbers();
    panel->SetText(ControlId::Ratio, "70"); // Ratio, step 9
    QCOMPARE(panel->ValidatePanel(), 0);
    const std::pair<int, int> stored[] = {{4, 50}, {5, 10}, {6, 20}, {9, 5}, {10, 0}, {11, 0}, {12, 50}, {16, 20}};
    for (const auto& [address, value] : stored)
        QCOMPARE(int(image[static_cast<std::size_t>(address)]), value);
    for (std::size_t a : {0u, 1u, 2u, 3u, 7u, 8u, 13u, 14u, 15u})
        QCOMPARE(image[a], before[a]);
    for (std::size_t a = 17; a < 256; ++a)
        QCOMPARE(image[a], before[a]);

    // LeadIn 251 stops at step 2: only Weight is stored.
    image = before;
    SetValidNumbers();
    panel->SetText(ControlId::LeadIn, "251");
    QCOMPARE(panel->ValidatePanel(), 0);
    QCOMPARE(int(image[4]), 50);
    for (std::size_t a = 5; a < 256; ++a)
        QCOMPARE(image[a], before[a]);
}

void TestPanel::potLimits_data()
{
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("equal") << "50"
                           << "50"
                           << "Pot Max must be greater than Pot Min";
    QTest::newRow("max 100") << "100"
                             << "5"
                             << "Pot Max must be between 5 and 99";
    QTest::newRow("min 4") << "10"
                           << "4"
                           << "Pot Min must be between 5 and 99";
    QTest::newRow("both empty") << ""
                                << ""
                                << "Pot Max must be greater than Pot Min";
    QTest::newRow("30 and 10") << "30"
                               << "10"
                               << "";
}

void TestPanel::potLimits()
{
    QFETCH(QString, max);
    QFETCH(QString, min);
    QFETCH(QString, refusal);
    image[7] = 77;
    image[8] = 88;
    SetValidNumbers();
    panel->SetText(ControlId::PotMax, max);
    panel->SetText(ControlId::PotMin, min);
    QCOMPARE(panel->ValidatePanel(), refusal.isEmpty() ? 1 : 0);
    if (!refusal.isEmpty()) {
        QCOMPARE(QString::fromStdString(prompts.LastText()), refusal);
        QCOMPARE(int(image[7]), 77);
        QCOMPARE(int(image[8]), 88);
        return;
    }
    QCOMPARE(int(image[7]), 10);
    QCOMPARE(int(image[8]), 20);
    panel->SetText(ControlId::PotMax, "");
    panel->RefreshPanel();
    QCOMPARE(panel->Text(ControlId::PotMax), QString("30"));
    QCOMPARE(panel->Text(ControlId::PotMin), QString("10"));
}

void TestPanel::keyerModeThroughTheList()
{
    Choose(List(ControlId::KeyerMode), 4); // UltimDah
    QCOMPARE(image[1] & 0x30, 0x20);
    QCOMPARE(image[14] & 0xC0, 0x40);
    Choose(List(ControlId::KeyerMode), 0); // Iambic A keeps the variant bits
    QCOMPARE(image[1] & 0x30, 0x10);
    QCOMPARE(image[14] & 0xC0, 0x40);
    panel->RefreshPanel();
    QCOMPARE(List(ControlId::KeyerMode)->currentText(), QString("Iambic A"));

    image[1] = 0x20;
    image[14] = 0xC0;
    panel->RefreshPanel();
    QCOMPARE(List(ControlId::KeyerMode)->currentText(), QString("UltimDit"));
    Choose(List(ControlId::KeyerMode), 3); // the shown entry again still writes its bits
    QCOMPARE(image[14] & 0xC0, 0x80);
}

void TestPanel::listsWriteTheirBits()
{
    image[14] = 0xF5;
    Choose(List(ControlId::OutputConfig), 6); // "Port2, PTT"
    QCOMPARE(int(image[14]), 0xF9);
    Choose(List(ControlId::PaddleHang), 2); // "1.6 Word"
    QCOMPARE(int(image[14]), 0xE9);
    Choose(List(ControlId::Sidetone), 6); // "571"
    QCOMPARE(int(image[3]), 7);

    // Typing into an editable list changes nothing.
    List(ControlId::PaddleHang)->lineEdit()->setFocus();
    QTest::keyClicks(List(ControlId::PaddleHang)->lineEdit(), "2.0 Word");
    QTest::keyClick(List(ControlId::PaddleHang)->lineEdit(), Qt::Key_Return);
    QCOMPARE(int(image[14]), 0xE9);
    QCOMPARE(List(ControlId::PaddleHang)->count(), 4);
}

void TestPanel::typedListTextChangesNothing_data()
{
    QTest::addColumn<ControlId>("id");
    QTest::addColumn<QString>("typed");
    QTest::newRow("keyer mode, a prefix") << ControlId::KeyerMode << "v";
    QTest::newRow("keyer mode, a whole entry") << ControlId::KeyerMode << "Ultimatic";
    QTest::newRow("paddle hang, a prefix") << ControlId::PaddleHang << "2";
    QTest::newRow("paddle hang, a whole entry") << ControlId::PaddleHang << "1.6 Word";
}

void TestPanel::typedListTextChangesNothing()
{
    QFETCH(ControlId, id);
    QFETCH(QString, typed);
    image = RandomImage(4);
    panel->RefreshPanel();
    const EepromImage before = image;
    const QString shown = List(id)->currentText();
    QLineEdit* text = List(id)->lineEdit();
    text->setFocus();
    text->selectAll();
    QTest::keyClicks(text, typed);
    QTest::keyClick(text, Qt::Key_Return);
    QVERIFY(image == before);
    QCOMPARE(List(id)->currentText(), shown);
    // Choosing an entry with the keys is a choice, and does change the image.
    QTest::keyClick(text, List(id)->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
    QVERIFY(image != before);
}

void TestPanel::checkBoxFollowsImage()
{
    // Before any refresh the box shows no mark, whatever the image holds.
    QTest::mouseClick(Box(ControlId::PaddleDog), Qt::LeftButton);
    QCOMPARE(image[1] & 0x80, 0x80);
    QVERIFY(!Box(ControlId::PaddleDog)->isChecked());
    QTest::mouseClick(Box(ControlId::PaddleDog), Qt::LeftButton);
    QCOMPARE(image[1] & 0x80, 0);
    QVERIFY(Box(ControlId::PaddleDog)->isChecked());

    Box(ControlId::MsgBrk)->setFocus();
    QTest::keyClick(Box(ControlId::MsgBrk), Qt::Key_Space);
    QCOMPARE(image[15] & 0x04, 0x04);
    QVERIFY(Box(ControlId::MsgBrk)->isChecked());
}

void TestPanel::typingFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no-code characters dropped") << "C!Q#"
                                                << "CQ";
    QTest::newRow("lower case shows upper") << "cq de"
                                            << "CQ DE";
    QTest::newRow("question and at sign") << "?@"
                                          << "?@";
    QTest::newRow("dollar dropped") << "1$2"
                                    << "12";
    QTest::newRow("all twelve dropped") << "!#%&*^_`{}~"
                                        << "";
    QTest::newRow("eight-bit dropped") << QString::fromUtf8("DÉ") << "D";
}

void TestPanel::typingFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QWidget* field = panel->Control(ControlId::Message2);
    field->setFocus();
    QTest::keyClicks(field, typed);
    QCOMPARE(panel->Text(ControlId::Message2), shown);

    // Enter would put a line break into the message; editing keys still work.
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClicks(field, "K");
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(panel->Text(ControlId::Message2), shown.left(shown.size() - 1) + "K");
}

void TestPanel::typingStopsAtAreaSize()
{
    panel->SetText(ControlId::Message1, QString(200, 'E'));
    panel->SetText(ControlId::Message6, QString(31, 'T'));
    QWidget* field = panel->Control(ControlId::Message4);
    field->setFocus();
    QTest::keyClicks(field, "AB");
    QCOMPARE(panel->Text(ControlId::Message4), QString("A"));
    QCOMPARE(panel->MessageCharCount(), 232);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(panel->Text(ControlId::Message4), QString());
    QTest::keyClicks(field, "N");
    QCOMPARE(panel->Text(ControlId::Message4), QString("N"));
    panel->Tick();
    QCOMPARE(panel->Text(ControlId::BytesLeft), QString("Msg Bytes Left: 0"));
}

void TestPanel::messageRuleOnEveryRoute_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<int>("filled"); // characters in message 1 before
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // in message 3, which held "AB"
    const QString mixed = QStringLiteral("cq #test\r\nde \u00e9$!dl1abc");
    for (const char* route : {"paste", "drop", "input method", "accessibility"}) {
        QTest::addRow("%s", route) << route << 0 << mixed << "ABCQ TEST DE DL1ABC";
        QTest::addRow("%s, cut to the room left", route) << route << 221 << mixed << "ABCQ TEST D";
        // A drop goes where it is dropped, so it replaces no selection.
        if (route != std::string_view("drop"))
            QTest::addRow("%s, over a selection at capacity", route) << route << 230 << "xy"
                                                                     << "XY";
    }
    QTest::newRow("keys with Ctrl and Alt") << "altgr" << 0 << "\u00e9a#"
                                            << "ABA";
    QTest::newRow("undo brings back only what fits") << "undo" << 0 << ""
                                                     << "A";
}

void TestPanel::messageRuleOnEveryRoute()
{
    QFETCH(QString, route);
    QFETCH(int, filled);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    auto* field = qobject_cast<MessageField*>(panel->Control(ControlId::Message3));
    panel->SetText(ControlId::Message3, "AB");
    panel->SetText(ControlId::Message1, QString(filled, 'E'));
    field->setFocus();
    QTextCursor cursor = field->textCursor();
    cursor.movePosition(QTextCursor::End);
    if (text == "xy") // replace both characters of the full area
        cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    field->setTextCursor(cursor);

    if (route == "paste" || route == "drop" || route == "input method" || route == "accessibility") {
        AddThrough(route, field, text);
    } else if (route == "altgr") {
        for (QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::ControlModifier | Qt::AltModifier, QString(c));
            QApplication::sendEvent(field, &key);
        }
    } else if (route == "undo") {
        // Message 3 is emptied, the area filled from message 1; undoing the
        // emptying must not take the total past 232.
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        panel->SetText(ControlId::Message1, QString(231, 'E'));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier); // nothing more to bring back
    }
    QCoreApplication::processEvents();

    QCOMPARE(panel->Text(ControlId::Message3), shown);
    int total = 0;
    for (int n = 1; n <= 6; ++n) {
        const QString message = panel->Text(MessageFieldId(n));
        total += static_cast<int>(message.size());
        for (QChar c : message)
            QVERIFY2(FateOf(c.unicode()).fate == CharFate::Kept, qPrintable(message));
    }
    QVERIFY(total <= 232);
    panel->Tick();
    QCOMPARE(panel->Text(ControlId::BytesLeft), QStringLiteral("Msg Bytes Left: %1").arg(232 - total));
    SetValidNumbers();
    QCOMPARE(panel->ValidatePanel(), 1); // whatever the fields hold can be stored
}

void TestPanel::numberFieldTakesThreeDigits()
{
    auto* field = qobject_cast<QLineEdit*>(panel->Control(ControlId::Weight));
    field->setFocus();
    QTest::keyClicks(field, "12a345");
    QCOMPARE(field->text(), QString("123"));
    field->clear();
    QApplication::clipboard()->setText(QStringLiteral("70000"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field->text(), QString());
}

void TestPanel::validatePacksMessages()
{
    SetValidNumbers();
    panel->SetText(ControlId::Message1, "CQ");
    panel->SetText(ControlId::Message3, "K");
    QCOMPARE(panel->ValidatePanel(), 1);
    QCOMPARE(int(image[17]), 27);
    QCOMPARE(int(image[18]), 24);
    QCOMPARE(int(image[19]), 0x10);
    QCOMPARE(int(image[20]), 26);
    QCOMPARE(int(image[24]), 0x15);
    QCOMPARE(int(image[25]), 0x9B);
    QCOMPARE(int(image[26]), 0x8D);
}

void TestPanel::bytesLeftAndStatusCountdown()
{
    panel->Tick();
    QCOMPARE(panel->Text(ControlId::BytesLeft), QString("Msg Bytes Left: 232"));
    panel->ShowStatus("Done");
    for (int tick = 1; tick < EditorPanel::StatusTicks; ++tick) {
        panel->Tick();
        QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    }
    panel->Tick();
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString());
    QCOMPARE(panel->StatusCountdown(), 0);

    // The real timer runs every 250 ms.
    panel->SetText(ControlId::Message1, "CQ");
    QTRY_COMPARE_WITH_TIMEOUT(panel->Text(ControlId::BytesLeft), QString("Msg Bytes Left: 230"), 600);
}

namespace {
// What a screen reader is told: the name, and the names of the labels.
QString Heard(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    QStringList labels;
    for (const auto& [other, relation] : iface->relations(QAccessible::Label))
        labels << other->text(QAccessible::Name);
    return iface->text(QAccessible::Name) + " [" + labels.join(",") + "]";
}

} // namespace

void TestPanel::keyboardAndScreenReaders()
{
    image = RandomImage(11);
    image[3] = 7;
    panel->RefreshPanel();
    panel->SetText(ControlId::PotVal, "128");
    panel->ShowFileName("File Name: test.eep", "/tmp/test.eep");
    const std::pair<ControlId, const char*> heard[] = {
        {ControlId::Message1, "Message 1 [Message 1]"},
        {ControlId::Weight, "Weight [Weight]"},
        {ControlId::Comp, "Comp [Comp]"},
        {ControlId::PotMax, "MAX [MAX]"},
        {ControlId::Sidetone, "571 [Sidetone Hz]"},
        {ControlId::PotVal, "128 [PotVal]"},
        {ControlId::PbVal, "PbVal [PbVal]"},
        {ControlId::Test1, "Test message 1 []"},
        {ControlId::FileName, "File Name: test.eep []"},
    };
    for (const auto& [id, text] : heard)
        QCOMPARE(Heard(panel->Control(id)), QString::fromLatin1(text));
    QCOMPARE(Heard(List(ControlId::KeyerMode)->lineEdit()).section(' ', 0, 1), QString("Keyer Mode"));
    for (ControlId id :
         {ControlId::PotMax, ControlId::PotMin, ControlId::CmdWPM, ControlId::FirstExt, ControlId::Comp,
          ControlId::Sample, ControlId::PotVal, ControlId::PbVal, ControlId::LinkStatus, ControlId::OperationStatus})
        QVERIFY2(!panel->Control(id)->accessibleDescription().isEmpty(),
                 qPrintable(QString::number(static_cast<int>(id))));

    // Status changes are announced, a failure with its reason.
    Announcements announcements(panel.get());
    QVERIFY(announcements.notification);
    panel->ShowInterimStatus("Reading");
    panel->ShowStatus("Done");
    panel->ShowLinkStatus("MV Fail:comm open", "No such device: /dev/ttyUSB0.");
    // A list changed with the arrow keys says its new entry.
    List(ControlId::Sidetone)->setFocus();
    QTest::keyClick(List(ControlId::Sidetone), Qt::Key_Down);
    // Said as one, since a reader gets to the second text before the first;
    // the interim status that the outcome replaced is not said at all.
    QTRY_COMPARE(announcements.heard, QStringList({"Done. MV Fail:comm open. No such device: /dev/ttyUSB0. 500"}));
    // A reader's questions about a field's text get answers, also at the
    // end of the text (where Qt's own answer never came).
    panel->SetText(ControlId::PotMax, "35");
    List(ControlId::KeyerMode)->setCurrentIndex(2);
    for (QWidget* field :
         {panel->Control(ControlId::PotMax), static_cast<QWidget*>(List(ControlId::KeyerMode)->lineEdit())}) {
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(field)->textInterface();
        QVERIFY(text);
        const int end = text->characterCount();
        int start = -1, stop = -1;
        for (auto boundary : {QAccessible::WordBoundary, QAccessible::SentenceBoundary, QAccessible::LineBoundary}) {
            const QString whole = field == panel->Control(ControlId::PotMax) ? "35" : "Ultimatic";
            QCOMPARE(text->textAtOffset(end, boundary, &start, &stop), whole);
            QCOMPARE(text->textAtOffset(0, boundary, &start, &stop), whole);
            QCOMPARE(text->textBeforeOffset(end, boundary, &start, &stop), QString());
        }
        QCOMPARE(text->textAtOffset(1, QAccessible::CharBoundary, &start, &stop),
                 field == panel->Control(ControlId::PotMax) ? "5" : "l");
        text->attributes(1, &start, &stop);
        QCOMPARE(text->text(start, stop), text->text(0, end)); // one run: a reader hears it whole
    }
    // Any other line edit of the program too (the file chooser's name field).
    QLineEdit name;
    name.setText("abc.eep");
    int start = -1, stop = -1;
    QCOMPARE(QAccessible::queryAccessibleInterface(&name)->textInterface()->textAtOffset(7, QAccessible::WordBoundary,
                                                                                         &start, &stop),
             QString("abc.eep"));
    // What a reader types goes through the field's own check.
    panel->SetText(ControlId::Weight, "");
    QAccessible::queryAccessibleInterface(panel->Control(ControlId::Weight))
        ->editableTextInterface()
        ->insertText(0, "7x");
    QCOMPARE(panel->Text(ControlId::Weight), QString());
    QAccessible::queryAccessibleInterface(panel->Control(ControlId::Weight))
        ->editableTextInterface()
        ->insertText(0, "75");
    QCOMPARE(panel->Text(ControlId::Weight), QString("75"));

    // Tabbing into a number field selects nothing: a reader speaks it whole.
    panel->activateWindow();
    panel->Control(ControlId::PotMin)->setFocus();
    QTest::keyClick(panel->Control(ControlId::PotMin), Qt::Key_Tab);
    auto* cmdWpm = qobject_cast<QLineEdit*>(panel->Control(ControlId::CmdWPM));
    QCOMPARE(QApplication::focusWidget(), cmdWpm);
    QVERIFY(!cmdWpm->hasSelectedText());
    // Nor into an editable list: its entry is heard once, with no selection chatter.
    List(ControlId::KeyerMode)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), List(ControlId::PaddleHang));
    QVERIFY(!List(ControlId::PaddleHang)->lineEdit()->hasSelectedText());
    QCOMPARE(panel->Control(ControlId::LinkStatus)->toolTip(), QString("No such device: /dev/ttyUSB0."));

    // Tab reaches every field, list, box and button once, then comes back.
    panel->activateWindow();
    panel->Control(ControlId::Message1)->setFocus();
    QSet<QWidget*> reached;
    QWidget* current = panel->Control(ControlId::Message1);
    for (int step = 0; step < 60 && !reached.contains(current); ++step) {
        reached.insert(current);
        current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus || !current->isVisibleTo(panel.get()) || current->focusProxy())
            current = current->nextInFocusChain();
    }
    for (ControlId id : {ControlId::Message1, ControlId::Test1, ControlId::Message6, ControlId::Test6, ControlId::Swap,
                         ControlId::MsgBrk, ControlId::PotMax, ControlId::CmdWPM, ControlId::Ratio, ControlId::Farns,
                         ControlId::KeyerMode, ControlId::PaddleHang, ControlId::Sidetone, ControlId::OutputConfig,
                         ControlId::ReadMV, ControlId::WriteMV, ControlId::TestMV}) {
        QWidget* w = panel->Control(id);
        QComboBox* box = qobject_cast<QComboBox*>(w);
        QVERIFY2(reached.contains(w) || (box && box->lineEdit() && reached.contains(box->lineEdit())),
                 qPrintable(QString::number(static_cast<int>(id))));
    }
}

void TestPanel::layoutHoldsTogether()
{
    // With a keyer that holds something else, the marks show too.
    panel->RefreshPanel();
    panel->SetKeyerHolds(RandomImage(3));
    int marked = 0;
    for (const Setting& setting : AllSettings())
        marked += panel->IsMarked(setting.id) ? 1 : 0;
    QVERIFY2(marked >= 10, qPrintable(QString::number(marked)));
    // Every control of the panel where the panel shows it, group boxes aside.
    QList<QPair<QWidget*, QRect>> placed;
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        const bool top = w->parentWidget() == panel.get() || qobject_cast<QGroupBox*>(w->parentWidget());
        if (!top || qobject_cast<QGroupBox*>(w) || w->size().isEmpty() || w->isHidden())
            continue;
        QRect rect(w->mapTo(panel.get(), QPoint(0, 0)), w->size());
        // A text takes one line of its font, where its alignment puts it.
        if (auto* label = qobject_cast<QLabel*>(w)) {
            rect =
                QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                                    QSize(rect.width(), std::min(rect.height(), label->fontMetrics().height())), rect);
        }
        placed.append({w, rect});
    }
    QCOMPARE(placed.size(), qsizetype(61 + marked));
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const auto& [w, rect] = placed[i];
        QVERIFY2(panel->rect().contains(rect), qPrintable(w->objectName()));
        for (qsizetype j = i + 1; j < placed.size(); ++j) {
            QVERIFY2(!rect.intersects(placed[j].second), qPrintable(Heard(w) + " overlaps " + Heard(placed[j].first)));
        }
        // A label stands on the row of the control it names.
        if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
            const QRect field(label->buddy()->mapTo(panel.get(), QPoint(0, 0)), label->buddy()->size());
            QVERIFY2(rect.center().y() >= field.top() && rect.center().y() <= field.bottom(),
                     qPrintable(label->text()));
        }
    }
}

void TestPanel::settingsAndLayoutAgree()
{
    const auto rows = EditorPanelLayout.controls;
    const auto row = [&](ControlId id) {
        return std::find_if(rows.begin(), rows.end(), [id](const ControlSpec& c) { return c.id == id; });
    };
    const auto captionBeside = [&](const Setting& setting) -> QString {
        if (setting.Box())
            return QString::fromUtf8(row(setting.id)->text);
        if (setting.List()) {
            // The group box of its name holds it.
            const QString name = QString::fromUtf8(row(setting.id)->accessible);
            const bool grouped = std::any_of(rows.begin(), rows.end(), [&](const ControlSpec& c) {
                return c.kind == ControlKind::GroupBox && name == QString::fromUtf8(c.text);
            });
            return grouped ? name : QString();
        }
        const auto label = std::find_if(rows.begin(), rows.end(), [&](const ControlSpec& c) {
            return c.kind == ControlKind::Label && c.buddy == setting.id;
        });
        return label == rows.end() ? QString() : QString::fromUtf8(label->text);
    };
    const auto kindFits = [](const Setting& setting, ControlKind kind) {
        if (setting.Number())
            return kind == ControlKind::NumberField;
        if (setting.Box())
            return kind == ControlKind::CheckBox;
        if (setting.List())
            return kind == ControlKind::EditableDropDown || kind == ControlKind::DropDownList;
        return kind == ControlKind::MessageField;
    };

    QMap<int, int> steps;
    QSet<QString> names;
    QMap<int, int> settingsOfKind, controlsOfKind;
    for (const Setting& setting : AllSettings()) {
        const QString name = QString::fromLatin1(setting.name.data(), static_cast<qsizetype>(setting.name.size()));
        QVERIFY2(row(setting.id) != rows.end(), qPrintable(name));
        QVERIFY2(kindFits(setting, row(setting.id)->kind), qPrintable(name));
        QCOMPARE(captionBeside(setting), name);
        QVERIFY2(!names.contains(name.toLower()), qPrintable(name));
        names.insert(name.toLower());
        ++settingsOfKind[static_cast<int>(row(setting.id)->kind)];
        if (const NumberSetting* number = setting.Number()) {
            ++steps[number->range.step];
            if (number->above)
                ++steps[number->above->check.step];
        }
        // Clicking a box changes its own bit and no other.
        if (const CheckBoxSetting* check = setting.Box()) {
            const EepromImage before = image;
            Box(setting.id)->click();
            int bits = 0;
            for (std::size_t a = 0; a < 256; ++a)
                bits += std::popcount(static_cast<unsigned>(image[a] ^ before[a]));
            QCOMPARE(bits, 1);
            QCOMPARE(Box(setting.id)->isChecked(), IsChecked(image, check->box));
        }
    }
    for (const ControlSpec& c : rows) {
        if (c.kind == ControlKind::NumberField || c.kind == ControlKind::CheckBox ||
            c.kind == ControlKind::MessageField || c.kind == ControlKind::EditableDropDown ||
            c.kind == ControlKind::DropDownList)
            ++controlsOfKind[static_cast<int>(c.kind)];
    }
    QCOMPARE(settingsOfKind, controlsOfKind);
    QCOMPARE(steps.keys(), QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    for (int count : steps)
        QCOMPARE(count, 1);
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
