#include "qt/AccessibleLineEdit.h"

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QValidator>

namespace {

class AccessibleLineEdit : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
  public:
    explicit AccessibleLineEdit(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? Edit()->text() : QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !Edit()->isReadOnly();
        state.readOnly = Edit()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    // Reading.
    int characterCount() const override { return static_cast<int>(Edit()->text().size()); }
    QString text(int start, int end) const override
    {
        const QString all = Edit()->text();
        if (end < 0 || end > all.size())
            end = static_cast<int>(all.size());
        start = std::clamp(start, 0, end);
        return all.mid(start, end - start);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        return Piece(Clamp(offset), type, start, end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        Piece(Clamp(offset), type, &s, &e);
        return s > 0 ? Piece(s - 1, type, start, end) : None(start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        Piece(Clamp(offset), type, &s, &e);
        return e < characterCount() && e > Clamp(offset) ? Piece(e, type, start, end) : None(start, end);
    }
    QString attributes(int, int* start, int* end) const override
    {
        // One run without attributes over the whole text. A reader builds
        // the line from these runs: runs of no length left it one digit.
        *start = 0;
        *end = characterCount();
        return {};
    }

    // The caret and the selection.
    int cursorPosition() const override { return Edit()->cursorPosition(); }
    void setCursorPosition(int position) override { Edit()->setCursorPosition(Clamp(position)); }
    int selectionCount() const override { return Edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index == 0 && Edit()->hasSelectedText()) {
            *start = Edit()->selectionStart();
            *end = *start + static_cast<int>(Edit()->selectedText().size());
        }
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { Edit()->deselect(); }
    void setSelection(int, int start, int end) override
    {
        Edit()->setSelection(Clamp(start), Clamp(end) - Clamp(start));
    }

    // Where the text is on the screen.
    QRect characterRect(int offset) const override
    {
        const QLineEdit* edit = Edit();
        const QFontMetrics metrics = edit->fontMetrics();
        const QString all = edit->text();
        const int at = Clamp(offset);
        const QRect inside = edit->contentsRect();
        const int x = inside.x() + metrics.horizontalAdvance(all.left(at));
        const int width = at < all.size() ? metrics.horizontalAdvance(all.at(at)) : 1;
        const QRect local(x, inside.y() + (inside.height() - metrics.height()) / 2, width, metrics.height());
        return QRect(edit->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}

    // Editing, through the validator as typing would be.
    void deleteText(int start, int end) override { Put(text(0, start) + text(end, -1)); }
    void insertText(int offset, const QString& inserted) override
    {
        Put(text(0, Clamp(offset)) + inserted + text(Clamp(offset), -1));
    }
    void replaceText(int start, int end, const QString& replacement) override
    {
        Put(text(0, start) + replacement + text(end, -1));
    }

  private:
    QLineEdit* Edit() const { return static_cast<QLineEdit*>(widget()); }
    int Clamp(int offset) const { return std::clamp(offset, 0, characterCount()); }

    static QString None(int* start, int* end)
    {
        *start = *end = -1;
        return {};
    }

    // The character, word or whole line around `offset`. One line only, so
    // sentences, paragraphs and lines are the whole text.
    QString Piece(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const
    {
        const QString all = Edit()->text();
        const int length = static_cast<int>(all.size());
        switch (type) {
        case QAccessible::CharBoundary:
            if (offset >= length)
                return None(start, end);
            *start = offset;
            *end = offset + 1;
            return all.mid(offset, 1);
        case QAccessible::WordBoundary: {
            int s = offset;
            // At the end, or on a space after a word: the word before.
            while (s > 0 && (s == length || all.at(s).isSpace()) && all.at(s - 1).isSpace())
                --s;
            if (s == length && s > 0)
                --s;
            while (s > 0 && !all.at(s - 1).isSpace())
                --s;
            int e = s;
            while (e < length && !all.at(e).isSpace())
                ++e;
            while (e < length && all.at(e).isSpace())
                ++e;
            *start = s;
            *end = e;
            return all.mid(s, e - s);
        }
        default:
            *start = 0;
            *end = length;
            return all;
        }
    }

    void Put(const QString& wanted)
    {
        QString candidate = wanted;
        int position = static_cast<int>(candidate.size());
        if (const QValidator* validator = Edit()->validator();
            validator && validator->validate(candidate, position) == QValidator::Invalid)
            return;
        Edit()->setText(candidate);
    }
};

} // namespace

QAccessibleInterface* AccessibleLineEditFactory(const QString& className, QObject* object)
{
    // A spin box's text part is its box's to describe.
    if (className == QLatin1String("QLineEdit") && object->objectName() != QLatin1String("qt_spinbox_lineedit"))
        return new AccessibleLineEdit(static_cast<QLineEdit*>(object));
    return nullptr;
}
