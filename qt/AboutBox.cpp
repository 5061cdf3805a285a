#include "qt/AboutBox.h"

#include "ui/PanelRules.h"
#include "qt/LayoutBuilder.h"
#include "ui/Layouts.h"

#include <QLabel>
#include <QPushButton>

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
    version->setText(QString::fromStdString(VersionLine()));
    system->setText(QString::fromStdString(SystemLine(osFamily.toStdString())));
    auto* ok = controls.As<QPushButton>(ControlId::AboutOk);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    ok->setFocus();
}

QString AboutBox::Line(ControlId id) const
{
    return (id == ControlId::AboutVersion ? version : system)->text();
}
