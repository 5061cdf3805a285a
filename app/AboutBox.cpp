#include "app/AboutBox.h"

#include "panel/LayoutBuilder.h"
#include "res/Layouts.h"

#include <QLabel>
#include <QPushButton>
#include <Version.h>

QString VersionLine()
{
    // __TIME__ and __DATE__ have exactly the forms "09:38:27" and "Jan  4 2007".
    return QStringLiteral("Ver %1, Built %2, %3")
        .arg(QString::fromLatin1(ProgramVersion), QStringLiteral(__TIME__), QStringLiteral(__DATE__));
}

AboutBox::AboutBox(const QString& osFamily, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QString::fromUtf8(AboutBoxLayout.caption));
    setFont(DialogFont());
    const DialogUnits units(font());
    const auto controls = BuildDialog(AboutBoxLayout, this, units);
    setFixedSize(units.ToPixels(AboutBoxLayout.width, AboutBoxLayout.height));
    version = controls.As<QLabel>(ControlId::AboutVersion);
    system = controls.As<QLabel>(ControlId::AboutSystem);
    version->setText(VersionLine());
    system->setText(QStringLiteral("Operating System is %1").arg(osFamily));
    auto* ok = controls.As<QPushButton>(ControlId::AboutOk);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    ok->setFocus();
}

QString AboutBox::Line(ControlId id) const
{
    return (id == ControlId::AboutVersion ? version : system)->text();
}
