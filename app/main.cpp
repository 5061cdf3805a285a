#include "app/MainWindow.h"
#include "app/QtPrompts.h"
#include "files/PortSettings.h"
#include "keyer/QtSerialChannel.h"
#include "panel/EditorPanel.h"
#include "paths/Paths.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mv2mgr"));
    QApplication::setDesktopFileName(QStringLiteral("mv2mgr"));
    InstallPanelAccessibility();

    const AppPaths paths = DeterminePaths();
    QtPrompts prompts;
    std::int32_t selectedPort = 0;
    if (const std::string warning = ReadPortSettings(paths.portSettingsPath.toStdString(), selectedPort);
        !warning.empty())
        prompts.WarningBox(warning, {});

    QtSerialChannel channel(paths.configFolder.toStdString());
    MainWindow window(paths, prompts, channel, selectedPort);
    prompts.SetOwners(&window, window.Panel());
    QObject::connect(&window, &MainWindow::QuitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    window.showNormal();
    return QApplication::exec();
}
