#include "qt/QtPrompts.h"

#include "keyer/PortNames.h"
#include "qt/Announcer.h"
#include "qt/UnselectedLineEdit.h"
#include "ui/Layouts.h"

#include <QAccessible>
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
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

namespace {

void Box(QWidget* owner, const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(ErrorTitle), QString::fromStdString(text), QMessageBox::Ok, owner);
    box.exec();
}

// Qt 6.4 gives a screen reader no way to learn a closed list's entry: it
// is the list's description, heard with the list when it takes the focus,
// and `announcer` says each move.
void SpeakValue(QComboBox* list, QWidget* announcer)
{
    list->setAccessibleDescription(list->currentText());
    QObject::connect(list, &QComboBox::currentTextChanged, list, [list, announcer](const QString& entry) {
        list->setAccessibleDescription(entry);
        if (list->hasFocus())
            Say(announcer, entry);
    });
}

// A list that takes the focus with a row already current is heard as a
// list of so many items, the row unsaid: it is told once Qt has told of
// the focus.
class TellsCurrentRow : public QObject {
  public:
    explicit TellsCurrentRow(QListWidget* list) : QObject(list), list(list) { list->installEventFilter(this); }

  protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, list, [list = list] {
                if (!list->hasFocus() || list->currentRow() < 0)
                    return;
                QAccessibleEvent focus(list, QAccessible::Focus);
                focus.setChild(list->currentRow());
                QAccessible::updateAccessibility(&focus);
            });
        return false;
    }

  private:
    QListWidget* list;
};

} // namespace

bool QtPrompts::Offer(Owner owner, const std::string& text, const std::string& details, const std::string& action)
{
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(BackupListLayout.caption), QString::fromStdString(text),
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
    dialog.setWindowTitle(QString::fromUtf8(BackupListLayout.caption));
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
    // Heard as its caption says, and with the row that Open would open.
    list->setAccessibleName(QString(label->text()).remove(QLatin1Char('&')));
    new TellsCurrentRow(list);
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
    Box(Resolve(owner), text);
}

void QtPrompts::WarningBox(const std::string& text, const std::string& details)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(ErrorTitle), QString::fromStdString(text), QMessageBox::Ok);
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

std::optional<Prompts::DeviceChoice> QtPrompts::ChooseDevice(const std::vector<std::string>& devices, int port,
                                                             const DeviceRefusal& refusal)
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
    auto* other = new UnselectedLineEdit;
    other->setPlaceholderText(QStringLiteral("/dev/rfcomm0"));
    other->setAccessibleName(QStringLiteral("Other device"));
    auto* browse = new QPushButton(QStringLiteral("&Browse\u2026"));
    auto* otherRow = new QHBoxLayout;
    otherRow->addWidget(other);
    otherRow->addWidget(browse);
    // The caption's mnemonic needs a buddy, which a row of two has not.
    auto* otherCaption = new QLabel(QStringLiteral("&Other device:"));
    otherCaption->setBuddy(other);
    form->addRow(otherCaption, otherRow);
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
    const std::unique_ptr<QWidget> announcer(MakeAnnouncer(main ? main : &dialog));
    SpeakValue(deviceList, announcer.get());
    SpeakValue(portList, announcer.get());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    const auto path = [other] { return QFile::encodeName(other->text().trimmed()).toStdString(); };
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&, other] {
        // Refused here, with the reason, so that the person can mend it.
        if (deviceList->currentIndex() == deviceList->count() - 1) {
            if (const std::string why = refusal(path()); !why.empty()) {
                Box(&dialog, why);
                other->setFocus();
                other->selectAll();
                return;
            }
        }
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted || deviceList->currentIndex() < 0)
        return std::nullopt;
    return DeviceChoice{static_cast<std::size_t>(deviceList->currentIndex()), portList->currentIndex() + 1, path()};
}
