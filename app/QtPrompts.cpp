#include "app/QtPrompts.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>

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

std::optional<std::string> QtPrompts::Choose(Owner owner, bool save)
{
    QFileDialog dialog(Resolve(owner));
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

std::optional<std::string> QtPrompts::ChooseOpenFile(Owner owner)
{
    return Choose(owner, false);
}
std::optional<std::string> QtPrompts::ChooseSaveFile(Owner owner)
{
    return Choose(owner, true);
}
