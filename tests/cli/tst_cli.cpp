#include "cli/Cli.h"
#include "files/Backups.h"
#include "files/EepromFile.h"
#include "image/MessageCodec.h"
#include "image/Settings.h"
#include "keyer/qt/QtAdapters.h"
#include "keyer/qt/QtSerialChannel.h"
#include "keyer/qt/QtWaiter.h"
#include "qt/EditorPanel.h"
#include "qt/KeyerButtons.h"
#include "qt/MessageField.h"
#include "support/FakeKeyer.h"
#include "support/RecordingPrompts.h"
#include "support/Routes.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <Version.h>
#include <sstream>
#include <unistd.h>

namespace {

constexpr int Port = 4;

// A file whose every field passes the panel's checks.
EepromImage ValidImage()
{
    EepromImage image;
    const std::uint8_t settings[] = {7, 0x23, 9, 7, 50, 10, 20, 12, 23, 5, 0, 15, 50, 48, 0x25, 0x0C, 20};
    std::copy(std::begin(settings), std::end(settings), image.bytes.begin());
    PackMessages(image, {"CQ TEST", "", "", "", "", ""});
    return image;
}

struct Ran {
    int code;
    QString out, err;
    std::string outBytes;
};

// Printed JSON, read back; it must be written byte for byte as Qt writes
// the same document.
QJsonDocument ReadJson(const QString& printed)
{
    const QJsonDocument document = QJsonDocument::fromJson(printed.toUtf8());
    QTest::qVerify(document.toJson(QJsonDocument::Indented) == printed.toUtf8(), "written as Qt writes it",
                   qPrintable(printed), __FILE__, __LINE__);
    return document;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { InstallPanelAccessibility(); }
    void init();
    void setRefusesWhatThePanelRefuses_data();
    void setRefusesWhatThePanelRefuses();
    void everyNumberTakesExactlyItsRange_data();
    void everyNumberTakesExactlyItsRange();
    void everyJsonKeyAScriptReads_data();
    void everyJsonKeyAScriptReads();
    void showSetDiffRoundTrip();
    void keyerOperations_data();
    void keyerOperations();
    void theProgramNeedsNoDisplay();
    void oneCharacterRuleOnEveryRoute_data();
    void oneCharacterRuleOnEveryRoute();
    void longImageIsShownWholeAndRefused();
    void setTakesOnlyWhatTheFieldWould_data();
    void setTakesOnlyWhatTheFieldWould();
    void usageErrors_data();
    void usageErrors();
    void nothingIsLostOnTheWay();
    void fileSizeLimitIsAClearFailure();

  private:
    Ran Run(const QStringList& args)
    {
        std::vector<std::string> given;
        for (const QString& arg : args)
            given.push_back(arg.toStdString());
        std::ostringstream out, err;
        const int code = RunCli(given, paths, platform, out, err);
        return {code, QString::fromStdString(out.str()), QString::fromStdString(err.str()), out.str()};
    }
    QString File(const char* name) const { return dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir;
    CliPaths paths;
    EventLoopWaiter waiter;
    // What main() gives it on Linux.
    const CliPlatform platform{[](const std::string& folder) { return std::make_unique<QtSerialChannel>(folder); },
                               SystemAdapters, waiter};
    QString valid;
};

void TestCli::init()
{
    dir = std::make_unique<QTemporaryDir>();
    paths = {dir->path().toStdString(), File("mv2mgr.cfg").toStdString(), File("backups").toStdString()};
    valid = File("valid.eep");
    QCOMPARE(StoreEepromFile(valid.toStdString(), ValidImage()), std::string());
}

void TestCli::setRefusesWhatThePanelRefuses_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QString>("refusal"); // empty: saved
    QTest::newRow("weight too low") << QStringList{"Weight=9"} << "Weight must be between 10 and 90";
    QTest::newRow("lead in") << QStringList{"LeadIn=251", "Ratio=70"} << "Lead In must be 250 or less.";
    QTest::newRow("farns") << QStringList{"Farns=5"} << "Farns must be 0 or between 10 and 90";
    QTest::newRow("ratio, after earlier fields")
        << QStringList{"Weight=60", "Ratio=70"} << "Ratio must be between 33 and 66";
    QTest::newRow("max equals min") << QStringList{"MAX=50", "MIN=50"} << "Pot Max must be greater than Pot Min";
    QTest::newRow("max too high") << QStringList{"MAX=100", "MIN=5"} << "Pot Max must be between 5 and 99";
    QTest::newRow("min too low") << QStringList{"MAX=10", "MIN=4"} << "Pot Min must be between 5 and 99";
    QTest::newRow("every kind accepted") << QStringList{"Keyer Mode=UltimDah",
                                                        "swap=on",
                                                        "PaddleDog=off",
                                                        "Sidetone Hz=571",
                                                        "Weight=60",
                                                        "MAX=30",
                                                        "MIN=10",
                                                        "Message 2=cq test de dl1abc",
                                                        "Output Config=Port2, PTT"}
                                         << "";
    // Whatever the order of the assignments: the six are judged together.
    QTest::newRow("messages too long together")
        << QStringList{"Message 3=" + QString(200, 'E'), "Message 4=" + QString(40, 'T')}
        << "The messages hold 247 characters; the keyer has room for 232. Shorten them by 15.";
}

void TestCli::setRefusesWhatThePanelRefuses()
{
    QFETCH(QStringList, assignments);
    QFETCH(QString, refusal);

    // The panel, as a person would use it after File > Open.
    EepromImage image = ValidImage();
    RecordingPrompts prompts;
    EditorPanel panel(image, prompts);
    panel.RefreshPanel();
    for (const QString& assignment : assignments) {
        const Setting* setting = FindSetting(assignment.section('=', 0, 0).toStdString());
        QVERIFY(setting);
        const QString value = assignment.section('=', 1);
        QWidget* control = panel.Control(setting->id);
        if (auto* box = qobject_cast<QCheckBox*>(control)) {
            if (box->isChecked() != (value == "on"))
                box->click();
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            list->setCurrentIndex(list->findText(value));
            emit list->activated(list->currentIndex());
        } else {
            panel.SetText(setting->id, value);
            QCoreApplication::processEvents();
        }
    }
    const bool passed = panel.ValidatePanel() == 1;
    QCOMPARE(passed, refusal.isEmpty());
    if (!passed)
        QCOMPARE(QString::fromStdString(prompts.LastText()), refusal);

    // The command line, from the same table of cases.
    const QString out = File("out.eep");
    const Ran ran = Run(QStringList{"set", valid} + assignments + QStringList{"-o", out});
    QCOMPARE(ran.code, passed ? 0 : 2);
    QCOMPARE(ran.err.trimmed(), refusal);
    EepromImage saved;
    QCOMPARE(LoadEepromFile(out.toStdString(), saved).empty(), passed); // nothing written on a refusal
    if (passed)
        QVERIFY(saved == image);
}

void TestCli::everyNumberTakesExactlyItsRange_data()
{
    // The ends written out, not read from the table they test.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("with"); // what the pair checks need
    QTest::addColumn<QList<int>>("taken");
    QTest::addColumn<QList<int>>("refused");
    QTest::addColumn<QString>("refusal");
    using L = QList<int>;
    QTest::newRow("Weight") << "Weight" << QStringList{} << L{10, 90} << L{9, 91} << "Weight must be between 10 and 90";
    QTest::newRow("Sample") << "Sample" << QStringList{} << L{10, 90} << L{9, 91} << "Ksamp must be between 10 and 90";
    QTest::newRow("CmdWPM") << "CmdWPM" << QStringList{} << L{5, 99} << L{4, 100} << "CMDWPM must be between 5 and 99";
    QTest::newRow("Ratio") << "Ratio" << QStringList{} << L{33, 66} << L{32, 67} << "Ratio must be between 33 and 66";
    QTest::newRow("Farns") << "Farns" << QStringList{} << L{0, 10, 90} << L{9, 91}
                           << "Farns must be 0 or between 10 and 90";
    QTest::newRow("LeadIn") << "LeadIn" << QStringList{} << L{0, 250} << L{251} << "Lead In must be 250 or less.";
    QTest::newRow("Tail") << "Tail" << QStringList{} << L{0, 250} << L{251} << "Tail must be 250 or less.";
    QTest::newRow("Comp") << "Comp" << QStringList{} << L{0, 250} << L{251} << "Key Comp must be 250 or less.";
    QTest::newRow("1stExt") << "1stExt" << QStringList{} << L{0, 250} << L{251} << "Extend must be 250 or less.";
    QTest::newRow("MAX") << "MAX" << QStringList{"MIN=5"} << L{6, 99} << L{100} << "Pot Max must be between 5 and 99";
    QTest::newRow("MIN") << "MIN" << QStringList{"MAX=99"} << L{5, 98} << L{4} << "Pot Min must be between 5 and 99";
}

void TestCli::everyNumberTakesExactlyItsRange()
{
    QFETCH(QString, name);
    QFETCH(QStringList, with);
    QFETCH(QList<int>, taken);
    QFETCH(QList<int>, refused);
    QFETCH(QString, refusal);
    const auto set = [&](int value) {
        return Run(QStringList{"set", valid, name + "=" + QString::number(value), "-o", File("out.eep")} + with);
    };
    for (const int value : taken)
        QVERIFY2(set(value).code == 0, qPrintable(QString::number(value) + ": " + set(value).err));
    for (const int value : refused) {
        const Ran ran = set(value);
        QCOMPARE(ran.code, 2);
        QVERIFY2(ran.err.startsWith(refusal), qPrintable(QString::number(value) + ": " + ran.err));
    }
}

void TestCli::everyJsonKeyAScriptReads_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("keys"); // of the object, or of each element of the array
    QStringList every;
    for (const Setting& setting : AllSettings())
        every << QString::fromLatin1(setting.name.data(), static_cast<qsizetype>(setting.name.size()));
    every << "Msg Bytes Left";
    every.sort();
    QTest::newRow("show") << QStringList{"show", "VALID"} << every;
    QTest::newRow("diff: one change") << QStringList{"diff", "VALID", "CHANGED"} << QStringList{"Weight"};
    QTest::newRow("diff: its two sides") << QStringList{"diff", "VALID", "CHANGED", "Weight"}
                                         << QStringList{"new", "old"};
    QTest::newRow("ports") << QStringList{"ports"}
                           << QStringList{"adapter", "device", "name", "port", "present", "selected"};
}

