#pragma once

// A message field: multi-line, upper case, and what is added to it keeps to
// the rule for added text and to the room the six messages have left
// together. What it is given to show (a keyer's or a file's message) is
// shown as it is.

#include <QPlainTextEdit>
#include <functional>

class MessageField : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit MessageField(QWidget* parent = nullptr);

    // The room the six messages have left together, this field's text counted.
    void SetRoomLeft(std::function<int()> roomLeft) { room = std::move(roomLeft); }

    // Shows `text` as it is, with no history to undo.
    void SetKeyerText(const QString& text);

    // What inserting `text` puts in when `room` characters are left.
    static QString CleanForKeyer(const QString& text, int room);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    void NoteChange(int position, int removed, int added);
    void KeepToRule();
    int RoomLeft() const;

    std::function<int()> room;
    // The text added since the rule last looked: [changeStart, changeEnd);
    // changeEnd is -1 when there is none.
    int changeStart = 0;
    int changeEnd = -1;
};
