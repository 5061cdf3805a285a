#include "qt/MessageField.h"

#include "image/MessageCodec.h"
#include "image/MessageText.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

MessageField::MessageField(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true); // Tab moves on; a tab is no Morse character
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every way text gets in (keys, paste, drop, undo, input methods, the
    // accessibility bus) changes the document, so the rule is kept there.
    connect(document(), &QTextDocument::contentsChange, this, &MessageField::NoteChange);
}

int MessageField::RoomLeft() const
{
    const int left = room ? room() : MessageAreaSize - static_cast<int>(toPlainText().size());
    return left + static_cast<int>(textCursor().selectedText().size());
}

QString MessageField::CleanForKeyer(const QString& text, int room)
{
    return QString::fromLatin1(TakeAddedText(text.toStdString(), room).text);
}

void MessageField::NoteChange(int position, int removed, int added)
{
    const bool pending = changeEnd >= 0;
    if (!pending) {
        changeStart = position;
        changeEnd = position + added;
    } else {
        // Text behind an earlier change moved with this one.
        if (changeEnd > position)
            changeEnd = std::max(position, changeEnd - removed) + added;
        changeStart = std::min(changeStart, position);
        changeEnd = std::max(changeEnd, position + added);
    }
    // The document is still inside its own edit (an undo, say) while it
    // reports it, so the mending waits until that edit is over.
    if (!pending)
        QMetaObject::invokeMethod(this, &MessageField::KeepToRule, Qt::QueuedConnection);
}

void MessageField::KeepToRule()
{
    if (changeEnd < 0)
        return;
    QTextDocument* doc = document();
    const int length = doc->characterCount() - 1; // without the closing separator
    const int start = std::clamp(changeStart, 0, length);
    const int end = std::clamp(changeEnd, start, length);
    changeEnd = -1;
    if (start == end)
        return;

    QTextCursor cursor(doc);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    // QTextCursor gives line breaks as paragraph separators.
    const QString added = cursor.selectedText();
    const int roomForAdded = (room ? room() : MessageAreaSize - length) + static_cast<int>(added.size());
    const QString kept = CleanForKeyer(added, roomForAdded);
    if (kept == added)
        return;
    cursor.insertText(kept);
    changeEnd = -1; // our own edit needs no second look
    // Undoing the mending would bring back what the rule keeps out, and the
    // rule would mend it again, for ever: start the history afresh instead.
    doc->clearUndoRedoStacks();
}

void MessageField::SetKeyerText(const QString& text)
{
    setPlainText(text);
    changeEnd = -1; // shown as it is: the rule is for what is added
}

void MessageField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // a line break cannot be stored
        return;
    }
    // Alt and a letter is a button's or a menu's key, never text.
    if ((event->modifiers() & Qt::AltModifier) && !(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const QString text = event->text();
    const bool typesCharacter = !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127 &&
                                !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (!typesCharacter) {
        QPlainTextEdit::keyPressEvent(event); // editing keys and shortcuts
        return;
    }
    event->accept();
    // Typed text is taken whole or not at all.
    if (const auto typed = TypedText(text.toStdString(), RoomLeft()))
        insertPlainText(QString::fromLatin1(*typed));
}

void MessageField::inputMethodEvent(QInputMethodEvent* event)
{
    // Composed text arrives here, not as keys: clean it on the way in, so the
    // history keeps the clean text rather than a mended one.
    if (event->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent clean(event->preeditString(), event->attributes());
    clean.setCommitString(CleanForKeyer(event->commitString(), RoomLeft()), event->replacementStart(),
                          event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&clean);
    event->accept();
}

bool MessageField::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasText();
}

void MessageField::insertFromMimeData(const QMimeData* source)
{
    if (!source->hasText())
        return;
    if (const auto pasted = PastedText(source->text().toStdString(), RoomLeft()))
        insertPlainText(QString::fromLatin1(*pasted));
}