void TestCli::everyJsonKeyAScriptReads()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, keys);
    QVERIFY(Run({"set", valid, "Weight=51", "-o", File("changed.eep")}).code == 0);
    args.replaceInStrings("VALID", valid).replaceInStrings("CHANGED", File("changed.eep"));
    const QString inner = args.size() == 4 ? args.takeLast() : QString();
    const QJsonDocument json = QJsonDocument::fromJson(Run(args + QStringList{"--json"}).out.toUtf8());
    QJsonObject object = json.isArray() ? json.array().first().toObject() : json.object();
    if (!inner.isEmpty())
        object = object[inner].toObject();
    QCOMPARE(object.keys(), keys);
    if (json.isArray()) {
        QCOMPARE(json.array().size(), 12);
        for (const QJsonValue& element : json.array())
            QCOMPARE(element.toObject().keys(), keys);
    }
}

void TestCli::showSetDiffRoundTrip()
{
    const QString changed = File("changed.eep");
    QCOMPARE(Run({"set", valid, "Message 1=cq de dl1abc", "Keyer Mode=VibroBug", "Swap=on", "-o", changed}).code, 0);
    const Ran shown = Run({"show", changed, "--json"});
    QCOMPARE(shown.code, 0);
    const QJsonObject json = ReadJson(shown.out).object();
    QCOMPARE(json.size(), int(AllSettings().size()) + 1);
    QCOMPARE(json["Weight"], QJsonValue(50));
    QCOMPARE(json["MAX"], QJsonValue(35));
    QCOMPARE(json["Swap"], QJsonValue(true));
    QCOMPARE(json["Keyer Mode"], QJsonValue("VibroBug"));
    QCOMPARE(json["Message 1"], QJsonValue("CQ DE DL1ABC"));
    QCOMPARE(json["Message 2"], QJsonValue(""));
    QCOMPARE(json["Msg Bytes Left"], QJsonValue(220));
    // A list with no entry for the image's value is null.
    EepromImage odd = ValidImage();
    odd[3] = 0;
    QCOMPARE(StoreEepromFile(File("odd.eep").toStdString(), odd), std::string());
    QCOMPARE(ReadJson(Run({"show", File("odd.eep"), "--json"}).out)["Sidetone Hz"], QJsonValue(QJsonValue::Null));

    const Ran same = Run({"diff", valid, valid});
    QCOMPARE(same.code, 0);
    QCOMPARE(same.out, QString());
    QCOMPARE(ReadJson(Run({"diff", valid, valid, "--json"}).out).object().size(), 0);
    const Ran differ = Run({"diff", valid, changed});
    QCOMPARE(differ.code, 1);
    QCOMPARE(differ.out, QString("Swap: off -> on\nKeyer Mode: Ultimatic -> VibroBug\n"
                                 "Message 1: \"CQ TEST\" -> \"CQ DE DL1ABC\"\n"));
    const QJsonObject changes = ReadJson(Run({"diff", valid, changed, "--json"}).out).object();
    QCOMPARE(changes.keys(), QStringList({"Keyer Mode", "Message 1", "Swap"}));
    QCOMPARE(changes["Swap"].toObject()["old"], QJsonValue(false));

    QCOMPARE(Run({"set", valid, "Colour=red"}).code, 2);
    QCOMPARE(Run({"set", valid, "Keyer Mode=Iambic C"}).err.trimmed(),
             QString("Keyer Mode has no entry \"Iambic C\"; its entries are \"Iambic A\", \"Iambic B\", "
                     "\"Ultimatic\", \"UltimDit\", \"UltimDah\", \"VibroBug\"."));
    QCOMPARE(Run({"show", File("missing.eep")}).code, 2);
}

