#include "qt/EditorProgram.h"

#include "files/PortSettings.h"
#include "qt/EditorPanel.h"
#include "qt/LayoutBuilder.h"

#include <QApplication>

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("mv2mgr"));
    QApplication::setDesktopFileName(QStringLiteral("mv2mgr"));
    InstallPanelAccessibility();
}

std::int32_t EditorProgram::SelectedPort(const AppPaths& paths, Prompts& prompts)
{
    std::int32_t selectedPort = 0;
    if (const std::string warning = ReadPortSettings(paths.portSettingsPath, selectedPort); !warning.empty())
        prompts.WarningBox(warning, {});
    return selectedPort;
}

EditorProgram::EditorProgram()
    : paths(DeterminePaths()), channel(paths.configFolder),
      window(paths, prompts, channel, SelectedPort(paths, prompts))
{
    prompts.SetOwners(&window, window.Panel());
    QObject::connect(&window, &MainWindow::QuitRequested, qApp, &QApplication::quit, Qt::QueuedConnection);
}
