#pragma once

#include <QAccessible>
#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QWidget>

// Notes what a notification says each time it appears: what a screen
// reader speaks. (The offscreen platform has no accessibility bus to watch.)
class Announcements : public QObject {
  public:
    explicit Announcements(QWidget* panel)
    {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(panel);
        for (int i = 0; i < iface->childCount(); ++i) {
            if (iface->child(i)->role() == QAccessible::Notification)
                notification = iface->child(i);
        }
        if (notification)
            notification->object()->installEventFilter(this);
    }
    QAccessibleInterface* notification = nullptr;
    QStringList heard;

  protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            heard << notification->text(QAccessible::Name);
        return false;
    }
};