void TestCli::keyerOperations_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("said"); // in this order on standard error
    using F = FakeKeyer::Fault;
    QTest::newRow("test") << QStringList{"test"} << int(F::None) << 0
                          << QStringList{"MV Open, F/W revision 23", "PotVal 128", "MV OK"};
    QTest::newRow("test, silent keyer") << QStringList{"test"} << int(F::Silent) << 1
                                        << QStringList{"MV Fail:no echo", "nothing answered", "MV NG"};
    QTest::newRow("read") << QStringList{"read", "OUT"} << int(F::None) << 0 << QStringList{"Reading", "Done"};
    QTest::newRow("read, short") << QStringList{"read", "OUT"} << int(F::ShortEeprom) << 1
                                 << QStringList{"Reading", "Read failed: 100 of 256 bytes arrived within 2.5 s."};
    QTest::newRow("read, silent keyer") << QStringList{"read", "OUT"} << int(F::Silent) << 1
                                        << QStringList{"MV Fail:no echo", "MV not connected"};
    QTest::newRow("write") << QStringList{"write", "VALID"} << int(F::None) << 0 << QStringList{"Writing", "Done"};
    QTest::newRow("write, refused") << QStringList{"write", "BAD"} << int(F::None) << 2
                                    << QStringList{"Weight must be between 10 and 90"};
    QTest::newRow("write, keyer gone") << QStringList{"write", "VALID"} << int(F::HangUpAfterWrite) << 1
                                       << QStringList{"Writing", "Write failed: The line closed before the keyer "
                                                                 "could store the bytes"};
    QTest::newRow("write, pulled out partway")
        << QStringList{"write", "VALID"} << int(F::HangUpDuringWrite) << 1 << QStringList{"Writing", "Write failed"};
    QTest::newRow("write, verified") << QStringList{"write", "VALID", "--verify"} << int(F::None) << 0
                                     << QStringList{"Writing", "Done", "Verified"};
    QTest::newRow("write, verify finds a byte changed")
        << QStringList{"write", "VALID", "--verify"} << int(F::StoresOneWrong) << 1
        << QStringList{"Done", "Verify failed", "1 byte differs (byte 100: written 0x"};
    QTest::newRow("diff with the keyer") << QStringList{"diff", "VALID", "--keyer"} << int(F::None) << 1
                                         << QStringList{"Reading", "Done"};
    QTest::newRow("diff with a silent keyer")
        << QStringList{"diff", "VALID", "--keyer"} << int(F::Silent) << 2 << QStringList{"MV not connected"};
    QTest::newRow("play") << QStringList{"play", "4"} << int(F::None) << 0 << QStringList{"MV Open"};
    QTest::newRow("play, no such message") << QStringList{"play", "7"} << int(F::None) << 2 << QStringList{"1 to 6"};
}

