#pragma once

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <vector>

// While it lives, notes each accessibility event the program sends a
// screen reader: its object, type and child (-1: the object itself). The
// offscreen platform has no accessibility bus; Qt's private hook stands in.
class SentToReader {
  public:
    struct Event {
        QObject* object;
        QAccessible::Event type;
        int child;
    };

    SentToReader()
    {
        Sent().clear();
        QAccessible::installUpdateHandler(Note);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~SentToReader()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    }
    SentToReader(const SentToReader&) = delete;
    SentToReader& operator=(const SentToReader&) = delete;

    const std::vector<Event>& Events() const { return Sent(); }

  private:
    static std::vector<Event>& Sent()
    {
        static std::vector<Event> sent;
        return sent;
    }
    static void Note(QAccessibleEvent* event) { Sent().push_back({event->object(), event->type(), event->child()}); }
};
