// Keyer operations against the fake keyer at the real line speed, with the
// real waits and time-outs: wall time, the floor (fixed waits plus every byte
// on the line, both directions, at 8.33 ms) and their ratio.
// Run with QT_QPA_PLATFORM=offscreen.

#include "keyer/QtSerialChannel.h"
#include "panel/EditorPanel.h"
#include "panel/KeyerOperations.h"
#include "support/FakeKeyer.h"
#include "support/RecordingPrompts.h"
#include "support/SampleImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Port = 1;
constexpr double ByteMs = 10.0 * 1000.0 / 1200.0;
constexpr int Settle = 400;
// Bytes of the connection: 3 attention bytes, echo, open, revision and the
// two readings out; echo, revision and two readings back.
constexpr int ConnectOut = 3 + 3 + 2 + 2 + 2 + 2;
constexpr int ConnectIn = 4;

// Waits until the keyer has taken every byte sent to it, so that one
// operation's tail does not slow the next.
void WaitForKeyerToCatchUp(const FakeKeyer& keyer)
{
    std::size_t seen = keyer.Received().size();
    for (;;) {
        WaitWithEvents(50);
        const std::size_t now = keyer.Received().size();
        if (now == seen)
            return;
        seen = now;
    }
}

struct Row {
    const char* name;
    int button;
    double floorMs;
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
    bool busy = false;
    std::int32_t port = Port;
    KeyerOperations operations(panel, image, channel, prompts, busy, port);

    const Row rows[] = {
        {"Test MV", Ctl::TestMV, 500 + Settle + (ConnectOut + ConnectIn) * ByteMs},
        {"Read MV", Ctl::ReadMV, Settle + (ConnectOut + 2 + ConnectIn + 256) * ByteMs},
        {"Write MV", Ctl::WriteMV, Settle + (ConnectOut + 2 + 256 + ConnectIn) * ByteMs + 500},
        {"Message Test", 1006, Settle + (ConnectOut + 3 + ConnectIn) * ByteMs},
    };
    std::printf("%-14s %10s %10s %7s\n", "operation", "wall ms", "floor ms", "ratio");
    bool allOk = true;
    for (const Row& row : rows) {
        WaitForKeyerToCatchUp(keyer);
        const std::size_t before = keyer.Received().size();
        QElapsedTimer timer;
        timer.start();
        operations.Press(row.button);
        const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        std::printf("%-14s %10.0f %10.0f %7.3f  %s\n", row.name, wall, row.floorMs, wall / row.floorMs,
                    panel.Text(Ctl::OperationStatus).toUtf8().constData());
        if (row.button == Ctl::WriteMV) {
            // A pseudo-terminal takes the 256 bytes at once, so the line time
            // is spent after "Done"; this is when the keyer holds them.
            const std::size_t expected = before + ConnectOut + 2 + 256;
            while (keyer.Received().size() < expected)
                WaitWithEvents(5);
            std::printf("%-14s %10.0f %10.0f %7.3f  (the keyer holds all 256 bytes)\n", "  keyer done",
                        static_cast<double>(timer.nsecsElapsed()) / 1e6, row.floorMs - 500,
                        static_cast<double>(timer.nsecsElapsed()) / 1e6 / (row.floorMs - 500));
        }
        allOk = allOk && prompts.boxes.empty();
    }

    // A keyer that does not answer: how long until the person is told.
    keyer.Configure({.paced = true, .fault = FakeKeyer::Fault::Silent});
    QElapsedTimer timer;
    double toldAfter = -1;
    prompts.whileBoxOpen = [&] { toldAfter = static_cast<double>(timer.nsecsElapsed()) / 1e6; };
    timer.start();
    operations.Press(Ctl::ReadMV);
    std::printf("missing keyer reported after %.0f ms (%s)\n", toldAfter,
                panel.Text(Ctl::LinkStatus).toUtf8().constData());
    return allOk ? 0 : 1;
}
