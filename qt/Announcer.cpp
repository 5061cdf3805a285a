#include "qt/Announcer.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

class AnnouncerAccessible : public QAccessibleWidget {
  public:
    explicit AnnouncerAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? widget()->property("announcement").toString() : QString();
    }
};

const char* const AnnouncerName = "announcer";

} // namespace

QWidget* MakeAnnouncer(QWidget* parent)
{
    auto* announcer = new QWidget(parent);
    announcer->setObjectName(QLatin1String(AnnouncerName));
    announcer->setFocusPolicy(Qt::NoFocus);
    announcer->setGeometry(0, 0, 0, 0);
    announcer->hide(); // a notification that appears says itself, empty or not
    return announcer;
}

void Say(QWidget* announcer, const QString& text)
{
    announcer->setProperty("announcement", text);
    announcer->hide();
    announcer->show();
}

QAccessibleInterface* AnnouncerFactory(const QString& key, QObject* object)
{
    if (key == QLatin1String("QWidget") && object->objectName() == QLatin1String(AnnouncerName))
        return new AnnouncerAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
