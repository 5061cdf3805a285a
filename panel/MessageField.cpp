#include "panel/MessageField.h"

#include "image/MessageCodec.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

bool IsStorableChar(QChar c)
{
    return c.unicode() < 128 && IsStorable(static_cast<char>(c.unicode()));
}

namespace {

bool IsLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The character the field keeps for `c`, or a null character to drop it.
QChar KeptAs(QChar c)
{
    if (IsLineBreak(c))
        return u' ';
    c = c.toUpper();
    return IsStorableChar(c) ? c : QChar();
}

} // namespace

MessageField::MessageField(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true); // Tab moves on; a tab is no Morse character
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every way text gets in (keys, paste, drop, undo, input methods, the
    // accessibility bus) changes the document, so the rule is kept there.
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { NoteChange(position, added); });
}

int MessageField::RoomLeft() const
{
    const int used = total ? total() : static_cast<int>(toPlainText().size());
    const int replaced = static_cast<int>(textCursor().selectedText().size());
    return MessageAreaSize - used + replaced;
}

QString MessageField::CleanForKeyer(const QString& text, int room)
{
    // Qt's own line and paragraph separators are line breaks too.
    QString source = text;
    source.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    return QString::fromLatin1(CleanMessageText(source.toStdString(), room));
}

void MessageField::NoteChange(int position, int added)
{
    const bool pending = changeEnd >= 0;
    changeEnd = std::max(changeEnd, position + added);
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
    int end = std::min(changeEnd, length);
    changeEnd = -1;

    QTextCursor cursor(doc);
    bool mended = false;
    cursor.beginEditBlock();
    for (int i = length - 1; i >= 0; --i) {
        const QChar c = doc->characterAt(i);
        const QChar kept = KeptAs(c);
        if (kept == c)
            continue;
        cursor.setPosition(i);
        cursor.setPosition(i + 1, QTextCursor::KeepAnchor);
        cursor.insertText(kept.isNull() ? QString() : QString(kept));
        if (kept.isNull() && i < end)
            --end;
        mended = true;
    }
    // Too much for the room left: the newest text gives way, from its end.
    const int others = total ? total() - (doc->characterCount() - 1) : 0;
    int excess = others + doc->characterCount() - 1 - MessageAreaSize;
    if (excess > 0) {
        const int from = std::max(0, end - excess);
        cursor.setPosition(from);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        excess -= end - from;
        if (excess > 0) {
            cursor.movePosition(QTextCursor::End);
            cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, excess);
            cursor.removeSelectedText();
        }
        mended = true;
    }
    cursor.endEditBlock();
    changeEnd = -1; // our own edits need no second look
    // Undoing the mending would bring back what the rule keeps out, and the
    // rule would mend it again, for ever: start the history afresh instead.
    if (mended)
        doc->clearUndoRedoStacks();
}

void MessageField::SetKeyerText(const QString& text)
{
    setPlainText(text);
    KeepToRule();
}

void MessageField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // a line break cannot be stored
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
    const QString upper = text.toUpper();
    for (QChar c : upper) {
        // Typed characters without a Morse code are dropped, "!" among them.
        if (!IsStorableChar(c) || MorseCodeFor(static_cast<char>(c.unicode())) == NoMorseCode)
            return;
    }
    if (upper.size() > RoomLeft())
        return;
    insertPlainText(upper);
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
    const QString clean = CleanForKeyer(source->text(), RoomLeft());
    if (!clean.isEmpty() || textCursor().hasSelection())
        insertPlainText(clean);
}
