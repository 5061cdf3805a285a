#include "cli/Cli.h"

#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/PortSettings.h"
#include "files/RegularFile.h"
#include "image/MessageCodec.h"
#include "image/Settings.h"
#include "keyer/Operations.h"
#include "keyer/PortDiscovery.h"
#include "keyer/PortNames.h"
#include "keyer/qt/QtAdapters.h"
#include "keyer/qt/QtSerialChannel.h"
#include "keyer/qt/QtWaiter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <Version.h>
#include <filesystem>
#include <optional>
#include <set>
#include <unistd.h>

namespace {

constexpr int Success = 0;
constexpr int KeyerFailure = 1;
constexpr int UsageError = 2;

struct Context {
    QStringList positional;
    bool json = false;
    std::optional<int> port;
    std::optional<QString> output;
    bool keyer = false;  // diff: the second image is the keyer's
    bool verify = false; // write: read back and compare
    const CliPaths& paths;
    QTextStream& out;
    QTextStream& err;
};

// The options a command takes.
enum Options { None = 0, Json = 1, Port = 2, Output = 4, Keyer = 8, Verify = 16 };

struct Command {
    const char* name;
    const char* usage;
    const char* help;
    int positional; // how many arguments it takes; -1: one or more
    int options;
    int (*run)(Context&);
};

std::string Std(const QString& text)
{
    return text.toStdString();
}

bool Load(const QString& path, EepromImage& image, Context& c)
{
    const std::string problem = LoadEepromFile(Std(path), image);
    if (!problem.empty())
        c.err << path << ": " << QString::fromStdString(problem) << Qt::endl;
    return problem.empty();
}

// Every setting with what the panel would show for it after opening `image`.
std::vector<std::pair<const Setting*, std::string>> Shown(const EepromImage& image)
{
    std::vector<std::pair<const Setting*, std::string>> shown;
    for (const Setting& setting : AllSettings())
        shown.emplace_back(&setting, ShownText(setting, image));
    return shown;
}

int BytesLeft(const EepromImage& image)
{
    return MessageRoomLeft(MessagesOf(ShownTexts(image)));
}

QJsonValue JsonValue(const Setting& setting, const std::string& text)
{
    if (setting.Box())
        return text == "on";
    if (setting.List())
        return text.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(text));
    if (setting.Message())
        return QString::fromStdString(text);
    return static_cast<qint64>(ReadNumber(text));
}

QString PlainValue(const Setting& setting, const std::string& text)
{
    return QString::fromStdString(ValueInWords(setting, text));
}

void PrintJson(Context& c, const QJsonDocument& document)
{
    c.out << document.toJson(QJsonDocument::Indented);
}

int ShowFile(Context& c)
{
    EepromImage image;
    if (!Load(c.positional[0], image, c))
        return UsageError;
    const auto shown = Shown(image);
    if (c.json) {
        QJsonObject object;
        for (const auto& [setting, text] : shown)
            object.insert(QString::fromLatin1(setting->name), JsonValue(*setting, text));
        object.insert(QStringLiteral("Msg Bytes Left"), BytesLeft(image));
        PrintJson(c, QJsonDocument(object));
        return Success;
    }
    for (const auto& [setting, text] : shown)
        c.out << QString::fromLatin1(setting->name).leftJustified(15) << PlainValue(*setting, text) << "\n";
    c.out << QStringLiteral("Msg Bytes Left").leftJustified(15) << BytesLeft(image) << Qt::endl;
    return Success;
}

// Reads the keyer's image, keeping the read backup; false after telling why.
bool ReadKeyerImage(Context& c, EepromImage& image);

int DiffFiles(Context& c)
{
    EepromImage before, after;
    if (!Load(c.positional[0], before, c))
        return UsageError;
    // As diff(1), trouble is 2: 1 says that they differ.
    if (c.keyer ? !ReadKeyerImage(c, after) : !Load(c.positional[1], after, c))
        return UsageError;
    const std::vector<Difference> differences = Differences(before, after);
    QJsonObject changes;
    for (const auto& [setting, old, now] : differences) {
        if (c.json) {
            changes.insert(QString::fromLatin1(setting->name),
                           QJsonObject{{"old", JsonValue(*setting, old)}, {"new", JsonValue(*setting, now)}});
        } else {
            c.out << QString::fromLatin1(setting->name) << ": " << PlainValue(*setting, old) << " -> "
                  << PlainValue(*setting, now) << "\n";
        }
    }
    if (c.json)
        PrintJson(c, QJsonDocument(changes));
    c.out.flush();
    return differences.empty() ? Success : 1; // as diff(1) does
}

