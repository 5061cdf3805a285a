#include "panel/EditorPanel.h"

#include "image/MessageCodec.h"
#include "image/Settings.h"
#include "panel/AccessibleLineEdit.h"
#include "panel/LayoutBuilder.h"
#include "panel/MessageField.h"
#include "res/Layouts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int KeyerButtons[] = {Ctl::ReadMV, Ctl::WriteMV, Ctl::TestMV, 1006, 1007, 1008, 1009, 1010, 1011};

// The one list that shows the image from the start, as the keyer's editor did.
constexpr int SidetoneList = 1044;

// A screen reader speaks a notification when it appears. Status texts are
// announced through an invisible one, since a label's changes are heard
// only while it has the focus, which a label never has.
class AnnouncerAccessible : public QAccessibleWidget {
  public:
    explicit AnnouncerAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? widget()->property("announcement").toString() : QString();
    }
};

const char* const AnnouncerName = "announcer";

QAccessibleInterface* AnnouncerFactory(const QString& key, QObject* object)
{
    if (key == QLatin1String("QWidget") && object->objectName() == QLatin1String(AnnouncerName))
        return new AnnouncerAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

EditorPanel::EditorPanel(EepromImage& image, Prompts& prompts, QWidget* parent)
    : QFrame(parent), image(image), prompts(prompts)
{
    // Before any control exists: Qt keeps the first interface it makes.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(AnnouncerFactory);
        QAccessible::installFactory(AccessibleLineEditFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFrameShape(QFrame::StyledPanel);
    setFont(DialogFont());
    const DialogUnits units(font());
    controls = BuildDialog(EditorPanelLayout, this, units);
    setFixedSize(units.ToPixels(EditorPanelLayout.width, EditorPanelLayout.height));

    for (int n = 1; n <= MessageCount; ++n)
        Message(n)->SetTotalCount([this] { return MessageCharCount(); });
    linkStatusDescription = Control(Ctl::LinkStatus)->accessibleDescription();

    announcer = new QWidget(this);
    announcer->setObjectName(QLatin1String(AnnouncerName));
    announcer->setFocusPolicy(Qt::NoFocus);
    announcer->setGeometry(0, 0, 0, 0);
    FillLists();
    Connect();

    timer.setInterval(250);
    connect(&timer, &QTimer::timeout, this, &EditorPanel::Tick);
    timer.start();
}

void EditorPanel::FillLists()
{
    for (const Setting& setting : AllSettings()) {
        if (setting.kind != SettingKind::List)
            continue;
        auto* box = static_cast<QComboBox*>(Control(setting.controlId));
        for (const std::string_view entry : setting.list->entries)
            box->addItem(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
        box->setCurrentIndex(setting.controlId == SidetoneList ? setting.list->shown(image).value_or(-1) : -1);
    }
}

void EditorPanel::Connect()
{
    for (const Setting& setting : AllSettings()) {
        if (setting.kind == SettingKind::List) {
            // `activated` fires on the person's choice only, never when
            // RefreshPanel sets a selection, and also when the shown entry is
            // chosen again.
            auto* box = static_cast<QComboBox*>(Control(setting.controlId));
            connect(box, &QComboBox::activated, this, [this, box, choose = setting.list->choose](int index) {
                choose(image, index);
                // A list changed with the arrow keys is otherwise not heard.
                if (box->hasFocus())
                    Announce(box->currentText());
            });
        } else if (setting.kind == SettingKind::CheckBox) {
            auto* box = static_cast<QCheckBox*>(Control(setting.controlId));
            connect(box, &QCheckBox::clicked, this, [this, box, which = setting.box] {
                // The image holds the state; the mark only shows it.
                ClickCheckBox(image, which);
                box->setChecked(IsChecked(image, which));
            });
        }
    }

    for (int id : KeyerButtons) {
        connect(static_cast<QPushButton*>(Control(id)), &QPushButton::clicked, this,
                [this, id] { emit KeyerButtonPressed(id); });
    }
}

MessageField* EditorPanel::Message(int n) const
{
    return static_cast<MessageField*>(Control(Ctl::FirstMessage + n - 1));
}

QString EditorPanel::Text(int id) const
{
    if (id == Ctl::FileName)
        return fileName;
    if (auto* label = qobject_cast<QLabel*>(Control(id)))
        return label->text();
    if (auto* field = qobject_cast<QLineEdit*>(Control(id)))
        return field->text();
    if (auto* field = qobject_cast<QPlainTextEdit*>(Control(id)))
        return field->toPlainText();
    if (auto* box = qobject_cast<QComboBox*>(Control(id)))
        return box->currentText();
    return {};
}

void EditorPanel::SetText(int id, const QString& text)
{
    if (id == Ctl::FileName)
        ShowFileName(text, QString());
    else if (auto* label = qobject_cast<QLabel*>(Control(id)))
        label->setText(text);
    else if (auto* field = qobject_cast<QLineEdit*>(Control(id)))
        field->setText(text);
    else if (auto* message = qobject_cast<QPlainTextEdit*>(Control(id)))
        static_cast<MessageField*>(message)->SetKeyerText(text);
}

void EditorPanel::Announce(const QString& text)
{
    announcer->setProperty("announcement", text);
    announcer->hide();
    announcer->show();
}

void EditorPanel::ShowStatus(const QString& text)
{
    SetText(Ctl::OperationStatus, text);
    Control(Ctl::OperationStatus)->setToolTip({});
    statusCountdown = StatusTicks;
    Announce(text);
}

void EditorPanel::ShowInterimStatus(const QString& text)
{
    SetText(Ctl::OperationStatus, text);
    Control(Ctl::OperationStatus)->setToolTip({});
    // An earlier status's countdown must not clear this one.
    statusCountdown = 0;
    Announce(text);
}

void EditorPanel::ShowLinkStatus(const QString& text, const QString& reason)
{
    QWidget* status = Control(Ctl::LinkStatus);
    SetText(Ctl::LinkStatus, text);
    status->setToolTip(reason);
    status->setAccessibleDescription(reason.isEmpty() ? linkStatusDescription : reason);
    Announce(reason.isEmpty() ? text : text + QLatin1String(". ") + reason);
}

void EditorPanel::ShowFileName(const QString& text, const QString& path)
{
    auto* label = static_cast<QLabel*>(Control(Ctl::FileName));
    fileName = text;
    // The end (".eep") says most; the middle of a long name gives way, and
    // the "File Name: " in front of it stays.
    const QString prefix = QStringLiteral("File Name: ");
    const QFontMetrics metrics = label->fontMetrics();
    if (text.startsWith(prefix) && metrics.horizontalAdvance(text) > label->width()) {
        const int room = label->width() - metrics.horizontalAdvance(prefix);
        label->setText(prefix + metrics.elidedText(text.mid(prefix.size()), Qt::ElideMiddle, room));
    } else {
        label->setText(metrics.elidedText(text, Qt::ElideMiddle, label->width()));
    }
    label->setToolTip(path);
    // A screen reader gets the whole name, not the shortened one.
    label->setAccessibleName(text);
    label->setAccessibleDescription(path.isEmpty() ? QStringLiteral("File name") : path);
}

void EditorPanel::SetKeyerButtonsEnabled(bool enabled)
{
    for (int id : KeyerButtons)
        Control(id)->setEnabled(enabled);
}

int EditorPanel::MessageCharCount() const
{
    int count = 0;
    for (int n = 1; n <= MessageCount; ++n)
        count += static_cast<int>(Message(n)->toPlainText().size());
    return count;
}

void EditorPanel::Tick()
{
    SetText(Ctl::BytesLeft, QStringLiteral("Msg Bytes Left: %1").arg(MessageAreaSize - MessageCharCount()));
    if (statusCountdown > 0) {
        if (statusCountdown == 1)
            SetText(Ctl::OperationStatus, QString());
        --statusCountdown;
    }
}

void EditorPanel::RefreshPanel()
{
    // Emptied first: each message field keeps to the room the others leave,
    // and the others must not still hold the old image's texts then.
    for (int n = 1; n <= MessageCount; ++n)
        Message(n)->SetKeyerText(QString());
    for (const Setting& setting : AllSettings()) {
        QWidget* control = Control(setting.controlId);
        switch (setting.kind) {
        case SettingKind::CheckBox:
            static_cast<QCheckBox*>(control)->setChecked(IsChecked(image, setting.box));
            break;
        case SettingKind::List:
            // No entry stands for some values (an output nibble without
            // exactly one port bit, say): showing none is better than showing
            // a setting the keyer does not have.
            static_cast<QComboBox*>(control)->setCurrentIndex(setting.list->shown(image).value_or(-1));
            break;
        default:
            SetText(setting.controlId, QString::fromLatin1(ShownText(setting, image)));
            break;
        }
    }
}

int EditorPanel::Refuse(const QString& message)
{
    prompts.ErrorBox(Owner::EditorPanel, message.toStdString());
    return 0;
}

int EditorPanel::ValidatePanel()
{
    FieldTexts texts;
    for (const Setting& setting : AllSettings()) {
        if (setting.kind != SettingKind::CheckBox && setting.kind != SettingKind::List)
            texts[setting.controlId] = Text(setting.controlId).toStdString();
    }
    if (const auto refusal = ValidateSettings(image, texts))
        return Refuse(QString::fromStdString(*refusal));
    return 1;
}
