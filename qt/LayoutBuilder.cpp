#include "qt/LayoutBuilder.h"

#include "qt/MessageField.h"
#include "qt/UnselectedLineEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    charWidth = metrics.averageCharWidth();
    charHeight = metrics.height();
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const
{
    // Convert corners rather than sizes, so neighbouring controls stay flush.
    const int left = x * charWidth / 4;
    const int top = y * charHeight / 8;
    const int right = (x + width) * charWidth / 4;
    const int bottom = (y + height) * charHeight / 8;
    return {left, top, right - left, bottom - top};
}

QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

namespace {

// The text part of an editable list: what is typed there changes nothing.
// Enter would pick the entry the text matches, so it only puts the shown
// entry back, as leaving the list does.
class TypedTextChangesNothing : public QObject {
  public:
    explicit TypedTextChangesNothing(QComboBox* box) : QObject(box), box(box) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
        const bool enter = key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::FocusOut)
            box->lineEdit()->setText(box->itemText(box->currentIndex()));
        return enter || QObject::eventFilter(watched, event);
    }

  private:
    QComboBox* box;
};

QWidget* MakeControl(const ControlSpec& c, QWidget* parent)
{
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::Label:
    case ControlKind::Text:
        return new QLabel(text, parent);
    case ControlKind::CenteredLabel:
    case ControlKind::CenteredText: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    case ControlKind::MessageField:
        return new MessageField(parent);
    case ControlKind::NumberField: {
        auto* field = new UnselectedLineEdit(parent);
        // Three digits at most, typed or pasted. No maxLength: it would cut a
        // pasted 25000 to an acceptable 250, where the validator refuses it.
        field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), field));
        field->setTextMargins(0, 0, 0, 0);
        return field;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::PushButton:
    case ControlKind::DefaultButton: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        button->setDefault(c.kind == ControlKind::DefaultButton);
        return button;
    }
    case ControlKind::EditableDropDown:
    case ControlKind::DropDownList: {
        auto* box = new QComboBox(parent);
        if (c.kind == ControlKind::EditableDropDown) {
            // Given its line edit, the box is editable; setEditable(true)
            // would first make one of its own, and a completer, for nothing.
            box->setLineEdit(new UnselectedLineEdit(box));
            box->setInsertPolicy(QComboBox::NoInsert);
            box->setCompleter(nullptr); // it would turn a typed "v" into VibroBug
            box->lineEdit()->installEventFilter(new TypedTextChangesNothing(box));
        }
        return box;
    }
    case ControlKind::IconArea:
        return new QLabel(parent);
    case ControlKind::ListBox:
        return new QListWidget(parent);
    case ControlKind::WrappedText: {
        auto* label = new QLabel(text, parent);
        label->setWordWrap(true);
        return label;
    }
    case ControlKind::ReadOnlyText: {
        auto* shown = new QPlainTextEdit(text, parent);
        shown->setReadOnly(true);
        return shown;
    }
    }
    return new QWidget(parent);
}

} // namespace

DialogControls BuildDialog(const DialogSpec& layout, QWidget* parent, const DialogUnits& units)
{
    DialogControls byId;
    QHash<QString, QGroupBox*> groups;
    QList<QPair<QLabel*, const ControlSpec*>> buddies;
    QWidget* previousFocusable = nullptr;
    for (const ControlSpec& c : layout.controls) {
        QWidget* w = MakeControl(c, parent);
        QRect rect = units.ToPixels(c.x, c.y, c.width, c.height);
        if (c.kind == ControlKind::EditableDropDown || c.kind == ControlKind::DropDownList) {
            // The table's height is the opened list's; the closed box keeps its own.
            rect.setHeight(w->sizeHint().height());
        }
        const QString name = QString::fromUtf8(c.accessible ? c.accessible : "");
        if (auto* group = qobject_cast<QGroupBox*>(w))
            groups.insert(group->title(), group);
        // A list sits in the group box of its name, which then labels it for
        // a screen reader; a bare name would be read as the chosen entry.
        if (QGroupBox* group = groups.value(name)) {
            w->setParent(group);
            rect.translate(-group->pos());
        }
        w->setGeometry(rect);
        if (c.id != ControlId::None) {
            byId.Add(c.id, w);
            w->setObjectName(QStringLiteral("control%1").arg(static_cast<int>(c.id)));
        }
        if (c.accessible)
            w->setAccessibleName(name);
        if (auto* box = qobject_cast<QComboBox*>(w); box && box->lineEdit())
            box->lineEdit()->setAccessibleName(name);
        if (c.description && c.buddy == ControlId::None)
            w->setAccessibleDescription(QString::fromUtf8(c.description));
        if (c.buddy != ControlId::None)
            buddies.append({static_cast<QLabel*>(w), &c});
        if (w->focusPolicy() != Qt::NoFocus) {
            if (previousFocusable)
                QWidget::setTabOrder(previousFocusable, w);
            previousFocusable = w;
        }
    }
    for (const auto& [label, c] : buddies) {
        if (QWidget* target = byId.Widget(c->buddy)) {
            label->setBuddy(target);
            // A text the program writes is read by what it shows; the label
            // still names it, through the buddy relation.
            if (target->accessibleName().isEmpty() && !qobject_cast<QLabel*>(target))
                target->setAccessibleName(label->text());
            if (c->description)
                target->setAccessibleDescription(QString::fromUtf8(c->description));
        }
    }
    return byId;
}
