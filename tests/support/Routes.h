#pragma once

// Puts text into a message field the ways text arrives other than by keys:
// "paste", "drop", "input method" and "accessibility" (a screen reader's
// insert, at the cursor, over the selection).

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>

inline void AddThrough(const QString& route, QPlainTextEdit* field, const QString& text)
{
    QMimeData mime;
    mime.setText(text);
    if (route == "paste") {
        QApplication::clipboard()->setText(text);
        field->paste();
    } else if (route == "drop") {
        const QPoint at = field->viewport()->rect().bottomRight() - QPoint(2, 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field->viewport(), &drop);
    } else if (route == "input method") {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(field, &event);
    } else if (route == "accessibility") {
        auto* editable = QAccessible::queryAccessibleInterface(field)->editableTextInterface();
        const QTextCursor cursor = field->textCursor();
        if (cursor.hasSelection())
            editable->replaceText(cursor.selectionStart(), cursor.selectionEnd(), text);
        else
            editable->insertText(cursor.position(), text);
    }
}