int SetValues(Context& c)
{
    const QString file = c.positional[0];
    EepromImage image;
    if (!Load(file, image, c))
        return UsageError;
    // A longer file is more than an image; writing one back over it would
    // cut it to 256 bytes.
    std::error_code ec;
    const auto size = std::filesystem::file_size(QFile::encodeName(file).toStdString(), ec);
    if (!c.output && !ec && size != EepromImage::Size) {
        c.err << file << ": this file holds " << size << " bytes, not the 256 of an EEPROM file; set would "
              << "cut it to 256. Give -o OUT.eep to write the result to another file." << Qt::endl;
        return UsageError;
    }
    FieldTexts texts = ShownTexts(image);
    std::set<const Setting*> given;
    for (const QString& assignment : c.positional.mid(1)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const Setting* setting = equals > 0 ? FindSetting(Std(assignment.left(equals))) : nullptr;
        if (!setting) {
            c.err << "\"" << assignment << "\" is not NAME=VALUE with a setting's name; "
                  << "mv2mgr-cli show lists them." << Qt::endl;
            return UsageError;
        }
        // The later would win, and the outcome would hang on the order.
        if (!given.insert(setting).second) {
            c.err << assignment.left(equals) << " is given twice; give each setting once." << Qt::endl;
            return UsageError;
        }
        const std::string problem = SetSetting(*setting, Std(assignment.mid(equals + 1)), image, texts);
        if (!problem.empty()) {
            c.err << QString::fromStdString(problem) << Qt::endl;
            return UsageError;
        }
    }
    // Checked and packed exactly as File > Save does; nothing is written
    // when a field is refused.
    if (const auto refusal = ValidateSettings(image, texts)) {
        c.err << QString::fromStdString(*refusal) << Qt::endl;
        return UsageError;
    }
    const QString target = c.output.value_or(file);
    const std::string problem = StoreEepromFile(Std(target), image);
    if (!problem.empty()) {
        c.err << target << ": " << QString::fromStdString(problem) << Qt::endl;
        return UsageError;
    }
    return Success;
}

int ListPorts(Context& c)
{
    const AdapterDescriptions adapters = SystemAdapters();
    const int selected = PortInSettings(c.paths.portSettings);
    QJsonArray ports;
    for (int port = 1; port <= 12; ++port) {
        const PortPresence presence = DescribePort(port, c.paths.configFolder, adapters);
        if (c.json) {
            ports.append(QJsonObject{{"port", port},
                                     {"name", QString::fromStdString(PortLabel(port))},
                                     {"device", QString::fromStdString(presence.device)},
                                     {"present", presence.present},
                                     {"adapter", QString::fromStdString(presence.adapter)},
                                     {"selected", port == selected}});
        } else {
            c.out << (port == selected ? "* " : "  ") << QString::fromStdString(PortCaption(presence)) << "\n";
        }
    }
    if (c.json)
        PrintJson(c, QJsonDocument(ports));
    c.out.flush();
    return Success;
}

// The operations' reports, as the panel shows them, on standard error.
class ErrorReport : public OperationReport {
  public:
    // With `bar`, each long transfer draws a progress bar.
    ErrorReport(QTextStream& err, bool bar) : err(err), bar(bar) {}
    void Progress(int done, int total) override
    {
        if (!bar)
            return;
        const int filled = done * 30 / total;
        err << "\r[" << QString(filled, QLatin1Char('#')) << QString(30 - filled, QLatin1Char('.')) << "] "
            << done * 100 / total << "%" << (done == total ? "\n" : "") << Qt::flush;
    }
    void ShowLinkStatus(const std::string& text, const std::string& why) override
    {
        Line(text);
        if (!why.empty())
            Line("  " + why);
    }
    void ShowPotVal(const std::string& text) override { Line("PotVal " + text); }
    void ShowPbVal(const std::string& text) override { Line("PbVal " + text); }
    void ShowInterim(const std::string& text) override { Line(text); }
    void ShowOutcome(const std::string& text, const std::string& reason) override
    {
        Line(reason.empty() ? text : text + ": " + reason);
    }
    void NotConnected(const std::string&) override { Line(OperationText::NotConnected); }
    void NoBackup(const std::string& reason) override { Line(std::string(OperationText::NoBackup) + ": " + reason); }
    void VerifyFailed(const std::string& headline, const std::string& details) override
    {
        Line("  " + headline + " " + details);
    }

