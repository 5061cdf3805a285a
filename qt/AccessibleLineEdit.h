#pragma once

// What a screen reader sees of a single-line edit field. Qt 6.4's own answer
// to "which word (or sentence) is at the end of the text" loops for ever and
// freezes the program, in the panel and in the file choosers alike; this one
// answers every question about the text, and puts typed text through the
// field's validator as keys would.

class QAccessibleInterface;
class QObject;
class QString;

// For the accessibility factory list: the interface of every QLineEdit
// made after it is installed (Qt keeps the first interface it makes for a
// widget, so it must be installed before the first line edit exists).
QAccessibleInterface* AccessibleLineEditFactory(const QString& className, QObject* object);
