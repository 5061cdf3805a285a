#include "cli/Cli.h"

#include "cli/Json.h"
#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/PortSettings.h"
#include "files/RegularFile.h"
#include "image/MessageCodec.h"
#include "image/MessageText.h"
#include "image/Settings.h"
#include "keyer/Operations.h"
#include "keyer/PortNames.h"

#include <Version.h>
#include <climits>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>

namespace {

constexpr int Success = 0;
constexpr int KeyerFailure = 1;
constexpr int UsageError = 2;

struct Context {
    std::vector<std::string> positional;
    bool json = false;
    std::optional<int> port;
    std::optional<std::string> output;
    bool keyer = false;  // diff: the second image is the keyer's
    bool verify = false; // write: read back and compare
    const CliPaths& paths;
    const CliPlatform& platform;
    std::ostream& out;
    std::ostream& err;
};

// The options a command takes.
enum Options { None = 0, AsJson = 1, Port = 2, Output = 4, Keyer = 8, Verify = 16 };

struct Command {
    const char* name;
    const char* usage;
    const char* help;
    int positional; // how many arguments it takes; -1: one or more
    int options;
    int (*run)(Context&);
};

// A whole number as this command line has always read one: blanks around
// it, a sign, decimal digits, within an int.
std::optional<int> ReadInt(std::string_view text)
{
    const char* const blanks = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) + 1 - first);
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9' || value > INT_MAX)
            return std::nullopt;
        value = value * 10 + (digit - '0');
    }
    value = negative ? -value : value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// `text` padded with spaces to `width`, as a column.
std::string Padded(std::string_view text, std::size_t width)
{
    std::string padded(text);
    if (padded.size() < width)
        padded.append(width - padded.size(), ' ');
    return padded;
}

