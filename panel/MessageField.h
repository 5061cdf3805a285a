#pragma once

// A message field: multi-line, upper case, and it takes only characters the
// keyer can store, up to the room the six messages have left together.

#include <QPlainTextEdit>
#include <functional>

class MessageField : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit MessageField(QWidget* parent = nullptr);

    // The characters all six fields hold together.
    void SetTotalCount(std::function<int()> totalCount) { total = std::move(totalCount); }

    // What a paste of `text` would insert when `room` characters are left:
    // upper case, line breaks as spaces, unstorable characters left out.
    static QString CleanForKeyer(const QString& text, int room);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    int RoomLeft() const;
    std::function<int()> total;
};

// Whether the keyer can store this character (after upper-casing).
bool IsStorableChar(QChar c);
