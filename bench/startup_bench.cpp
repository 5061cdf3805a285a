// Start-up against a bare Qt 6 window: how long from starting a process to
// its window being on the screen, for the editor as main() builds it and for
// a QMainWindow with nothing in it. Runs are paired (bare, editor, bare,
// editor...) so that both meet the same machine; the figures are medians.
// Run as `bench_startup [rounds]`, with QT_QPA_PLATFORM set as for the editor.

#include "qt/EditorProgram.h"
#include "qt/FontWarmer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// Says "shown" on the first exposure of a window, then ends the process.
class ShownReporter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            std::printf("shown\n");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
        return false;
    }
};

int Child(int argc, char* argv[], bool bare)
{
    // As main() does, for the editor; a bare window has no text to warm.
    std::optional<FontWarmer> fonts;
    if (!bare)
        fonts.emplace();
    QApplication app(argc, argv);
    fonts.reset();
    ShownReporter reporter;
    if (bare) {
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("bare"));
        window.resize(556, 455);
        window.winId();
        window.windowHandle()->installEventFilter(&reporter);
        window.show();
        return QApplication::exec();
    }
    PrepareApplication();
    EditorProgram program;
    program.Window().winId();
    program.Window().windowHandle()->installEventFilter(&reporter);
    program.Window().showNormal();
    return QApplication::exec();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Milliseconds from starting the process to its "shown", or -1.
double TimeOne(const QString& program, const QString& mode, const QProcessEnvironment& env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    child.start(program, {mode});
    if (!child.waitForReadyRead(10000))
        return -1;
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished(5000);
    return child.readAllStandardOutput().startsWith("shown") ? ms : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && (std::string(argv[1]) == "--bare" || std::string(argv[1]) == "--editor"))
        return Child(argc, argv, std::string(argv[1]) == "--bare");

    const int rounds = argc == 2 ? std::max(1, std::atoi(argv[1])) : 30;
    QCoreApplication app(argc, argv);
    // The editor's own folders, fresh, so that its first start is measured
    // as a user's later ones are (the settings file then exists).
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    const QString self = QCoreApplication::applicationFilePath();
    TimeOne(self, "--editor", env); // writes the settings file; warms the caches
    TimeOne(self, "--bare", env);

    std::vector<double> bare, editor, ratios;
    for (int i = 0; i < rounds; ++i) {
        const double b = TimeOne(self, "--bare", env);
        const double e = TimeOne(self, "--editor", env);
        if (b <= 0 || e <= 0) {
            std::fprintf(stderr, "a window was never shown\n");
            return 1;
        }
        bare.push_back(b);
        editor.push_back(e);
        ratios.push_back(e / b);
    }
    std::printf("start to window shown, median of %d paired runs\n", rounds);
    std::printf("  bare Qt 6 window  %7.1f ms\n", Median(bare));
    std::printf("  editor            %7.1f ms\n", Median(editor));
    std::printf("  ratio of medians  %7.3f\n", Median(editor) / Median(bare));
    std::printf("  median pair ratio %7.3f\n", Median(ratios));
    return 0;
}
