#pragma once

// mv2mgr-cli: the editor's rules and keyer operations without a window.

#include <QStringList>
#include <QTextStream>
#include <string>

// Where the editor keeps its files; the command line uses the same ones.
struct CliPaths {
    std::string configFolder; // com<n> links
    std::string portSettings; // mv2mgr.cfg
    std::string backupFolder;
};

// Runs one command line (without the program's name). Exit codes: 0 done,
// 1 a keyer or link failure (or, for diff, a difference), 2 a usage,
// file or validation error.
int RunCli(const QStringList& args, const CliPaths& paths, QTextStream& out, QTextStream& err);
