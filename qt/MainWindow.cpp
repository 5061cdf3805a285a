#include "qt/MainWindow.h"

#include "files/PortSettings.h"
#include "keyer/Operations.h"
#include "keyer/PortNames.h"
#include "qt/AboutBox.h"
#include "qt/EditorPanel.h"
#include "qt/HelpWindow.h"
#include "qt/KeyerButtons.h"
#include "qt/LayoutBuilder.h"
#include "qt/SettingFinder.h"
#include "qt/WindowSize.h"
#include "ui/BackupList.h"
#include "ui/FileCommands.h"
#include "ui/Layouts.h"
#include "ui/PanelRules.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTimer>
#include <ctime>

// The resources live in a static library, whose initialiser the linker
// would otherwise drop.
static void InitResources()
{
    Q_INIT_RESOURCE(mv2mgr);
}

namespace {
// The commands on files and ports, which stay still while the keyer is
// talked to: a file opened or a port changed then would be undone by it.
bool WaitsForOperation(int id)
{
    return id == Cmd::Open || id == Cmd::OpenBackup || id == Cmd::Save || id == Cmd::AssignDevice ||
           PortForCommand(id) != 0;
}
} // namespace

MainWindow::MainWindow(const AppPaths& paths, Prompts& prompts, SerialChannel& channel, std::int32_t selectedPort,
                       QWidget* parent)
    : QMainWindow(parent), paths(paths), prompts(prompts), selectedPort(selectedPort)
{
    InitResources();
    setWindowTitle(QString::fromStdString(MainWindowTitle()));
    BuildMenu();

    panel = new EditorPanel(image, prompts);
    // The panel keeps its size; a window made smaller than it scrolls.
    auto* holder = new QWidget;
    const DialogUnits units(DialogFont());
    const QRect place = units.ToPixels(EditorPanelLayout.x, 0, 0, 0);
    panel->setParent(holder);
    panel->move(place.topLeft());
    holder->setMinimumSize(panel->width() + 2 * place.left(), panel->height() + place.left());
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAccessibleName(QStringLiteral("Editor panel"));
    scroll->setFocusPolicy(Qt::NoFocus); // a tab stop that does nothing
    scroll->setWidget(holder);
    setCentralWidget(scroll);
    // The first message field has the keyboard when the window comes up.
    panel->Control(ControlId::Message1)->setFocus();

    operations = std::make_unique<KeyerOperations>(channel, waiter);
    operations->SetBackupFolder(paths.backupFolder);
    buttons = new KeyerButtons(*panel, image, *operations, prompts, this->selectedPort);
    // Off unless the person asked for it, and remembered between runs.
    verifyCaption = Action(Cmd::VerifyAfterWriting)->text();
    const bool verify = Options().value(QStringLiteral("verifyAfterWriting"), false).toBool();
    Action(Cmd::VerifyAfterWriting)->setChecked(verify);
    ShowVerifyAfterWriting(verify);
    // The files and the port stay as they are while the keyer is talked to.
    connect(buttons, &KeyerButtons::RunningChanged, this, [this](bool busy) {
        for (QAction* action : std::as_const(actions)) {
            if (WaitsForOperation(action->data().toInt()))
                action->setEnabled(!busy);
        }
    });

    UpdatePortMenu();
    SizeToScreen();
}

MainWindow::~MainWindow() = default;

bool MainWindow::Busy() const
{
    return operations->Busy();
}

void MainWindow::BuildMenu()
{
    for (const MenuSpec& menuSpec : MainMenu) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(menuSpec.caption));
        for (const MenuItemSpec& item : menuSpec.items) {
            if (!item.caption) {
                menu->addSeparator();
                continue;
            }
            const int port = PortForCommand(item.id);
            QAction* action = menu->addAction(QString::fromUtf8(item.caption));
            if (item.shortcut) {
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
            action->setCheckable(port != 0 || item.id == Cmd::VerifyAfterWriting);
            action->setData(item.id);
            connect(action, &QAction::triggered, this, [this, id = item.id] { Command(id); });
            actions.insert(item.id, action);
        }
        // What is plugged in now, each time the menu opens: adapters come
        // and go, and nothing of an earlier look is kept. Asking the system
        // for its adapters takes time the first frame should not wait for.
        if (PortForCommand(menuSpec.items.front().id) != 0)
            connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdatePortCaptions);
    }
}

void MainWindow::UpdatePortCaptions()
{
    const AdapterDescriptions adapters = adapterLookup();
    const std::string folder = paths.configFolder;
    for (const int port : OfferedPorts(selectedPort, adapters)) {
        // Beside "ComN", what it opens and whether that is there. A space,
        // not a tab column: a screen reader speaks the tab.
        const PortPresence presence = DescribePort(port, folder, adapters);
        actions.value(CommandForPort(port))->setText(QString::fromStdString(AsMenuText(PortCaption(presence))));
    }
}

void MainWindow::AssignDevice()
{
    // With none listed, "Other device..." is still there.
    const std::vector<AssignableDevice> devices = AssignableDevices(adapterLookup(), stableDeviceFolder);
    std::vector<std::string> entries;
    for (const AssignableDevice& d : devices) {
        std::string entry = d.name;
        if (!d.adapter.empty())
            entry += " \u2014 " + d.adapter;
        if (d.name != d.device)
            entry += " (" + d.device + ")";
        entries.push_back(entry);
    }
    const auto choice = prompts.ChooseDevice(entries, selectedPort, WhyNotADevice);
    if (!choice || choice->device > devices.size())
        return;
    const std::string device = choice->device < devices.size() ? devices[choice->device].name : choice->other;
    if (const std::string problem = AssignPortDevice(paths.configFolder, choice->port, device); !problem.empty()) {
        prompts.ErrorBox(Owner::MainWindow, problem);
        return;
    }
    Command(CommandForPort(choice->port)); // the port just given a device is the one wanted
    UpdatePortCaptions();
    // The dialog has gone: the status line says what it did.
    panel->ShowStatus(QString::fromStdString(PortLabel(choice->port) + " now opens " + ShownControls(device) + "."));
}

