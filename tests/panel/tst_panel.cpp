#include "image/MessageCodec.h"
#include "panel/EditorPanel.h"
#include "panel/MessageField.h"
#include "support/RecordingPrompts.h"

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
const std::pair<int, const char*> ValidNumbers[] = {
    {1021, "50"}, {1031, "10"}, {1032, "20"}, {1036, "5"},  {1035, "0"},  {1033, "0"},
    {1045, "50"}, {108, "20"},  {1034, "48"}, {1014, "35"}, {1015, "12"},
};

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

  private slots:
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

  private:
    QComboBox* List(int id) const { return qobject_cast<QComboBox*>(panel->Control(id)); }
    QCheckBox* Box(int id) const { return qobject_cast<QCheckBox*>(panel->Control(id)); }
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
    QCOMPARE(List(1040)->currentIndex(), -1);
    QCOMPARE(List(1044)->currentIndex(), -1);
    QVERIFY(!Box(1019)->isChecked());
    QCOMPARE(panel->Text(1021), QString());
    QCOMPARE(panel->Text(Ctl::BytesLeft), QString("Msg Bytes Left:"));

    panel->RefreshPanel();
    for (int id : {1021, 1031, 1032, 1036, 1035, 1033, 1045, 1034, 108, 1014, 1015})
        QCOMPARE(panel->Text(id), QString("0"));
    QCOMPARE(List(1040)->currentText(), QString("Iambic B"));
    QCOMPARE(List(1141)->currentText(), QString("1.0 Word"));
    QCOMPARE(List(1044)->currentIndex(), -1);
    QCOMPARE(List(1046)->currentIndex(), -1);
    QVERIFY(Box(1019)->isChecked());
    for (int id : {1016, 1017, 1018, 112, 107})
        QVERIFY(!Box(id)->isChecked());
    for (int id = 1000; id <= 1005; ++id)
        QCOMPARE(panel->Text(id), QString());
}

void TestPanel::refreshShowsEveryField()
{
    const std::uint8_t bytes[] = {0, 0x2B, 0, 3, 50, 11, 12, 20, 15, 13, 14, 16, 17, 40, 0x5A, 0x08, 30};
    std::copy(std::begin(bytes), std::end(bytes), image.bytes.begin());
    QVERIFY(PackMessages(image, {"CQ", "", "K", "", "", ""}));
    panel->RefreshPanel();
    const std::pair<int, const char*> expected[] = {
        {1021, "50"}, {1031, "11"}, {1032, "12"},       {1036, "13"},       {1035, "14"},   {1033, "16"},
        {1045, "17"}, {1034, "40"}, {108, "30"},        {1014, "35"},       {1015, "20"},   {1000, "CQ"},
        {1001, ""},   {1002, "K"},  {1040, "UltimDah"}, {1141, "1.3 Word"}, {1044, "1333"}, {1046, "Port2, ST"},
    };
    for (const auto& [id, text] : expected)
        QCOMPARE(panel->Text(id), QString::fromLatin1(text));
    QVERIFY(Box(1016)->isChecked()); // Swap, bit 3
    QVERIFY(Box(1017)->isChecked()); // AutoSpace, bit 1
    QVERIFY(Box(1018)->isChecked()); // CTspace, bit 0
    QVERIFY(Box(1019)->isChecked()); // PaddleDog, bit 7 clear
    QVERIFY(Box(112)->isChecked());  // Cut 0/9
    QVERIFY(!Box(107)->isChecked()); // MsgBrk

    // A full area moved from one message to another shows whole.
    QVERIFY(PackMessages(image, {"", std::string(232, 'E'), "", "", "", ""}));
    panel->RefreshPanel();
    QVERIFY(PackMessages(image, {std::string(232, 'T'), "", "", "", "", ""}));
    panel->RefreshPanel();
    QCOMPARE(panel->Text(1000), QString(232, 'T'));
    QCOMPARE(panel->Text(1001), QString());
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
        QCOMPARE(List(1046)->currentIndex(), -1);
        QCOMPARE(image[14], static_cast<std::uint8_t>(0x10 | nibble));
    }
}

