// Editor figures on this machine: start-up to window shown, RefreshPanel and
// ValidatePanel on a full image, idle CPU while the 250 ms timer runs, and
// peak memory. Run with QT_QPA_PLATFORM=offscreen.

#include "qt/MainWindow.h"
#include "image/MessageCodec.h"
#include "keyer/qt/QtSerialChannel.h"
#include "qt/EditorPanel.h"
#include "paths/Paths.h"
#include "support/RecordingPrompts.h"
#include "support/SampleImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Seconds since this process was started, from the kernel's own record.
double SecondsSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string field;
    for (int i = 0; i < 22 && stat >> field; ++i) {
    }
    const double startTicks = std::stod(field);
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    uptimeFile >> uptime;
    return uptime - startTicks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename F> double MeanMilliseconds(int rounds, F&& f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        f();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / rounds;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir config;
    AppPaths paths;
    paths.configFolder = config.path().toStdString();
    paths.portSettingsPath = config.filePath(QStringLiteral("mv2mgr.cfg")).toStdString();
    RecordingPrompts prompts;
    QtSerialChannel channel(paths.configFolder);
    MainWindow window(paths, prompts, channel, 1);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const double shown = SecondsSinceProcessStart();

    EepromImage& image = window.Image();
    image = SampleSettingsImage();
    MessageTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = std::string(i < 4 ? 39 : 38, static_cast<char>('A' + i)); // 232 in all
    PackMessages(image, texts);

    EditorPanel* panel = window.Panel();
    const int rounds = 200;
    const double refresh = MeanMilliseconds(rounds, [&] { panel->RefreshPanel(); });
    int passed = 0;
    const double validate = MeanMilliseconds(rounds, [&] { passed += panel->ValidatePanel(); });
    if (passed != rounds) {
        std::fprintf(stderr, "ValidatePanel refused the benchmark image\n");
        return 1;
    }

    const double cpuBefore = CpuSeconds();
    QTest::qWait(5000);
    const double idleCpu = (CpuSeconds() - cpuBefore) / 5.0 * 100.0;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("start to window shown   %8.1f ms\n", shown * 1000.0);
    std::printf("RefreshPanel, full image %7.3f ms (mean of %d)\n", refresh, rounds);
    std::printf("ValidatePanel, full image %6.3f ms (mean of %d)\n", validate, rounds);
    std::printf("idle CPU over 5 s        %7.2f %%\n", idleCpu);
    std::printf("peak memory              %7.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return prompts.boxes.empty() ? 0 : 1;
}
