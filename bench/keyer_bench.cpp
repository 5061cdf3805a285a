// Keyer operations against the fake keyer at the real line speed, with the
// real waits and time-outs. Two floors for each: the fake keyer's (the fixed
// waits plus the keyer's reply bytes at 8.33 ms each, since on a
// pseudo-terminal the editor's own bytes cost no line time), which is what
// the ratio is taken against; and a real line's (every byte both ways), for
// reference. Run with QT_QPA_PLATFORM=offscreen.

#include "keyer/qt/QtSerialChannel.h"
#include "keyer/qt/QtWaiter.h"
#include "qt/EditorPanel.h"
#include "qt/KeyerButtons.h"
#include "support/FakeKeyer.h"
#include "support/RecordingPrompts.h"
#include "support/SampleImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Port = 1;
constexpr double ByteMs = LinkTimings{}.lineMsPerByte;
constexpr int Settle = LinkTimings{}.settleMs;
constexpr OperationWaits Waits;
// The connection: 3 attention bytes, echo, open, revision and the two
// readings go out; echo, revision and the two readings come back.
constexpr int ConnectOut = 3 + 3 + 2 + 2 + 2 + 2;
constexpr int ConnectIn = 4;

struct Row {
    const char* name;
    ControlId button;
    int waitsMs;  // fixed waits: settle, and 500 ms before Test MV or after the write
    int bytesOut; // what the editor sends after the connection
    int bytesIn;  // what the keyer sends back after the connection
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir config;
    FakeKeyer keyer({.paced = true});
    if (!keyer.Ok() || !keyer.LinkAs(config.path().toStdString(), Port)) {
        std::fprintf(stderr, "no pseudo-terminal for the fake keyer\n");
        return 1;
    }
    keyer.SetEeprom(SampleSettingsImage());

    QtSerialChannel channel(config.path().toStdString());
    EepromImage image;
    RecordingPrompts prompts;
    EditorPanel panel(image, prompts);
    std::int32_t port = Port;
    EventLoopWaiter waiter;
    KeyerOperations operations(channel, waiter);
    KeyerButtons buttons(panel, image, operations, prompts, port);

    const Row rows[] = {
        {"Test MV", ControlId::TestMV, Waits.beforeTestMs + Settle, 0, 0},
        {"Read MV", ControlId::ReadMV, Settle, 2, 256},
        {"Write MV", ControlId::WriteMV, Settle + Waits.afterWriteMs, 2 + 256, 0},
        {"Message Test", ControlId::Test1, Settle, 3, 0},
    };
    std::printf("%-14s %8s %12s %6s %12s %6s  %s\n", "operation", "wall ms", "keyer floor", "ratio", "line floor",
                "ratio", "status");
    bool allOk = true;
    for (const Row& row : rows) {
        const double keyerFloor = row.waitsMs + (ConnectIn + row.bytesIn) * ByteMs;
        const double lineFloor = row.waitsMs + (ConnectOut + row.bytesOut + ConnectIn + row.bytesIn) * ByteMs;
        QElapsedTimer timer;
        timer.start();
        buttons.Press(row.button);
        const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const double ratio = wall / keyerFloor;
        std::printf("%-14s %8.0f %12.0f %6.3f %12.0f %6.3f  %s\n", row.name, wall, keyerFloor, ratio, lineFloor,
                    wall / lineFloor, panel.Text(ControlId::OperationStatus).toUtf8().constData());
        allOk = allOk && prompts.boxes.empty() && ratio >= 1.0 && ratio <= 1.05;
    }

    // A keyer that does not answer: how long until the person is told.
    keyer.Configure({.paced = true, .fault = FakeKeyer::Fault::Silent});
    QElapsedTimer timer;
    double toldAfter = -1;
    prompts.whileBoxOpen = [&] { toldAfter = static_cast<double>(timer.nsecsElapsed()) / 1e6; };
    timer.start();
    buttons.Press(ControlId::ReadMV);
    std::printf("missing keyer reported after %.0f ms (%s)\n", toldAfter,
                panel.Text(ControlId::LinkStatus).toUtf8().constData());
    std::printf("every ratio against the keyer floor within 1.00 to 1.05: %s\n", allOk ? "yes" : "no");
    return allOk ? 0 : 1;
}