  private:
    void Line(const std::string& text) { err << QString::fromStdString(text) << Qt::endl; }
    QTextStream& err;
    bool bar;
};

// One keyer command's link: the channel and the operations on it.
class Link {
  public:
    explicit Link(Context& c)
        : channel(c.paths.configFolder), operations(channel, waiter), report(c.err, ::isatty(STDERR_FILENO))
    {
        port = c.port.value_or(PortInSettings(c.paths.portSettings));
        operations.SetBackupFolder(c.paths.backupFolder);
    }

    QtSerialChannel channel;
    EventLoopWaiter waiter;
    KeyerOperations operations;
    ErrorReport report;
    int port;
};

int ExitCode(Outcome outcome)
{
    return outcome == Outcome::Done ? Success : outcome == Outcome::Refused ? UsageError : KeyerFailure;
}

bool ReadKeyerImage(Context& c, EepromImage& image)
{
    Link link(c);
    return link.operations.Read(link.port, image, link.report) == Outcome::Done;
}

int TestKeyer(Context& c)
{
    Link link(c);
    return ExitCode(link.operations.Test(link.port, link.report));
}

int ReadKeyer(Context& c)
{
    // Told before the keyer is read, not after.
    if (const std::string problem = WhyNotWritable(Std(c.positional[0])); !problem.empty()) {
        c.err << c.positional[0] << ": " << QString::fromStdString(problem) << " Nothing was read." << Qt::endl;
        return UsageError;
    }
    Link link(c);
    EepromImage image;
    const Outcome outcome = link.operations.Read(link.port, image, link.report);
    if (outcome != Outcome::Done)
        return ExitCode(outcome); // and nothing is written: only whole images are
    const std::string problem = StoreEepromFile(Std(c.positional[0]), image);
    if (!problem.empty()) {
        c.err << c.positional[0] << ": " << QString::fromStdString(problem) << Qt::endl;
        return UsageError;
    }
    return Success;
}

int WriteKeyer(Context& c)
{
    EepromImage image;
    if (!Load(c.positional[0], image, c))
        return UsageError;
    // The checks of Write MV, before anything reaches the keyer.
    if (const auto refusal = ValidateSettings(image, ShownTexts(image))) {
        c.err << QString::fromStdString(*refusal) << Qt::endl;
        return UsageError;
    }
    Link link(c);
    return ExitCode(link.operations.Write(link.port, image, link.report, c.verify));
}

int PlayMessage(Context& c)
{
    bool number = false;
    const int n = c.positional[0].toInt(&number);
    if (!number || n < 1 || n > MessageCount) {
        c.err << "play takes a message number, 1 to 6." << Qt::endl;
        return UsageError;
    }
    Link link(c);
    return ExitCode(link.operations.Play(link.port, n, link.report));
}

// clang-format off
const Command Commands[] = {
    {"show", "show FILE.eep [--json]",
     "Every setting as the panel shows it after opening the file, and the message bytes left.", 1, Json, ShowFile},
    {"diff", "diff A.eep (B.eep | --keyer [--port N]) [--json]",
     "The settings and messages that differ between two files, or between a file and what the keyer holds\n"
     "(--keyer reads it, keeping the read backup). Exit status 1 when they differ, 0 when not, 2 on trouble.", 2,
     Json | Keyer | Port, DiffFiles},
    {"set", "set FILE.eep NAME=VALUE... [-o OUT.eep]",
     "Sets each value as in the panel (a list by its entry, a check box by on or off, a number or a message as\n"
     "the field's text), checks and packs as File > Save does, and saves to OUT (default: FILE). Names are the\n"
     "panel's captions, in any case: Weight, MAX, \"Keyer Mode\", \"Message 1\"...", -1, Output, SetValues},
    {"ports", "ports [--json]", "Com1 to Com12: the device each opens, whether it is there, the adapter.", 0, Json,
     ListPorts},
    {"test", "test [--port N]", "Checks the connection and shows the keyer's firmware revision.", 0, Port, TestKeyer},
    {"read", "read OUT.eep [--port N]", "Reads the keyer's memory into OUT, and keeps a backup of it.", 1, Port, ReadKeyer},
    {"write", "write IN.eep [--port N] [--verify]",
     "Checks IN (every range, the messages' room) and writes it to the keyer. --verify reads it back and\n"
     "compares: exit 1, with the difference, when the keyer holds other bytes.", 1, Port | Verify, WriteKeyer},
    {"play", "play N [--port N]", "Makes the keyer send its stored message N (1 to 6).", 1, Port, PlayMessage},
};
// clang-format on