void TestCli::keyerOperations()
{
    QFETCH(QStringList, args);
    QFETCH(int, fault);
    QFETCH(int, code);
    QFETCH(QStringList, said);
    FakeKeyer keyer({.fault = FakeKeyer::Fault(fault), .faultAfter = 100});
    QVERIFY(keyer.LinkAs(paths.configFolder, Port));
    EepromImage bad = ValidImage();
    bad[4] = 5;
    QCOMPARE(StoreEepromFile(File("bad.eep").toStdString(), bad), std::string());
    args.replaceInStrings("OUT", File("out.eep")).replaceInStrings("VALID", valid);
    args.replaceInStrings("BAD", File("bad.eep"));

    const Ran ran = Run(args + QStringList{"--port", QString::number(Port)});
    QCOMPARE(ran.code, code);
    qsizetype at = 0;
    for (const QString& text : said) {
        at = ran.err.indexOf(text, at);
        QVERIFY2(at >= 0, qPrintable(text + " not in: " + ran.err));
    }

    EepromImage file;
    const bool saved = LoadEepromFile(File("out.eep").toStdString(), file).empty();
    QCOMPARE(saved, args[0] == "read" && code == 0); // never a partial image
    if (saved) {
        QVERIFY(file == keyer.Eeprom());
        QCOMPARE(ListBackups(paths.backupFolder).size(), std::size_t(1));
    }
    if (args[0] == "write" && code == 0)
        QTRY_VERIFY(keyer.Eeprom() == ValidImage());
    if (args[0] == "diff" && code == 1) {
        // What differs between the file and what the keyer holds, as diff between two files says it.
        QCOMPARE(StoreEepromFile(File("keyer.eep").toStdString(), keyer.Eeprom()), std::string());
        QCOMPARE(ran.out, Run({"diff", valid, File("keyer.eep")}).out);
        QVERIFY(!ran.out.isEmpty());
        QCOMPARE(ListBackups(paths.backupFolder).size(), std::size_t(1));
    }
    if (args[0] == "write" && code == 2)
        QVERIFY(keyer.Received().empty()); // refused before any traffic
    if (args[0] == "write" && code != 2 && !args.contains("--verify")) {
        // What was meant for the keyer is kept, whatever the transfer did.
        const auto kept = ListBackups(paths.backupFolder);
        QCOMPARE(kept.size(), std::size_t(1));
        EepromImage meant;
        QCOMPARE(LoadEepromFile(paths.backupFolder + "/" + kept[0], meant), std::string());
        QVERIFY(kept[0].ends_with("_write.eep") && meant == ValidImage());
    }
    if (args == QStringList{"play", "4"})
        QTRY_COMPARE(keyer.PlayedMessages(), std::vector<int>{4});
}

