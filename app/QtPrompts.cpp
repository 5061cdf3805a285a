#include "app/QtPrompts.h"

#include "keyer/PortNames.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

bool QtPrompts::Offer(Owner owner, const std::string& text, const std::string& details, const std::string& action)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Open Backup"), QString::fromStdString(text),
                    QMessageBox::Cancel, Resolve(owner));
    box.setInformativeText(QString::fromStdString(details));
    QPushButton* take = box.addButton(QString::fromStdString(action), QMessageBox::AcceptRole);
    box.setDefaultButton(take);
    box.exec();
    return box.clickedButton() == take;
}

std::optional<std::size_t> QtPrompts::ChooseBackup(const std::vector<std::string>& rows,
                                                   const std::vector<std::string>& leftOut)
{
    QDialog dialog(main);
    dialog.setWindowTitle(QStringLiteral("Open Backup"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(QStringLiteral("&Backups, newest first:"), &dialog);
    auto* list = new QListWidget(&dialog);
    label->setBuddy(list);
    int widest = 0;
    for (const std::string& row : rows) {
        list->addItem(QString::fromStdString(row));
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(QString::fromStdString(row)));
    }
    list->setCurrentRow(0);
    // Each row whole, nothing cut short.
    list->setMinimumWidth(std::min(widest + 40, 1000));
    list->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    if (!leftOut.empty()) {
        QStringList said;
        for (const std::string& sentence : leftOut)
            said << QString::fromStdString(sentence);
        auto* note = new QLabel(QStringLiteral("Not listed: ") + said.join(QLatin1Char(' ')), &dialog);
        note->setWordWrap(true);
        note->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        // Heard with the list, not only seen under it.
        list->setAccessibleDescription(note->text());
        layout->addWidget(note);
    }
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return std::nullopt;
    return static_cast<std::size_t>(list->currentRow());
}

void QtPrompts::ErrorBox(Owner owner, const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), QString::fromStdString(text), QMessageBox::Ok,
                    Resolve(owner));
    box.exec();
}

void QtPrompts::WarningBox(const std::string& text, const std::string& details)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), QString::fromStdString(text), QMessageBox::Ok);
    box.setInformativeText(QString::fromStdString(details));
    // No owner, so nothing is blocked: the panel's lists and boxes stay
    // usable while the box waits. exec() would block every window.
    box.setWindowModality(Qt::NonModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    box.show();
    loop.exec();
}

std::optional<std::string> QtPrompts::Choose(Owner owner, bool save, const std::string& folder)
{
    QFileDialog dialog(Resolve(owner));
    if (!folder.empty())
        dialog.setDirectory(QFile::decodeName(folder.c_str()));
    dialog.setNameFilters({QStringLiteral("EEPROM Files (*.eep)"), QStringLiteral("All Documents (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("eep"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The file is replaced safely (a new file renamed over the old), and the
    // keyer's editor never asked; keep that.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

std::optional<std::string> QtPrompts::ChooseOpenFile(Owner owner, const std::string& folder)
{
    return Choose(owner, false, folder);
}
std::optional<std::string> QtPrompts::ChooseSaveFile(Owner owner)
{
    return Choose(owner, true);
}

std::optional<Prompts::DeviceChoice> QtPrompts::ChooseDevice(const std::vector<std::string>& devices, int port)
{
    QDialog dialog(main);
    dialog.setWindowTitle(QStringLiteral("Assign device"));
    auto* form = new QFormLayout(&dialog);
    auto* explanation = new QLabel(QStringLiteral("The port you choose opens this device from now on, "
                                                  "through a link in the editor's configuration folder."));
    explanation->setWordWrap(true);
    form->addRow(explanation);
    auto* deviceList = new QComboBox;
    for (const std::string& device : devices)
        deviceList->addItem(QString::fromStdString(device));
    deviceList->addItem(QStringLiteral("Other device\u2026"));
    form->addRow(QStringLiteral("&Device:"), deviceList);
    // A device Qt does not list (Bluetooth, another ttyS, a virtual port).
    auto* other = new QLineEdit;
    other->setPlaceholderText(QStringLiteral("/dev/rfcomm0"));
    auto* browse = new QPushButton(QStringLiteral("&Browse\u2026"));
    auto* otherRow = new QHBoxLayout;
    otherRow->addWidget(other);
    otherRow->addWidget(browse);
    form->addRow(QStringLiteral("&Other device:"), otherRow);
    const auto showOther = [=](int index) {
        const bool wanted = index == deviceList->count() - 1;
        other->setEnabled(wanted);
        browse->setEnabled(wanted);
    };
    showOther(devices.empty() ? 0 : -1);
    QObject::connect(deviceList, &QComboBox::currentIndexChanged, &dialog, showOther);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, other] {
        QFileDialog chooser(&dialog, QStringLiteral("Other device"), QStringLiteral("/dev"));
        chooser.setFileMode(QFileDialog::ExistingFile);
        chooser.setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        chooser.setOption(QFileDialog::DontResolveSymlinks);
        if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
            other->setText(chooser.selectedFiles().front());
    });
    auto* portList = new QComboBox;
    for (int n = 1; n <= PortCount; ++n)
        portList->addItem(QString::fromStdString(PortLabel(n)));
    portList->setCurrentIndex(port >= 1 && port <= PortCount ? port - 1 : 0);
    form->addRow(QStringLiteral("&Port:"), portList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted || deviceList->currentIndex() < 0)
        return std::nullopt;
    return DeviceChoice{static_cast<std::size_t>(deviceList->currentIndex()), portList->currentIndex() + 1,
                        QFile::encodeName(other->text().trimmed()).toStdString()};
}