void TestPanel::numberRules_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("refusal"); // empty: accepted
    const QString weight = "Weight must be between 10 and 90";
    const QString farns = "Farns must be 0 or between 10 and 90";
    QTest::newRow("Weight 9") << 1021 << "9" << weight;
    QTest::newRow("Weight 10") << 1021 << "10"
                               << "";
    QTest::newRow("Weight 90") << 1021 << "90"
                               << "";
    QTest::newRow("Weight 91") << 1021 << "91" << weight;
    QTest::newRow("Weight empty") << 1021 << "" << weight;
    QTest::newRow("LeadIn 250") << 1031 << "250"
                                << "";
    QTest::newRow("LeadIn 251") << 1031 << "251"
                                << "Lead In must be 250 or less.";
    QTest::newRow("Tail 251") << 1032 << "251"
                              << "Tail must be 250 or less.";
    QTest::newRow("1stExt 251") << 1036 << "251"
                                << "Extend must be 250 or less.";
    QTest::newRow("Comp 999") << 1035 << "999"
                              << "Key Comp must be 250 or less.";
    QTest::newRow("Comp empty") << 1035 << ""
                                << "";
    QTest::newRow("Farns 0") << 1033 << "0"
                             << "";
    QTest::newRow("Farns 5") << 1033 << "5" << farns;
    QTest::newRow("Farns 10") << 1033 << "10"
                              << "";
    QTest::newRow("Farns 90") << 1033 << "90"
                              << "";
    QTest::newRow("Farns 91") << 1033 << "91" << farns;
    QTest::newRow("Farns 99") << 1033 << "99" << farns;
    QTest::newRow("Sample 9") << 1045 << "9"
                              << "Ksamp must be between 10 and 90";
    QTest::newRow("CmdWPM 4") << 108 << "4"
                              << "CMDWPM must be between 5 and 99";
    QTest::newRow("CmdWPM 99") << 108 << "99"
                               << "";
    QTest::newRow("Ratio 32") << 1034 << "32"
                              << "Ratio must be between 33 and 66";
    QTest::newRow("Ratio 66") << 1034 << "66"
                              << "";
    QTest::newRow("Ratio 67") << 1034 << "67"
                              << "Ratio must be between 33 and 66";
}

void TestPanel::numberRules()
{
    QFETCH(int, id);
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
    panel->SetText(1034, "70"); // Ratio, step 9
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
    panel->SetText(1031, "251");
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
    panel->SetText(1014, max);
    panel->SetText(1015, min);
    QCOMPARE(panel->ValidatePanel(), refusal.isEmpty() ? 1 : 0);
    if (!refusal.isEmpty()) {
        QCOMPARE(QString::fromStdString(prompts.LastText()), refusal);
        QCOMPARE(int(image[7]), 77);
        QCOMPARE(int(image[8]), 88);
        return;
    }
    QCOMPARE(int(image[7]), 10);
    QCOMPARE(int(image[8]), 20);
    panel->SetText(1014, "");
    panel->RefreshPanel();
    QCOMPARE(panel->Text(1014), QString("30"));
    QCOMPARE(panel->Text(1015), QString("10"));
}

void TestPanel::keyerModeThroughTheList()
{
    Choose(List(1040), 4); // UltimDah
    QCOMPARE(image[1] & 0x30, 0x20);
    QCOMPARE(image[14] & 0xC0, 0x40);
    Choose(List(1040), 0); // Iambic A keeps the variant bits
    QCOMPARE(image[1] & 0x30, 0x10);
    QCOMPARE(image[14] & 0xC0, 0x40);
    panel->RefreshPanel();
    QCOMPARE(List(1040)->currentText(), QString("Iambic A"));

    image[1] = 0x20;
    image[14] = 0xC0;
    panel->RefreshPanel();
    QCOMPARE(List(1040)->currentText(), QString("UltimDit"));
    Choose(List(1040), 3); // the shown entry again still writes its bits
    QCOMPARE(image[14] & 0xC0, 0x80);
}