void TestCli::theProgramNeedsNoDisplay()
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    cli.setProcessEnvironment(env);
    cli.start(MV2MGR_CLI, {"show", valid, "--json"});
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(QJsonDocument::fromJson(cli.readAllStandardOutput())["Message 1"], QJsonValue("CQ TEST"));
    cli.start(MV2MGR_CLI, {"--version"});
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.readAllStandardOutput().trimmed(), QByteArray("mv2mgr-cli ") + ProgramVersion);
}

void TestCli::oneCharacterRuleOnEveryRoute_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::newRow("a") << "a"
                       << "A";
    QTest::newRow("K") << "K"
                       << "K";
    QTest::newRow("?") << "?"
                       << "?";
    QTest::newRow("e acute") << "\u00e9"
                             << "";
    QTest::newRow("dotless i") << "\u0131"
                               << "";
    QTest::newRow("long s") << "\u017f"
                            << "";
    QTest::newRow("sharp s") << "\u00df"
                             << "";
    QTest::newRow("dollar") << "$"
                            << "";
    QTest::newRow("exclamation mark") << "!"
                                      << "";
    QTest::newRow("number sign") << "#"
                                 << "";
    QTest::newRow("tab") << "\t"
                         << " ";
    QTest::newRow("line break") << "\n"
                                << " ";
    QTest::newRow("CR LF") << "\r\n"
                           << " ";
    QTest::newRow("Greek lambda") << "\u03bb"
                                  << "";
    QTest::newRow("full-width A") << "\uff21"
                                  << "";
    QTest::newRow("emoji") << "\U0001F600"
                           << "";
    QTest::newRow("e and a combining accent") << "e\u0301"
                                              << "";
    QTest::newRow("a combining accent alone") << "\u0301"
                                              << "";
    QTest::newRow("bell") << "\a"
                          << "";
}

