#pragma once

// What a screen reader sees of a single-line edit field. Qt 6.4's own answer
// to "which word (or sentence) is at the end of the text" loops for ever and
// freezes the program; this one answers every question about the text, and
// puts typed text through the field's validator as keys would.

#include <QLineEdit>

class QAccessibleInterface;

// The panel's line edits. A class of its own, since Qt asks the factories
// for a class's own name first and its built-in answer for "QLineEdit" wins.
class PanelLineEdit : public QLineEdit {
    Q_OBJECT

  public:
    using QLineEdit::QLineEdit;
};

// For the accessibility factory list: the interface of a PanelLineEdit.
QAccessibleInterface* AccessibleLineEditFactory(const QString& className, QObject* object);