void TestPanel::listsWriteTheirBits()
{
    image[14] = 0xF5;
    Choose(List(1046), 6); // "Port2, PTT"
    QCOMPARE(int(image[14]), 0xF9);
    Choose(List(1141), 2); // "1.6 Word"
    QCOMPARE(int(image[14]), 0xE9);
    Choose(List(1044), 6); // "571"
    QCOMPARE(int(image[3]), 7);

    // Typing into an editable list changes nothing.
    List(1141)->lineEdit()->setFocus();
    QTest::keyClicks(List(1141)->lineEdit(), "2.0 Word");
    QTest::keyClick(List(1141)->lineEdit(), Qt::Key_Return);
    QCOMPARE(int(image[14]), 0xE9);
    QCOMPARE(List(1141)->count(), 4);
}

void TestPanel::typedListTextChangesNothing_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::newRow("keyer mode, a prefix") << 1040 << "v";
    QTest::newRow("keyer mode, a whole entry") << 1040 << "Ultimatic";
    QTest::newRow("paddle hang, a prefix") << 1141 << "2";
    QTest::newRow("paddle hang, a whole entry") << 1141 << "1.6 Word";
}

void TestPanel::typedListTextChangesNothing()
{
    QFETCH(int, id);
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
    QTest::mouseClick(Box(1019), Qt::LeftButton);
    QCOMPARE(image[1] & 0x80, 0x80);
    QVERIFY(!Box(1019)->isChecked());
    QTest::mouseClick(Box(1019), Qt::LeftButton);
    QCOMPARE(image[1] & 0x80, 0);
    QVERIFY(Box(1019)->isChecked());

    Box(107)->setFocus();
    QTest::keyClick(Box(107), Qt::Key_Space);
    QCOMPARE(image[15] & 0x04, 0x04);
    QVERIFY(Box(107)->isChecked());
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
    QWidget* field = panel->Control(1001);
    field->setFocus();
    QTest::keyClicks(field, typed);
    QCOMPARE(panel->Text(1001), shown);

    // Enter would put a line break into the message; editing keys still work.
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClicks(field, "K");
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(panel->Text(1001), shown.left(shown.size() - 1) + "K");
}

void TestPanel::typingStopsAtAreaSize()
{
    panel->SetText(1000, QString(200, 'E'));
    panel->SetText(1005, QString(31, 'T'));
    QWidget* field = panel->Control(1003);
    field->setFocus();
    QTest::keyClicks(field, "AB");
    QCOMPARE(panel->Text(1003), QString("A"));
    QCOMPARE(panel->MessageCharCount(), 232);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(panel->Text(1003), QString());
    QTest::keyClicks(field, "N");
    QCOMPARE(panel->Text(1003), QString("N"));
    panel->Tick();
    QCOMPARE(panel->Text(Ctl::BytesLeft), QString("Msg Bytes Left: 0"));
}