void TestCli::oneCharacterRuleOnEveryRoute()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    const QString text = given + "K";
    const QString expected = stored + "K";

    EepromImage image;
    RecordingPrompts prompts;
    EditorPanel panel(image, prompts);
    auto* field = panel.ControlAs<MessageField>(ControlId::Message2);
    const bool control = given.at(0).unicode() < 32;
    // Keys type characters, not line breaks or tabs: those move or do nothing.
    const QStringList routes{"key", "paste", "drop", "input method", "accessibility"};
    for (const QString& route : routes) {
        if (route == "key" && control)
            continue;
        panel.SetText(ControlId::Message2, QString());
        if (route == "key") {
            for (const QString& typed : {given, QStringLiteral("K")}) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
                QApplication::sendEvent(field, &key);
            }
        } else {
            AddThrough(route, field, text);
        }
        QCoreApplication::processEvents();
        QCOMPARE(panel.Text(ControlId::Message2) + " (" + route + ")", expected + " (" + route + ")");
    }

    // The command line takes the same characters, and refuses the rest by name.
    const Ran ran = Run({"set", valid, "Message 2=" + text, "-o", File("out.eep")});
    QCOMPARE(ran.code, stored.isEmpty() ? 2 : 0);
    if (stored.isEmpty()) {
        QVERIFY2(ran.err.startsWith("Message 2 cannot hold "), qPrintable(ran.err));
        if (!control)
            QVERIFY2(ran.err.contains("\"" + given + "\""), qPrintable(ran.err));
    } else {
        const Ran shown = Run({"show", File("out.eep"), "--json"});
        QCOMPARE(ReadJson(shown.out)["Message 2"].toString(), expected);
    }
}

void TestCli::longImageIsShownWholeAndRefused()
{
    // Every message starts at the front of an area of "S" codes with no end
    // marker, so each reads on to byte 255: 6 x 232 characters.
    EepromImage image = ValidImage();
    for (int i = 24; i < 256; ++i)
        image[static_cast<std::size_t>(i)] = 0x08;
    for (int i = 18; i <= 23; ++i)
        image[static_cast<std::size_t>(i)] = 24;
    const QString file = File("long.eep");
    QCOMPARE(StoreEepromFile(file.toStdString(), image), std::string());
    const EepromImage original = image;
    const QString refusal = "The messages hold 1392 characters; the keyer has room for 232. Shorten them by 1160.";

    RecordingPrompts prompts;
    EditorPanel panel(image, prompts);
    panel.RefreshPanel();
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(panel.Text(MessageFieldId(n)), QString(232, 'S'));
    panel.Tick();
    QCOMPARE(panel.Text(ControlId::BytesLeft), QString("Msg Bytes Left: -1160"));
    // Typing can only shorten it.
    auto* field = panel.ControlAs<MessageField>(ControlId::Message4);
    field->moveCursor(QTextCursor::End);
    QTest::keyClicks(field, "AB");
    QApplication::clipboard()->setText("CQ");
    field->paste();
    QCoreApplication::processEvents();
    QCOMPARE(panel.Text(ControlId::Message4), QString(232, 'S'));
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(panel.Text(ControlId::Message4), QString(231, 'S'));
    QCOMPARE(panel.ValidatePanel(), 0);
    QCOMPARE(prompts.LastText(),
             std::string("The messages hold 1391 characters; the keyer has room for 232. Shorten them by 1159."));

    // Write MV refuses after connecting, and sends nothing more.
    FakeKeyer keyer;
    QVERIFY(keyer.LinkAs(paths.configFolder, Port));
    QtSerialChannel channel(paths.configFolder);
    EventLoopWaiter waiter;
    KeyerOperations operations(channel, waiter, {10, 10});
    const std::int32_t port = Port;
    KeyerButtons buttons(panel, image, operations, prompts, port);
    keyer.ClearReceived();
    buttons.Press(ControlId::WriteMV);
    QCOMPARE(prompts.boxes.size(), 2u);
    QVERIFY(keyer.Received().size() < 20); // the connection only
    QVERIFY(keyer.Eeprom() != image);

    // The command line shows every character and refuses to pass it on.
    const QJsonObject json = ReadJson(Run({"show", file, "--json"}).out).object();
    QCOMPARE(json["Message 6"].toString(), QString(232, 'S'));
    QCOMPARE(json["Msg Bytes Left"], QJsonValue(-1160));
    keyer.ClearReceived();
    for (const QStringList& args : {QStringList{"set", file, "Weight=60"}, QStringList{"write", file}}) {
        const Ran ran = Run(args);
        QCOMPARE(ran.code, 2);
        QCOMPARE(ran.err.trimmed(), refusal);
    }
    QVERIFY(keyer.Received().empty());
    EepromImage after;
    QCOMPARE(LoadEepromFile(file.toStdString(), after), std::string());
    QVERIFY(after == original);
}