bool Load(const std::string& path, EepromImage& image, Context& c)
{
    const std::string problem = LoadEepromFile(path, image);
    if (!problem.empty())
        c.err << path << ": " << problem << std::endl;
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

Json JsonValue(const Setting& setting, const std::string& text)
{
    if (setting.Box())
        return text == "on";
    if (setting.List())
        return text.empty() ? Json() : Json(text);
    if (setting.Message())
        return text;
    return static_cast<std::int64_t>(ReadNumber(text));
}

std::string PlainValue(const Setting& setting, const std::string& text)
{
    return ValueInWords(setting, text);
}

int ShowFile(Context& c)
{
    EepromImage image;
    if (!Load(c.positional[0], image, c))
        return UsageError;
    const auto shown = Shown(image);
    if (c.json) {
        Json::Object object;
        for (const auto& [setting, text] : shown)
            object[std::string(setting->name)] = JsonValue(*setting, text);
        object[std::string(BytesLeftName)] = BytesLeft(image);
        c.out << JsonText(object);
        return Success;
    }
    for (const auto& [setting, text] : shown)
        c.out << Padded(setting->name, 15) << PlainValue(*setting, text) << "\n";
    c.out << Padded(BytesLeftName, 15) << BytesLeft(image) << std::endl;
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
    Json::Object changes;
    for (const auto& [setting, old, now] : differences) {
        if (c.json) {
            changes[std::string(setting->name)] =
                Json::Object{{"old", JsonValue(*setting, old)}, {"new", JsonValue(*setting, now)}};
        } else {
            c.out << setting->name << ": " << PlainValue(*setting, old) << " -> " << PlainValue(*setting, now) << "\n";
        }
    }
    if (c.json)
        c.out << JsonText(changes);
    c.out.flush();
    return differences.empty() ? Success : 1; // as diff(1) does
}

int SetValues(Context& c)
{
    const std::string file = c.positional[0];
    EepromImage image;
    if (!Load(file, image, c))
        return UsageError;
    // A longer file is more than an image; writing one back over it would
    // cut it to 256 bytes.
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (!c.output && !ec && size != EepromImage::Size) {
        c.err << file << ": this file holds " << size << " bytes, not the 256 of an EEPROM file; set would "
              << "cut it to 256. Give -o OUT.eep to write the result to another file." << std::endl;
        return UsageError;
    }
    FieldTexts texts = ShownTexts(image);
    std::set<const Setting*> given;
    for (std::size_t i = 1; i < c.positional.size(); ++i) {
        const std::string& assignment = c.positional[i];
        const std::size_t equals = assignment.find('=');
        const Setting* setting =
            equals != std::string::npos && equals > 0 ? FindSetting(assignment.substr(0, equals)) : nullptr;
        if (!setting) {
            c.err << "\"" << assignment << "\" is not NAME=VALUE with a setting's name; "
                  << "mv2mgr-cli show lists them." << std::endl;
            return UsageError;
        }
        // The later would win, and the outcome would hang on the order.
        if (!given.insert(setting).second) {
            c.err << assignment.substr(0, equals) << " is given twice; give each setting once." << std::endl;
            return UsageError;
        }
        if (const auto refusal = SetSetting(*setting, assignment.substr(equals + 1), image, texts)) {
            c.err << *refusal << std::endl;
            return UsageError;
        }
    }
    // Checked and packed exactly as File > Save does; nothing is written
    // when a field is refused.
    if (const auto refusal = ValidateSettings(image, texts)) {
        c.err << *refusal << std::endl;
        return UsageError;
    }
    const std::string target = c.output.value_or(file);
    const std::string problem = StoreEepromFile(target, image);
    if (!problem.empty()) {
        c.err << target << ": " << problem << std::endl;
        return UsageError;
    }
    return Success;
}

int ListPorts(Context& c)
{
    const AdapterDescriptions adapters = c.platform.adapters();
    std::string warning;
    const int selected = PortInSettings(c.paths.portSettings, &warning);
    if (!warning.empty())
        c.err << warning << std::endl;
    Json::Array ports;
    for (const int port : OfferedPorts(selected, adapters)) {
        const PortPresence presence = DescribePort(port, c.paths.configFolder, adapters);
        if (c.json) {
            ports.push_back(Json::Object{{"port", port},
                                         {"name", PortLabel(port)},
                                         {"device", presence.device},
                                         {"present", presence.present},
                                         {"adapter", presence.adapter},
                                         {"selected", port == selected}});
        } else {
            c.out << (port == selected ? "* " : "  ") << ShowableUtf8(PortCaption(presence)) << "\n";
        }
    }
    if (c.json)
        c.out << JsonText(ports);
    c.out.flush();
    return Success;
}

// The operations' reports, as the panel shows them, on standard error.
class ErrorReport : public OperationReport {
  public:
    // With `bar`, each long transfer draws a progress bar.
    ErrorReport(std::ostream& err, bool bar) : err(err), bar(bar) {}
    void Progress(int done, int total) override
    {
        if (!bar)
            return;
        const int filled = done * 30 / total;
        err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(30 - filled), '.') << "] " << done * 100 / total << "%"
            << (done == total ? "\n" : "") << std::flush;
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
    // A reason may name a device by any bytes its link holds.
    void Line(const std::string& text) { err << ShowableUtf8(text) << std::endl; }
    std::ostream& err;
    bool bar;
};

// One keyer command's link: the channel and the operations on it.
class Link {
  public:
    explicit Link(Context& c)
        : channel(c.platform.makeChannel(c.paths.configFolder)), operations(*channel, c.platform.waiter),
          report(c.err, c.platform.errIsTerminal)
    {
        std::string warning;
        port = c.port ? *c.port : PortInSettings(c.paths.portSettings, &warning);
        if (!warning.empty())
            c.err << warning << std::endl;
        operations.SetBackupFolder(c.paths.backupFolder);
    }

    std::unique_ptr<SerialChannel> channel;
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
    if (const std::string problem = WhyNotWritable(c.positional[0]); !problem.empty()) {
        c.err << c.positional[0] << ": " << problem << " Nothing was read." << std::endl;
        return UsageError;
    }
    Link link(c);
    EepromImage image;
    const Outcome outcome = link.operations.Read(link.port, image, link.report);
    if (outcome != Outcome::Done)
        return ExitCode(outcome); // and nothing is written: only whole images are
    const std::string problem = StoreEepromFile(c.positional[0], image);
    if (!problem.empty()) {
        c.err << c.positional[0] << ": " << problem << std::endl;
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
        c.err << *refusal << std::endl;
        return UsageError;
    }
    Link link(c);
    return ExitCode(link.operations.Write(link.port, image, link.report, c.verify));
}

int PlayMessage(Context& c)
{
    const int n = ReadInt(c.positional[0]).value_or(0);
    if (n < 1 || n > MessageCount) {
        c.err << "play takes a message number, 1 to 6." << std::endl;
        return UsageError;
    }
    Link link(c);
    return ExitCode(link.operations.Play(link.port, n, link.report));
}

// clang-format off
const Command Commands[] = {
    {"show", "show FILE.eep [--json]",
     "Every setting as the panel shows it after opening the file, and the message bytes left.", 1, AsJson, ShowFile},
    {"diff", "diff A.eep (B.eep | --keyer [--port N]) [--json]",
     "The settings and messages that differ between two files, or between a file and what the keyer holds\n"
     "(--keyer reads it, keeping the read backup). Exit status 1 when they differ, 0 when not, 2 on trouble.", 2,
     AsJson | Keyer | Port, DiffFiles},
    {"set", "set FILE.eep NAME=VALUE... [-o OUT.eep]",
     "Sets each value as in the panel (a list by its entry, a check box by on or off, a number or a message as\n"
     "the field's text), checks and packs as File > Save does, and saves to OUT (default: FILE). Names are the\n"
     "panel's captions, in any case: Weight, MAX, \"Keyer Mode\", \"Message 1\"...", -1, Output, SetValues},
    {"ports", "ports [--json]", "Com1 to Com12 (on Windows also every higher COM port it has, and the chosen one): the device each\n"
     "opens, whether it is there, the adapter.", 0, AsJson,
     ListPorts},
    {"test", "test [--port N]", "Checks the connection and shows the keyer's firmware revision.", 0, Port, TestKeyer},
    {"read", "read OUT.eep [--port N]", "Reads the keyer's memory into OUT, and keeps a backup of it.", 1, Port, ReadKeyer},
    {"write", "write IN.eep [--port N] [--verify]",
     "Checks IN (every range, the messages' room) and writes it to the keyer. --verify reads it back and\n"
     "compares: exit 1, with the difference, when the keyer holds other bytes.", 1, Port | Verify, WriteKeyer},
    {"play", "play N [--port N]", "Makes the keyer send its stored message N (1 to 6).", 1, Port, PlayMessage},
};
// clang-format on

void GeneralHelp(std::ostream& out)
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

int RunCli(const std::vector<std::string>& args, const CliPaths& paths, const CliPlatform& platform, std::ostream& out,
           std::ostream& err)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        GeneralHelp(args.empty() ? err : out);
        return args.empty() ? UsageError : Success;
    }
    if (args[0] == "--version") {
        out << "mv2mgr-cli " << ProgramVersion << std::endl;
        return Success;
    }
    const Command* command = nullptr;
    for (const Command& c : Commands) {
        if (args[0] == c.name)
            command = &c;
    }
    if (!command) {
        err << "mv2mgr-cli: no command \"" << args[0] << "\"; mv2mgr-cli --help lists them." << std::endl;
        return UsageError;
    }

    Context c{{}, false, std::nullopt, std::nullopt, false, false, paths, platform, out, err};
    const std::string usage = std::string("Usage: mv2mgr-cli ") + command->usage;
    const auto misused = [&](const std::string& problem) {
        err << "mv2mgr-cli " << command->name << ": " << problem << "\n" << usage << std::endl;
        return UsageError;
    };
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A NAME=VALUE may begin with "-" no more than a file name after "--".
        const bool option =
            !optionsEnded && arg.size() > 1 && arg.starts_with('-') && arg.find('=') == std::string::npos;
        if (!option) {
            c.positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out << usage << "\n" << command->help << std::endl;
            return Success;
        } else if (arg == "--json" && (command->options & AsJson)) {
            c.json = true;
        } else if (arg == "--keyer" && (command->options & Keyer)) {
            c.keyer = true;
        } else if (arg == "--verify" && (command->options & Verify)) {
            c.verify = true;
        } else if (arg == "--port" && (command->options & Port)) {
            const bool given = i + 1 < args.size();
            const int port = given ? ReadInt(args[i + 1]).value_or(0) : 0;
            const std::string range = "a port number from 1 to " + std::to_string(HighestPort());
            if (port < 1 || port > HighestPort())
                return misused(given ? "--port takes " + range + "; \"" + args[i + 1] + "\" is not one."
                                     : "--port needs " + range + ".");
            c.port = port;
            ++i;
        } else if (arg == "-o" && (command->options & Output)) {
            if (c.output)
                return misused("-o is given twice.");
            if (i + 1 >= args.size())
                return misused("-o needs the name of the file to write.");
            c.output = args[++i];
        } else {
            return misused("unknown option " + arg);
        }
    }
    if ((command->options & Keyer) && c.port && !c.keyer)
        return misused("--port goes with --keyer.");
    const int wanted = c.keyer ? command->positional - 1 : command->positional;
    const bool fits = wanted < 0 ? !c.positional.empty() : c.positional.size() == static_cast<std::size_t>(wanted);
    if (!fits) {
        err << usage << std::endl;
        return UsageError;
    }
    return command->run(c);
}
