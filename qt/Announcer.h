#pragma once

// A screen reader speaks a notification when it appears. What the program
// tells of itself (statuses, a list's new entry) is said through an
// invisible one, since a label's changes are heard only while it has the
// focus, which a label never has.

class QAccessibleInterface;
class QObject;
class QString;
class QWidget;

// An invisible notification in `parent`, which says nothing until told.
// A screen reader says the dialog around a notification before it, so a
// dialog's announcer belongs to the window the dialog belongs to.
QWidget* MakeAnnouncer(QWidget* parent);

// Has `announcer` say `text` now.
void Say(QWidget* announcer, const QString& text);

// For the accessibility factory list: what makes an announcer a notification.
QAccessibleInterface* AnnouncerFactory(const QString& key, QObject* object);
