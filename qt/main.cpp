#include "qt/EditorProgram.h"
#include "qt/FontWarmer.h"
#include "files/RegularFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <Version.h>
#include <cstdio>

int main(int argc, char* argv[])
{
    KeepWritesPastLimitsAsErrors();
    // Asked before any window exists, so that --help and --version work
    // where there is no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QStringLiteral("mv2mgr"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Morvel2 Standalone Editor: reads, shows, checks and writes "
                                                    "the memory of a Morvel2 Morse keyer."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE.eep"), QStringLiteral("An EEPROM file to open at the start."),
                                 QStringLiteral("[FILE.eep]"));
    if (!parser.parse(arguments) || parser.positionalArguments().size() > 1) {
        const QString problem =
            parser.errorText().isEmpty() ? QStringLiteral("Give at most one file.") : parser.errorText();
        std::fprintf(stderr, "mv2mgr: %s\nmv2mgr --help tells more.\n", qPrintable(problem));
        return 2;
    }
    if (parser.isSet(help)) {
        // The parser knows its program's name only from a running application.
        std::printf(
            "%s", qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("mv2mgr"))));
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("mv2mgr %s\n", ProgramVersion);
        return 0;
    }

    FontWarmer fonts;
    QApplication app(argc, argv);
    fonts.Join();
    PrepareApplication();
    EditorProgram program;
    program.Window().showNormal();
    if (!parser.positionalArguments().isEmpty()) {
        // Once the window is up, so that a box about the file has its owner.
        const QString file = parser.positionalArguments().front();
        QTimer::singleShot(0, &program.Window(), [&program, file] { program.Window().OpenFile(file); });
    }
    return QApplication::exec();
}
