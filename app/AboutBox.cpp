#include "app/AboutBox.h"

#include "panel/LayoutBuilder.h"
#include "res/Layouts.h"

#include <QLabel>
#include <QPushButton>

QString VersionLine()
{
    // __TIME__ and __DATE__ have exactly the forms "09:38:27" and "Jan  4 2007".
    return QStringLiteral("Ver %1, Built %2, %3")
        .arg(QStringLiteral("2.8"), QStringLiteral(__TIME__), QStringLiteral(__DATE__));
}

AboutBox::AboutBox(const QString& osFamily, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QString::fromUtf8(AboutBoxLayout.caption));
    setFont(DialogFont());
    const DialogUnits units(font());
    const auto controls = BuildDialog(AboutBoxLayout, this, units);
    setFixedSize(units.ToPixels(AboutBoxLayout.width, AboutBoxLayout.height));
    version = controls.value(202);
    system = controls.value(208);
    static_cast<QLabel*>(version)->setText(VersionLine());
    static_cast<QLabel*>(system)->setText(QStringLiteral("Operating System is %1").arg(osFamily));
    auto* ok = static_cast<QPushButton*>(controls.value(1));
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    ok->setFocus();
}

QString AboutBox::Line(int id) const
{
    const QWidget* w = id == 202 ? version : system;
    return static_cast<const QLabel*>(w)->text();
}