void MainWindow::ShowVerifyAfterWriting(bool on)
{
    buttons->SetVerifyAfterWriting(on);
    // Qt 6.4 tells a screen reader that a menu item is checked, never that
    // it is not: the words say both.
    Action(Cmd::VerifyAfterWriting)->setText(verifyCaption + (on ? QStringLiteral(", on") : QStringLiteral(", off")));
}

void MainWindow::UpdatePortMenu()
{
    for (int port = 1; port <= PortCount; ++port)
        actions.value(CommandForPort(port))->setChecked(port == selectedPort);
}

void MainWindow::SizeToScreen()
{
    const QScreen* screen = this->screen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    const WindowPixels start = InitialWindowSize(ScreenDensity(screen));
    const QSize pixels(start.width, start.height);
    QSize size(qRound(pixels.width() / ratio), qRound(pixels.height() / ratio));
    // Everything in the panel must be visible at the start, whatever the
    // fonts of this desktop make of its dialog units.
    const QSize needed = centralWidget()->minimumSizeHint().expandedTo(
        static_cast<QScrollArea*>(centralWidget())->widget()->minimumSize());
    size = size.expandedTo(QSize(needed.width(), needed.height() + menuBar()->sizeHint().height()));
    initialSize = size;
    resize(size);
    setMaximumSize(size);
}

void MainWindow::OpenBackup()
{
    const OpenedBackup opened =
        OpenBackupFile(image, panel->FieldTextsNow(), prompts, ShowName(), paths.backupFolder, std::time(nullptr));
    AfterOpen(opened.loaded == 1, QString::fromStdString(opened.label));
}

void MainWindow::AfterOpen(bool loaded, const QString& backup)
{
    panel->RefreshPanel(); // also after a cancel: typed values go back to the image's
    if (!loaded)
        return;
    // The title says which backup the panel shows; a file is named below.
    setWindowTitle(QString::fromStdString(MainWindowTitle(backup.toStdString())));
    panel->Announce(backup.isEmpty() ? QStringLiteral("Opened ") + QFileInfo(shownPath).fileName()
                                     : QStringLiteral("Opened the backup ") + backup);
}

QSettings MainWindow::Options() const
{
    return QSettings(QString::fromStdString(paths.configFolder + "/mv2mgr.ini"), QSettings::IniFormat);
}

FileNameDisplay MainWindow::ShowName()
{
    return [this](const std::string& text, const std::string& path) {
        shownPath = QFile::decodeName(path.c_str());
        panel->ShowFileName(QFile::decodeName(text.c_str()), shownPath);
    };
}

void MainWindow::OpenFile(const QString& path)
{
    AfterOpen(
        LoadNamedEepromFile(image, prompts, Owner::MainWindow, ShowName(), QFile::encodeName(path).toStdString()) == 1);
}

void MainWindow::Command(int id)
{
    if (Busy() && WaitsForOperation(id))
        return;
    if (const int port = PortForCommand(id)) {
        selectedPort = port;
        if (const std::string warning = WritePortSettings(paths.portSettingsPath, selectedPort); !warning.empty())
            prompts.WarningBox(warning, {});
        UpdatePortMenu();
        return;
    }
    switch (id) {
    case Cmd::Open:
        AfterOpen(OpenEepromFile(image, prompts, Owner::MainWindow, ShowName()) == 1);
        break;
    case Cmd::OpenBackup:
        OpenBackup();
        break;
    case Cmd::Save:
        if (panel->ValidatePanel() == 1)
            SaveEepromFile(image, prompts, Owner::MainWindow, ShowName());
        break;
    case Cmd::AssignDevice:
        AssignDevice();
        break;
    case Cmd::ReadMV:
        emit panel->KeyerButtonPressed(ControlId::ReadMV);
        break;
    case Cmd::WriteMV:
        emit panel->KeyerButtonPressed(ControlId::WriteMV);
        break;
    case Cmd::TestMV:
        emit panel->KeyerButtonPressed(ControlId::TestMV);
        break;
    case Cmd::VerifyAfterWriting: {
        const bool on = Action(Cmd::VerifyAfterWriting)->isChecked();
        ShowVerifyAfterWriting(on);
        Options().setValue(QStringLiteral("verifyAfterWriting"), on);
        break;
    }
    case Cmd::GoToSetting:
        GoToSetting(*panel, this);
        break;
    case Cmd::Exit:
        if (!Busy())
            emit QuitRequested();
        break;
    case Cmd::About: {
        AboutBox box(QString::fromStdString(paths.osFamily), this);
        box.exec();
        break;
    }
    case Cmd::Help:
        if (!help)
            help = new HelpWindow(this);
        help->ShowContents();
        help->show();
        help->raise();
        help->activateWindow();
        break;
    default:
        break;
    }
}

void MainWindow::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    // The icon needs the SVG engine, which the first frame need not wait
    // for; an installed editor's icon comes from its desktop entry anyway.
    if (!iconSet) {
        iconSet = true;
        QTimer::singleShot(0, this, [this] { setWindowIcon(QIcon(QStringLiteral(":/icons/mv2mgr.svg"))); });
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A keyer operation may be waiting in one of its boxes: closing now would
    // pull the panel away from under it.
    if (Busy()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
