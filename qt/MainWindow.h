#pragma once

// The top-level window: the menu, the editor panel as its only content, the
// Comm port choice, and File Open, Save and Exit.

#include "ui/FileCommands.h"
#include "image/EepromImage.h"
#include "keyer/PortDiscovery.h"
#include "keyer/qt/QtAdapters.h"
#include "keyer/qt/QtWaiter.h"
#include "ui/Prompts.h"
#include "paths/Paths.h"

#include <QHash>
#include <QMainWindow>
#include <QSettings>
#include <cstdint>
#include <functional>
#include <memory>

class EditorPanel;
class HelpWindow;
class KeyerButtons;
class KeyerOperations;
class SerialChannel;
class QAction;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(const AppPaths& paths, Prompts& prompts, SerialChannel& channel, std::int32_t selectedPort,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    EditorPanel* Panel() const { return panel; }
    EepromImage& Image() { return image; }
    std::int32_t SelectedPort() const { return selectedPort; }
    // Set while a keyer operation runs.
    bool Busy() const;
    QAction* Action(int id) const { return actions.value(id); }
    HelpWindow* Help() const { return help; }

    // Where the adapters' descriptions and their stable names come from; the
    // system's by default.
    void SetDeviceSources(std::function<AdapterDescriptions()> adapters, std::string stableFolder)
    {
        adapterLookup = std::move(adapters);
        stableDeviceFolder = std::move(stableFolder);
    }

    // The size the window starts at, and may not grow beyond.
    QSize InitialSize() const { return initialSize; }

    // Opens a file named on the command line, as File > Open would.
    void OpenFile(const QString& path);

  public slots:
    void Command(int id);

  signals:
    void QuitRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void BuildMenu();
    void UpdatePortMenu();
    void UpdatePortCaptions();
    void AssignDevice();
    void ShowVerifyAfterWriting(bool on);
    void SizeToScreen();
    FileNameDisplay ShowName();
    void OpenBackup();
    // The editor's options beside the port settings.
    QSettings Options() const;
    // After an open: the panel refreshed and, when something was loaded, the
    // title naming the backup (or plain) and what was opened announced.
    void AfterOpen(bool loaded, const QString& backup = {});

    AppPaths paths;
    Prompts& prompts;
    EepromImage image;
    std::int32_t selectedPort;
    EditorPanel* panel = nullptr;
    EventLoopWaiter waiter;
    std::unique_ptr<KeyerOperations> operations;
    KeyerButtons* buttons = nullptr;
    HelpWindow* help = nullptr;
    QHash<int, QAction*> actions;
    QSize initialSize;
    bool iconSet = false;
    QString shownPath; // the file the file-name text last named
    QString verifyCaption;
    std::function<AdapterDescriptions()> adapterLookup = SystemAdapters;
    std::string stableDeviceFolder = "/dev/serial/by-id";
};
