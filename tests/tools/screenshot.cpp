// Renders the main window, filled from a sample image, to a PNG file.
// Usage: mv2shot OUTPUT.png   (QT_SCALE_FACTOR picks the density)

#include "qt/AboutBox.h"
#include "qt/MainWindow.h"
#include "qt/WindowSize.h"
#include "image/MessageCodec.h"
#include "keyer/qt/QtSerialChannel.h"
#include "qt/EditorPanel.h"
#include "paths/Paths.h"
#include "support/RecordingPrompts.h"
#include "support/SampleImage.h"

#include <QApplication>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InstallPanelAccessibility();
    if (argc != 2) {
        QTextStream(stderr) << "usage: mv2shot OUTPUT.png\n";
        return 2;
    }
    QTemporaryDir config;
    AppPaths paths;
    paths.configFolder = config.path().toStdString();
    paths.portSettingsPath = config.filePath(QStringLiteral("mv2mgr.cfg")).toStdString();
    paths.osFamily = "Linux";
    RecordingPrompts prompts;
    QtSerialChannel channel(paths.configFolder);
    MainWindow window(paths, prompts, channel, 3);

    EepromImage& image = window.Image();
    image = SampleSettingsImage();
    PackMessages(image, {"CQ CQ CQ DE DL1ABC DL1ABC K", "TNX FER QSO 73", "UR RST 599 599", "", "QRZ?", "DE DL1ABC"});
    window.Panel()->RefreshPanel();
    // The keyer was read before Weight and the sidetone were changed: both
    // are marked.
    EepromImage held = image;
    held[4] = 55;
    held[3] = 8;
    window.Panel()->SetKeyerHolds(held);
    window.Panel()->SetText(ControlId::LinkStatus, QStringLiteral("MV Open, F/W revision 23"));
    window.Panel()->SetText(ControlId::PotVal, QStringLiteral("128"));
    window.Panel()->SetText(ControlId::PbVal, QStringLiteral("0"));
    window.Panel()->ShowStatus(QStringLiteral("Done"));
    window.Panel()->SetText(ControlId::FileName, QStringLiteral("File Name: contest.eep"));
    window.Panel()->Tick();
    window.show();
    QApplication::processEvents();

    AboutBox about(QString::fromStdString(paths.osFamily), &window);
    about.show();
    QApplication::processEvents();
    QString aboutPath = QString::fromLocal8Bit(argv[1]);
    aboutPath.replace(QLatin1String(".png"), QLatin1String("-about.png"));
    about.grab().save(aboutPath);
    about.hide();

    const QPixmap shot = window.grab();
    QTextStream(stdout) << "density " << ScreenDensity(window.screen()) << ", window " << window.width() << "x"
                        << window.height() << ", panel " << window.Panel()->width() << "x" << window.Panel()->height()
                        << "\n";
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