void TestPanel::messageRuleOnEveryRoute_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<int>("filled"); // characters in message 1 before
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // in message 3, which held "AB"
    const QString mixed = QStringLiteral("cq #test\r\nde \u00e9$!dl1abc");
    for (const char* route : {"paste", "drop", "input method", "accessibility"}) {
        QTest::addRow("%s", route) << route << 0 << mixed << "ABCQ TEST DE !DL1ABC";
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
    auto* field = qobject_cast<MessageField*>(panel->Control(1002));
    panel->SetText(1002, "AB");
    panel->SetText(1000, QString(filled, 'E'));
    field->setFocus();
    QTextCursor cursor = field->textCursor();
    cursor.movePosition(QTextCursor::End);
    if (text == "xy") // replace both characters of the full area
        cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    field->setTextCursor(cursor);

    QMimeData mime;
    mime.setText(text);
    if (route == "paste") {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    } else if (route == "drop") {
        const QPoint at = field->viewport()->rect().bottomRight() - QPoint(2, 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field->viewport(), &drop);
    } else if (route == "input method") {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(field, &event);
    } else if (route == "accessibility") {
        auto* editable = QAccessible::queryAccessibleInterface(field)->editableTextInterface();
        QVERIFY(editable);
        if (text == "xy")
            editable->replaceText(0, 2, text);
        else
            editable->insertText(2, text);
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
        panel->SetText(1000, QString(231, 'E'));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier); // nothing more to bring back
    }
    QCoreApplication::processEvents();

    QCOMPARE(panel->Text(1002), shown);
    int total = 0;
    for (int id = 1000; id <= 1005; ++id) {
        const QString message = panel->Text(id);
        total += static_cast<int>(message.size());
        for (QChar c : message)
            QVERIFY2(IsStorableChar(c) && !c.isLower(), qPrintable(message));
    }
    QVERIFY(total <= 232);
    panel->Tick();
    QCOMPARE(panel->Text(Ctl::BytesLeft), QStringLiteral("Msg Bytes Left: %1").arg(232 - total));
    SetValidNumbers();
    QCOMPARE(panel->ValidatePanel(), 1); // whatever the fields hold can be stored
}

void TestPanel::numberFieldTakesThreeDigits()
{
    auto* field = qobject_cast<QLineEdit*>(panel->Control(1021));
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
    panel->SetText(1000, "CQ");
    panel->SetText(1002, "K");
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
    QCOMPARE(panel->Text(Ctl::BytesLeft), QString("Msg Bytes Left: 232"));
    panel->ShowStatus("Done");
    for (int tick = 1; tick < EditorPanel::StatusTicks; ++tick) {
        panel->Tick();
        QCOMPARE(panel->Text(Ctl::OperationStatus), QString("Done"));
    }
    panel->Tick();
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString());
    QCOMPARE(panel->StatusCountdown(), 0);

    // The real timer runs every 250 ms.
    panel->SetText(1000, "CQ");
    QTRY_COMPARE_WITH_TIMEOUT(panel->Text(Ctl::BytesLeft), QString("Msg Bytes Left: 230"), 600);
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

// Notes what a notification says each time it appears: what a screen
// reader speaks. (The offscreen platform has no accessibility bus to watch.)
class Announcements : public QObject {
  public:
    explicit Announcements(QWidget* panel)
    {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(panel);
        for (int i = 0; i < iface->childCount(); ++i) {
            if (iface->child(i)->role() == QAccessible::Notification)
                notification = iface->child(i);
        }
        if (notification)
            notification->object()->installEventFilter(this);
    }
    QAccessibleInterface* notification = nullptr;
    QStringList heard;

  protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            heard << notification->text(QAccessible::Name);
        return false;
    }
};
} // namespace

