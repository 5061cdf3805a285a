#pragma once

#include <QFocusEvent>
#include <QLineEdit>

// A line edit that takes the focus without selecting its text. Tabbing
// into a line edit selects its text before the screen reader hears of the
// focus: it then speaks the selection ("selected", "unselected") on top of
// the field, cut short, and nothing at all for an empty field. Here the text
// is not selected, and the field is announced as any other. Number fields,
// the text part of the editable lists and the typed device path are made of
// it.
class UnselectedLineEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

  protected:
    void focusInEvent(QFocusEvent* event) override
    {
        const bool tabbed = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(tabbed ? &plain : event);
    }
};