void TestCli::setTakesOnlyWhatTheFieldWould_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QString>("refusal"); // empty: saved
    const auto digits = [](const char* value) {
        return QString("Farns takes a number of up to three digits; \"%1\" is not one.").arg(value);
    };
    for (const char* value : {"abc", "2O", "-5", " 12", "99999999999", "", "1e2"})
        QTest::addRow("Farns=%s", value) << QStringList{QString("Farns=") + value} << digits(value);
    QTest::newRow("three digits") << QStringList{"LeadIn=007"} << "";
    QTest::newRow("check box true") << QStringList{"Swap=true", "MsgBrk=FALSE"} << "";
    QTest::newRow("check box maybe") << QStringList{"Swap=maybe"} << "Swap is a check box: on or off, not \"maybe\".";
    QTest::newRow("list entry unknown")
        << QStringList{"Sidetone Hz=none"}
        << "Sidetone Hz has no entry \"none\"; its entries are \"4000\", \"2000\", \"1333\", \"1000\", \"800\", "
           "\"666\", \"571\", \"500\", \"444\", \"400\".";
    QTest::newRow("message with what cannot be stored")
        << QStringList{"Message 1=CQ $5 #1 caf\u00e9"}
        << "Message 1 cannot hold \"$\", \"#\" and \"\u00e9\": the keyer cannot store them.";
    QTest::newRow("an equals sign in the value") << QStringList{"Message 1=A=B"} << "";
    QTest::newRow("a long message")
        << QStringList{"Message 2=" + QString(10000, 'E')}
        << "The messages hold 10007 characters; the keyer has room for 232. Shorten them by 9775.";
    // The same seven in two orders: one outcome.
    const QStringList seven{"Message 1=" + QString(100, 'A'),
                            "Message 2=" + QString(100, 'B'),
                            "Message 3=" + QString(30, 'C'),
                            "Weight=60",
                            "Message 5=" + QString(5, 'E'),
                            "Swap=on",
                            "Message 4=K"};
    QStringList reversed = seven;
    std::reverse(reversed.begin(), reversed.end());
    const QString tooLong = "The messages hold 236 characters; the keyer has room for 232. Shorten them by 4.";
    QTest::newRow("seven, in order") << seven << tooLong;
    QTest::newRow("seven, reversed") << reversed << tooLong;
    QTest::newRow("one setting twice") << QStringList{"Weight=60", "weight=70"}
                                       << "weight is given twice; give each setting once.";
}

void TestCli::setTakesOnlyWhatTheFieldWould()
{
    QFETCH(QStringList, assignments);
    QFETCH(QString, refusal);
    const QByteArray before = [&] {
        QFile f(valid);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const Ran ran = Run(QStringList{"set", valid} + assignments);
    QCOMPARE(ran.err.trimmed(), refusal);
    QCOMPARE(ran.code, refusal.isEmpty() ? 0 : 2);
    QFile after(valid);
    QVERIFY(after.open(QIODevice::ReadOnly));
    if (!refusal.isEmpty())
        QCOMPARE(after.readAll(), before); // nothing written
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("said");
    for (const char* port : {"0", "13", "-1", "x"})
        QTest::addRow("--port %s", port)
            << QStringList{"test", "--port", port}
            << QString("--port takes a port number from 1 to 12; \"%1\" is not one.").arg(port);
    QTest::newRow("--port without a number") << QStringList{"test", "--port"} << "--port needs a port number";
    QTest::newRow("-o without a file") << QStringList{"set", "VALID", "Weight=60", "-o"} << "-o needs the name";
    QTest::newRow("-o twice") << QStringList{"set", "VALID", "Weight=60", "-o", "OUT", "-o", "OUT"}
                              << "-o is given twice.";
    QTest::newRow("unknown option") << QStringList{"show", "VALID", "--colour"} << "unknown option --colour";
    QTest::newRow("an option of another command") << QStringList{"show", "VALID", "-o", "OUT"} << "unknown option -o";
    QTest::newRow("-- ends the options") << QStringList{"show", "--", "--json"} << "--json: File Not Found";
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, said);
    args.replaceInStrings("VALID", valid).replaceInStrings("OUT", File("out.eep"));
    FakeKeyer keyer;
    QVERIFY(keyer.LinkAs(paths.configFolder, 1));
    const Ran ran = Run(args);
    QCOMPARE(ran.code, 2);
    QVERIFY2(ran.err.contains(said), qPrintable(ran.err));
    if (args.contains("--port") || args.contains("-o") || args.contains("--colour"))
        QVERIFY2(ran.err.contains("Usage: mv2mgr-cli " + args[0]), qPrintable(ran.err));
    QVERIFY(keyer.Received().empty());
    QVERIFY(!QFile::exists(File("out.eep")));
}