void GeneralHelp(QTextStream& out)
{
    out << "Usage: mv2mgr-cli COMMAND [ARGUMENTS]\n"
           "The Morvel2 keyer editor's rules and keyer operations from the command line.\n\n";
    for (const Command& command : Commands)
        out << "  " << command.usage << "\n";
    out << "\n  --help after a command tells more; --version tells the version.\n"
           "Exit status: 0 done, 1 a keyer or link failure, 2 a usage, file or check error.\n"
           "The port is the editor's chosen port unless --port gives another.\n";
    out.flush();
}

} // namespace

int RunCli(const QStringList& args, const CliPaths& paths, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        GeneralHelp(args.isEmpty() ? err : out);
        return args.isEmpty() ? UsageError : Success;
    }
    if (args[0] == "--version") {
        out << "mv2mgr-cli " << ProgramVersion << Qt::endl;
        return Success;
    }
    const Command* command = nullptr;
    for (const Command& c : Commands) {
        if (args[0] == QLatin1String(c.name))
            command = &c;
    }
    if (!command) {
        err << "mv2mgr-cli: no command \"" << args[0] << "\"; mv2mgr-cli --help lists them." << Qt::endl;
        return UsageError;
    }

    Context c{{}, false, std::nullopt, std::nullopt, false, false, paths, out, err};
    const QString usage = QStringLiteral("Usage: mv2mgr-cli ") + QString::fromLatin1(command->usage);
    const auto misused = [&](const QString& problem) {
        err << "mv2mgr-cli " << command->name << ": " << problem << "\n" << usage << Qt::endl;
        return UsageError;
    };
    bool optionsEnded = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        // A NAME=VALUE may begin with "-" no more than a file name after "--".
        const bool option =
            !optionsEnded && arg.size() > 1 && arg.startsWith(QLatin1Char('-')) && !arg.contains(QLatin1Char('='));
        if (!option) {
            c.positional << arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out << usage << "\n" << command->help << Qt::endl;
            return Success;
        } else if (arg == "--json" && (command->options & Json)) {
            c.json = true;
        } else if (arg == "--keyer" && (command->options & Keyer)) {
            c.keyer = true;
        } else if (arg == "--verify" && (command->options & Verify)) {
            c.verify = true;
        } else if (arg == "--port" && (command->options & Port)) {
            bool number = false;
            const int port = i + 1 < args.size() ? args[i + 1].toInt(&number) : 0;
            if (!number || port < 1 || port > 12)
                return misused(i + 1 < args.size()
                                   ? "--port takes a port number from 1 to 12; \"" + args[i + 1] + "\" is not one."
                                   : QStringLiteral("--port needs a port number from 1 to 12."));
            c.port = port;
            ++i;
        } else if (arg == "-o" && (command->options & Output)) {
            if (c.output)
                return misused(QStringLiteral("-o is given twice."));
            if (i + 1 >= args.size())
                return misused(QStringLiteral("-o needs the name of the file to write."));
            c.output = args[++i];
        } else {
            return misused("unknown option " + arg);
        }
    }
    if ((command->options & Keyer) && c.port && !c.keyer)
        return misused(QStringLiteral("--port goes with --keyer."));
    const int wanted = c.keyer ? command->positional - 1 : command->positional;
    const bool fits = wanted < 0 ? !c.positional.isEmpty() : c.positional.size() == wanted;
    if (!fits) {
        err << usage << Qt::endl;
        return UsageError;
    }
    return command->run(c);
}
