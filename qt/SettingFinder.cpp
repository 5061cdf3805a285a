#include "qt/SettingFinder.h"

#include "image/Settings.h"
#include "qt/EditorPanel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

SettingFinder::SettingFinder(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Go to setting"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Setting:"), this);
    typed = new QLineEdit(this);
    label->setBuddy(typed);
    matches = new QListWidget(this);
    matches->setAccessibleName(QStringLiteral("Matching settings"));
    // The list follows the typing; the keyboard stays in the text.
    matches->setFocusPolicy(Qt::NoFocus);
    said = new QLabel(this);
    said->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(label);
    layout->addWidget(typed);
    layout->addWidget(matches);
    layout->addWidget(said);
    layout->addWidget(buttons);
    connect(typed, &QLineEdit::textChanged, this, &SettingFinder::Match);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(matches, &QListWidget::itemActivated, this, &QDialog::accept);
    Match({});
}

void SettingFinder::Match(const QString& text)
{
    matches->clear();
    for (const Setting* setting : FindSettings(text.trimmed().toStdString()))
        matches->addItem(QString::fromLatin1(setting->name.data(), static_cast<qsizetype>(setting->name.size())));
    matches->setCurrentRow(matches->count() > 0 ? 0 : -1);
    const QString none =
        matches->count() > 0 ? QString() : QStringLiteral("No setting matches \"%1\".").arg(text.trimmed());
    said->setText(none);
    said->setVisible(!none.isEmpty());
    // Where the keyboard is, so that a screen reader tells it.
    typed->setAccessibleDescription(none);
}

QString SettingFinder::Said() const
{
    return said->text();
}

void SettingFinder::accept()
{
    if (matches->count() > 0)
        QDialog::accept();
}

QString SettingFinder::Chosen() const
{
    return matches->currentItem() ? matches->currentItem()->text() : QString();
}

void GoToSetting(EditorPanel& panel, QWidget* parent)
{
    SettingFinder finder(parent);
    if (finder.exec() != QDialog::Accepted)
        return;
    if (const Setting* setting = FindSetting(finder.Chosen().toStdString())) {
        panel.window()->activateWindow();
        panel.Control(setting->id)->setFocus(Qt::ShortcutFocusReason);
    }
}