void TestCli::nothingIsLostOnTheWay()
{
    // A file longer than an image is not cut by set, unless asked to write elsewhere.
    const QString big = File("big.eep");
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QFile source(valid);
    QVERIFY(source.open(QIODevice::ReadOnly));
    file.write(source.readAll() + QByteArray(1 << 20, 'x'));
    file.close();
    const Ran refused = Run({"set", big, "Weight=60"});
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains("-o"), qPrintable(refused.err));
    QCOMPARE(QFileInfo(big).size(), qint64(256 + (1 << 20)));
    QCOMPARE(Run({"set", big, "Weight=60", "-o", File("out.eep")}).code, 0);
    QCOMPARE(QFileInfo(File("out.eep")).size(), qint64(256));

    // read says where it cannot write before it reads the keyer.
    FakeKeyer keyer;
    QVERIFY(keyer.LinkAs(paths.configFolder, Port));
    for (const QString& out : {File("missing/out.eep"), dir->path()}) {
        const Ran ran = Run({"read", out, "--port", QString::number(Port)});
        QCOMPARE(ran.code, 2);
        QVERIFY2(ran.err.contains("Nothing was read."), qPrintable(ran.err));
    }
    QVERIFY(keyer.Received().empty());

    // One line a port, whatever a link's target holds; a relative link is
    // read from its own folder.
    QVERIFY(QFile::link("/dev/tty\nCom9 /dev/forged", File("com3")));
    QFile(File("ttyFAKE")).open(QIODevice::WriteOnly);
    QCOMPARE(::symlink("ttyFAKE", File("com6").toLocal8Bit().constData()), 0);
    // Bytes that are no UTF-8 are shown as the window shows them.
    QCOMPARE(::symlink("/dev/\xff\xe2\x82", File("com7").toLocal8Bit().constData()), 0);
    const Ran ports = Run({"ports"});
    QCOMPARE(ports.out.count('\n'), 12);
    QVERIFY2(ports.out.contains("Com3 /dev/tty\\nCom9 /dev/forged (not present)"), qPrintable(ports.out));
    QVERIFY2(ports.out.contains("Com6 " + File("ttyFAKE") + "\n"), qPrintable(ports.out));
    const std::string undecodable = QString::fromStdString("Com7 /dev/\xff\xe2\x82 (not present)").toStdString();
    QVERIFY2(ports.outBytes.find(undecodable) != std::string::npos, qPrintable(ports.out));
    const QJsonArray json = ReadJson(Run({"ports", "--json"}).out).array();
    QCOMPARE(json.size(), 12);
    QCOMPARE(json[2].toObject()["device"].toString(), QString("/dev/tty\nCom9 /dev/forged"));
}

void TestCli::fileSizeLimitIsAClearFailure()
{
    // The real program under a file-size limit: its port lock cannot be
    // written. It says so and ends; nothing is left locked.
    FakeKeyer keyer;
    QVERIFY(keyer.LinkAs(paths.configFolder, Port));
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir->filePath("config"));
    env.insert("XDG_DATA_HOME", dir->filePath("data"));
    QDir().mkpath(dir->filePath("config/mv2mgr"));
    QVERIFY(QFile::link(QString::fromStdString(keyer.Device()), dir->filePath("config/mv2mgr/com5")));
    cli.setProcessEnvironment(env);
    cli.start("sh", {"-c", "ulimit -f 0; exec \"$0\" \"$@\"", MV2MGR_CLI, "write", valid, "--port", "5"});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    const QString said = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(said.contains("file-size limit") && said.contains("MV not connected"), qPrintable(said));
    const QString device = QString::fromStdString(keyer.Device()).mid(5).replace('/', '_');
    for (const char* folder : {"/var/lock", "/run/lock", "/tmp"})
        QVERIFY2(!QFile::exists(QString(folder) + "/LCK.." + device), folder);
    QVERIFY(keyer.Eeprom() != ValidImage());
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
