#include "panel/MessageField.h"

#include "image/MessageCodec.h"

#include <QKeyEvent>
#include <QMimeData>

bool IsStorableChar(QChar c)
{
    return c.unicode() < 128 && IsStorable(static_cast<char>(c.unicode()));
}

MessageField::MessageField(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true); // Tab moves on; a tab is no Morse character
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int MessageField::RoomLeft() const
{
    const int used = total ? total() : static_cast<int>(toPlainText().size());
    const int replaced = static_cast<int>(textCursor().selectedText().size());
    return MessageAreaSize - used + replaced;
}

QString MessageField::CleanForKeyer(const QString& text, int room)
{
    QString clean;
    QString source = text;
    source.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar c : source) {
        if (clean.size() >= room)
            break;
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
        c = c.toUpper();
        if (IsStorableChar(c))
            clean.append(c);
    }
    return clean;
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
        if (!IsStorableChar(c))
            return;
    }
    if (upper.size() > RoomLeft())
        return;
    insertPlainText(upper);
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
