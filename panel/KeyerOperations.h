#pragma once

// The keyer buttons of the panel: each press is one whole operation that
// connects afresh, sends at most one further command, reports in the panel
// and closes the port again.

#include "files/Prompts.h"
#include "image/EepromImage.h"
#include "keyer/SerialChannel.h"

#include <QObject>
#include <cstdint>
#include <string>

class EditorPanel;

struct OperationWaits {
    int beforeTestMs = 500;    // Test MV, before connecting
    int afterWriteMs = 500;    // Write MV, between the transfer and "Done"
    int backupNoticeMs = 1500; // how long the outcome stands before "No backup"
};

class KeyerOperations : public QObject {
    Q_OBJECT

  public:
    KeyerOperations(EditorPanel& panel, EepromImage& image, SerialChannel& channel, Prompts& prompts, bool& busyFlag,
                    const std::int32_t& selectedPort, OperationWaits waits = {});

    // Where the images read and written are kept; none are kept while empty.
    void SetBackupFolder(const std::string& folder) { backupFolder = folder; }

  public slots:
    // Runs the operation of a keyer button; does nothing while one runs.
    void Press(int controlId);

  signals:
    // An operation began (true) or ended (false).
    void BusyChanged(bool busy);

  private:
    void Run(int controlId);
    int Connect();
    void TestMV();
    void ReadMV();
    void WriteMV();
    void MessageTest(int n);
    void NotConnected();
    void Backup(int revision, const char* kind);

    EditorPanel& panel;
    EepromImage& image;
    SerialChannel& channel;
    Prompts& prompts;
    bool& busyFlag;
    const std::int32_t& selectedPort;
    OperationWaits waits;
    std::string linkReason; // why the last connection failed
    std::string backupFolder;
    std::string backupProblem; // why this operation's backup failed
};
