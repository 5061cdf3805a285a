#pragma once

// The keyer operations, the same under the window and the command line:
// Test MV, Read MV, Write MV and a message Test. Each connects afresh, sends
// at most one further command, tells what happens through an
// OperationReport, keeps its backups and closes the port however it ends.
// Neither face talks to the keyer itself; each only renders the reports.

#include "image/EepromImage.h"
#include "image/Settings.h"
#include "keyer/KeyerCommands.h"
#include "keyer/SerialChannel.h"
#include "keyer/Waiter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct OperationWaits {
    int beforeTestMs = 500; // Test MV, before connecting
    int afterWriteMs = 500; // Write MV, between the transfer and "Done"
};

// The operations' own texts.
namespace OperationText {
inline constexpr const char* TestOk = "MV OK";
inline constexpr const char* TestFailed = "MV NG";
inline constexpr const char* Reading = "Reading";
inline constexpr const char* Writing = "Writing";
inline constexpr const char* Done = "Done";
inline constexpr const char* ReadFailed = "Read failed";
inline constexpr const char* WriteFailed = "Write failed";
inline constexpr const char* PlayFailed = "Test failed";
inline constexpr const char* NotConnected = "MV not connected";
inline constexpr const char* Verified = "Verified";
inline constexpr const char* VerifyFailed = "Verify failed";
inline constexpr const char* NoBackup = "No backup";
} // namespace OperationText

// What an operation tells, in the order it happens. The link's own texts
// (status and readings) come through LinkDisplay.
class OperationReport : public LinkDisplay {
  public:
    // True when an operation starts and false when it ends, boxes included;
    // only a failed backup is told after it.
    virtual void BusyChanged(bool /*busy*/) {}
    // What the keyer holds changed (see KeyerOperations::KeyerHolds).
    virtual void KeyerHoldsChanged(const std::optional<EepromImage>& /*held*/) {}
    // How far a transfer of the image has come: bytes done of all.
    virtual void Progress(int /*done*/, int /*total*/) {}
    // Write MV, once the keyer has answered: whether to go on (the window
    // checks its fields then, as Write MV always did). When not, nothing
    // more is sent.
    virtual bool CheckBeforeWrite() { return true; }
    // A status that stands until the outcome replaces it.
    virtual void ShowInterim(const std::string& text) = 0;
    // The operation's outcome, and why when it failed (empty otherwise).
    virtual void ShowOutcome(const std::string& text, const std::string& reason) = 0;
    // "MV not connected" and why; returns once the person has seen it.
    virtual void NotConnected(const std::string& reason) = 0;
    // Read MV replaced the image, right after its "Done"; KeyerHolds()
    // holds it already.
    virtual void ImageRead() {}
    // The backup could not be kept; told after the outcome, which stands.
    virtual void NoBackup(const std::string& reason) = 0;
    // A verified write did not verify: the keyer sent back other bytes, or
    // too few to compare. Told after "Verify failed"; a headline and the
    // details, from VerifyHeadline and VerifyDetails.
    virtual void VerifyFailed(const std::string& headline, const std::string& details) = 0;
};

// What a write that did not verify says: the headline, from the channel's
// last read when the keyer sent back too little (`readBack` null), and the
// details: which bytes and settings differ, or that nothing was compared.
std::string VerifyHeadline(const SerialChannel& channel, const EepromImage* readBack);
std::string VerifyDetails(const EepromImage& sent, const EepromImage* readBack);

// "Keyer holds 50.": what a setting that differs holds in the keyer, from
// the value the keyer's image shows for it.
std::string KeyerHoldsText(const Setting& setting, std::string_view held);

// What Write MV would change in the keyer: `changed` names the settings
// that differ from what it holds, in the table's order; `keyerKnown` is
// false before the first read or write.
std::string WriteSummary(bool keyerKnown, const std::vector<std::string>& changed);

enum class Outcome {
    Done,         // the operation did what it was asked
    Busy,         // another operation runs; nothing was done
    NotConnected, // no keyer answered as one should
    Refused,      // the image was refused before anything was sent
    Failed,       // the keyer or the line failed during the transfer
};

class KeyerOperations {
  public:
    // The fixed waits go to `waiter`, which the face provides.
    KeyerOperations(SerialChannel& channel, Waiter& waiter, OperationWaits waits = {});

    // Where images read and written are kept; none are kept while empty.
    void SetBackupFolder(std::string folder) { backupFolder = std::move(folder); }

    // Set for the whole of an operation, boxes included.
    bool Busy() const { return busy; }

    // What the keyer holds, as far as this run knows: the image of the last
    // successful read or write; nothing before the first.
    const std::optional<EepromImage>& KeyerHolds() const { return keyerHolds; }

    // Checks the connection.
    Outcome Test(int port, OperationReport& report);
    // Reads the keyer's memory; `image` is replaced only by a whole image.
    Outcome Read(int port, EepromImage& image, OperationReport& report);
    // Writes `image`, once the report's CheckBeforeWrite has said yes. With
    // `verify`, the keyer is read back after "Done" and the bytes compared:
    // "Verified", or "Verify failed" with the difference told and the
    // read-back kept as a backup (Outcome Failed).
    Outcome Write(int port, EepromImage& image, OperationReport& report, bool verify = false);
    // Makes the keyer send its stored message 1..6.
    Outcome Play(int port, int message, OperationReport& report);

  private:
    class Session;
    int Connect(int port, OperationReport& report, std::string& reason);
    // The revision of the keyer that answered, or a negative code once
    // "MV not connected" has been told.
    int ConnectOrTell(int port, OperationReport& report);
    void Backup(const EepromImage& image, int revision, const char* kind, std::string& problem) const;
    void Hold(const std::optional<EepromImage>& held, OperationReport& report);

    SerialChannel& channel;
    Waiter& waiter;
    OperationWaits waits;
    std::string backupFolder;
    bool busy = false;
    std::optional<EepromImage> keyerHolds;
};
