#pragma once

// mv2mgr-cli: the editor's rules and keyer operations without a window.
// Standard C++ only: what the system gives (the serial channel, its list of
// adapters, the waits, the terminal) comes in through a CliPlatform.

#include "keyer/PortDiscovery.h"
#include "keyer/SerialChannel.h"
#include "keyer/Waiter.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Where the editor keeps its files; the command line uses the same ones.
struct CliPaths {
    std::string configFolder; // com<n> links
    std::string portSettings; // mv2mgr.cfg
    std::string backupFolder;
};

// What the system the command line runs on provides.
struct CliPlatform {
    // A channel that opens ports as the com<n> links in the folder say.
    std::function<std::unique_ptr<SerialChannel>(const std::string& configFolder)> makeChannel;
    // The serial adapters the system knows now.
    std::function<AdapterDescriptions()> adapters;
    // Where the keyer operations' fixed waits are kept.
    Waiter& waiter;
    // Whether standard error is a terminal: long transfers draw a progress bar there.
    bool errIsTerminal = false;
};

// Runs one command line (without the program's name). Exit codes: 0 done,
// 1 a keyer or link failure (or, for diff, a difference), 2 a usage,
// file or validation error.
int RunCli(const std::vector<std::string>& args, const CliPaths& paths, const CliPlatform& platform, std::ostream& out,
           std::ostream& err);