void TestPanel::keyboardAndScreenReaders()
{
    image = RandomImage(11);
    image[3] = 7;
    panel->RefreshPanel();
    panel->SetText(Ctl::PotVal, "128");
    panel->ShowFileName("File Name: test.eep", "/tmp/test.eep");
    const std::pair<int, const char*> heard[] = {
        {1000, "Message 1 [Message 1]"}, {1021, "Weight [Weight]"}, {1035, "Comp [Comp]"},  {1014, "MAX [MAX]"},
        {1044, "571 [Sidetone Hz]"},     {103, "128 [PotVal]"},     {104, "PbVal [PbVal]"}, {1006, "Test message 1 []"},
        {113, "File Name: test.eep []"},
    };
    for (const auto& [id, text] : heard)
        QCOMPARE(Heard(panel->Control(id)), QString::fromLatin1(text));
    QCOMPARE(Heard(List(1040)->lineEdit()).section(' ', 0, 1), QString("Keyer Mode"));
    for (int id : {1014, 1015, 108, 1036, 1035, 1045, 103, 104, Ctl::LinkStatus, Ctl::OperationStatus})
        QVERIFY2(!panel->Control(id)->accessibleDescription().isEmpty(), qPrintable(QString::number(id)));

    // Status changes are announced, a failure with its reason.
    Announcements announcements(panel.get());
    QVERIFY(announcements.notification);
    panel->ShowInterimStatus("Reading");
    panel->ShowStatus("Done");
    panel->ShowLinkStatus("MV Fail:comm open", "No such device: /dev/ttyUSB0.");
    // A list changed with the arrow keys says its new entry.
    List(1044)->setFocus();
    QTest::keyClick(List(1044), Qt::Key_Down);
    QCOMPARE(announcements.heard,
             QStringList({"Reading", "Done", "MV Fail:comm open. No such device: /dev/ttyUSB0.", "500"}));
    // A reader's questions about a field's text get answers, also at the
    // end of the text (where Qt's own answer never came).
    panel->SetText(1014, "35");
    List(1040)->setCurrentIndex(2);
    for (QWidget* field : {panel->Control(1014), static_cast<QWidget*>(List(1040)->lineEdit())}) {
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(field)->textInterface();
        QVERIFY(text);
        const int end = text->characterCount();
        int start = -1, stop = -1;
        for (auto boundary : {QAccessible::WordBoundary, QAccessible::SentenceBoundary, QAccessible::LineBoundary}) {
            const QString whole = field == panel->Control(1014) ? "35" : "Ultimatic";
            QCOMPARE(text->textAtOffset(end, boundary, &start, &stop), whole);
            QCOMPARE(text->textAtOffset(0, boundary, &start, &stop), whole);
            QCOMPARE(text->textBeforeOffset(end, boundary, &start, &stop), QString());
        }
        QCOMPARE(text->textAtOffset(1, QAccessible::CharBoundary, &start, &stop),
                 field == panel->Control(1014) ? "5" : "l");
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
    panel->SetText(1021, "");
    QAccessible::queryAccessibleInterface(panel->Control(1021))->editableTextInterface()->insertText(0, "7x");
    QCOMPARE(panel->Text(1021), QString());
    QAccessible::queryAccessibleInterface(panel->Control(1021))->editableTextInterface()->insertText(0, "75");
    QCOMPARE(panel->Text(1021), QString("75"));

    // Tabbing into a number field selects nothing: a reader speaks it whole.
    panel->activateWindow();
    panel->Control(1015)->setFocus();
    QTest::keyClick(panel->Control(1015), Qt::Key_Tab);
    auto* cmdWpm = qobject_cast<QLineEdit*>(panel->Control(108));
    QCOMPARE(QApplication::focusWidget(), cmdWpm);
    QVERIFY(!cmdWpm->hasSelectedText());
    QCOMPARE(panel->Control(Ctl::LinkStatus)->toolTip(), QString("No such device: /dev/ttyUSB0."));

    // Tab reaches every field, list, box and button once, then comes back.
    panel->activateWindow();
    panel->Control(1000)->setFocus();
    QSet<QWidget*> reached;
    QWidget* current = panel->Control(1000);
    for (int step = 0; step < 60 && !reached.contains(current); ++step) {
        reached.insert(current);
        current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus || !current->isVisibleTo(panel.get()) || current->focusProxy())
            current = current->nextInFocusChain();
    }
    for (int id : {1000, 1006, 1005, 1011, 1016, 107, 1014, 108, 1034, 1033, 1040, 1141, 1044, 1046, 102, 328, 115}) {
        QWidget* w = panel->Control(id);
        QComboBox* box = qobject_cast<QComboBox*>(w);
        QVERIFY2(reached.contains(w) || (box && box->lineEdit() && reached.contains(box->lineEdit())),
                 qPrintable(QString::number(id)));
    }
}

void TestPanel::layoutHoldsTogether()
{
    // Every control of the panel where the panel shows it, group boxes aside.
    QList<QPair<QWidget*, QRect>> placed;
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        const bool top = w->parentWidget() == panel.get() || qobject_cast<QGroupBox*>(w->parentWidget());
        if (!top || qobject_cast<QGroupBox*>(w) || w->size().isEmpty())
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
    QCOMPARE(placed.size(), qsizetype(61));
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

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
