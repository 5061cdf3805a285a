#pragma once

// A message field: multi-line, upper case, and it holds only characters the
// keyer can store, up to the room the six messages have left together.

#include <QPlainTextEdit>
#include <functional>

class MessageField : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit MessageField(QWidget* parent = nullptr);

    // The characters all six fields hold together.
    void SetTotalCount(std::function<int()> totalCount) { total = std::move(totalCount); }

    // Shows `text`, kept to the field's rule, with no history to undo.
    void SetKeyerText(const QString& text);

    // What inserting `text` may put in when `room` characters are left:
    // upper case, line breaks as spaces, unstorable characters left out.
    static QString CleanForKeyer(const QString& text, int room);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    void NoteChange(int position, int added);
    void KeepToRule();
    int RoomLeft() const;

    std::function<int()> total;
    int changeEnd = -1; // behind the newest text not yet checked; -1: all checked
};

// Whether the keyer can store this character (after upper-casing).
bool IsStorableChar(QChar c);
