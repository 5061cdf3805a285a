#include "qt/EditorPanel.h"

#include "image/MessageCodec.h"
#include "image/Settings.h"
#include "keyer/Operations.h"
#include "qt/AccessibleLineEdit.h"
#include "qt/Announcer.h"
#include "qt/LayoutBuilder.h"
#include "qt/MessageField.h"
#include "ui/Layouts.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

namespace {

constexpr ControlId KeyerButtons[] = {ControlId::ReadMV, ControlId::WriteMV, ControlId::TestMV,
                                      ControlId::Test1,  ControlId::Test2,   ControlId::Test3,
                                      ControlId::Test4,  ControlId::Test5,   ControlId::Test6};

// The one list that shows the image from the start, as the keyer's editor did.
constexpr ControlId SidetoneList = ControlId::Sidetone;

} // namespace

void InstallPanelAccessibility()
{
    QAccessible::installFactory(AnnouncerFactory);
    QAccessible::installFactory(AccessibleLineEditFactory);
}

EditorPanel::EditorPanel(EepromImage& image, Prompts& prompts, QWidget* parent)
    : QFrame(parent), image(image), prompts(prompts)
{
    setFrameShape(QFrame::StyledPanel);
    setFont(DialogFont());
    const DialogUnits units(font());
    controls = BuildDialog(EditorPanelLayout, this, units);
    setFixedSize(units.ToPixels(EditorPanelLayout.width, EditorPanelLayout.height));

    for (int n = 1; n <= MessageCount; ++n)
        Message(n)->SetRoomLeft([this] { return MessageRoomLeft(Messages()); });
    linkStatusDescription = Control(ControlId::LinkStatus)->accessibleDescription();

    announcer = MakeAnnouncer(this);
    FillLists();
    Connect();
    MakeMarks();

    announceTimer.setSingleShot(true);
    announceTimer.setInterval(AnnounceDelayMs);
    connect(&announceTimer, &QTimer::timeout, this, &EditorPanel::SpeakPending);

    timer.setInterval(250);
    connect(&timer, &QTimer::timeout, this, &EditorPanel::Tick);
    timer.start();
}

void EditorPanel::FillLists()
{
    for (const Setting& setting : AllSettings()) {
        const ListSetting* list = setting.List();
        if (!list)
            continue;
        auto* box = ControlAs<QComboBox>(setting.id);
        for (const std::string_view entry : list->entries)
            box->addItem(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
        box->setCurrentIndex(setting.id == SidetoneList ? list->shown(image).value_or(-1) : -1);
    }
}

void EditorPanel::Connect()
{
    for (const Setting& setting : AllSettings()) {
        if (const ListSetting* list = setting.List()) {
            // `activated` fires on the person's choice only, never when
            // RefreshPanel sets a selection, and also when the shown entry is
            // chosen again.
            auto* box = ControlAs<QComboBox>(setting.id);
            connect(box, &QComboBox::activated, this, [this, box, choose = list->choose](int index) {
                choose(image, index);
                // A list changed with the arrow keys is otherwise not heard.
                if (box->hasFocus())
                    Announce(box->currentText());
            });
        } else if (const CheckBoxSetting* check = setting.Box()) {
            auto* box = ControlAs<QCheckBox>(setting.id);
            connect(box, &QCheckBox::clicked, this, [this, box, which = check->box] {
                // The image holds the state; the mark only shows it.
                ClickCheckBox(image, which);
                box->setChecked(IsChecked(image, which));
            });
        }
    }

    for (ControlId id : KeyerButtons) {
        connect(ControlAs<QPushButton>(id), &QPushButton::clicked, this, [this, id] { emit KeyerButtonPressed(id); });
    }
}

MessageField* EditorPanel::Message(int n) const
{
    return ControlAs<MessageField>(MessageFieldId(n));
}

QString EditorPanel::Text(ControlId id) const
{
    if (id == ControlId::FileName)
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

void EditorPanel::SetText(ControlId id, const QString& text)
{
    if (id == ControlId::FileName)
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
    // Told a moment later, after the changes this same step makes (a
    // refresh sends a screen reader dozens of events, and one that is
    // flooded drops what came before them).
    pendingAnnouncements << text;
    announceTimer.start();
}

void EditorPanel::SpeakPending()
{
    announceTimer.stop();
    pendingInterim = -1;
    const QStringList texts = std::exchange(pendingAnnouncements, {});
    if (texts.isEmpty())
        return;
    // A screen reader reads the notification's text when it gets to the
    // event, by when a second text would have replaced the first: what
    // waits is said as one.
    QString said;
    for (const QString& text : texts) {
        if (!said.isEmpty())
            said += said.endsWith(QLatin1Char('.')) || said.endsWith(QLatin1Char('?')) ? QLatin1String(" ")
                                                                                       : QLatin1String(". ");
        said += text;
    }
    Say(announcer, said);
}

void EditorPanel::ShowStatus(const QString& text, const QString& detail)
{
    SetText(ControlId::OperationStatus, text);
    Control(ControlId::OperationStatus)->setToolTip(detail);
    statusCountdown = StatusTicks;
    // An interim status not yet said is no longer true.
    if (pendingInterim >= 0)
        pendingAnnouncements.removeAt(std::exchange(pendingInterim, -1));
    Announce(detail.isEmpty() ? text : text + QLatin1String(": ") + detail);
}

void EditorPanel::ShowInterimStatus(const QString& text)
{
    SetText(ControlId::OperationStatus, text);
    Control(ControlId::OperationStatus)->setToolTip({});
    // An earlier status's countdown must not clear this one.
    statusCountdown = 0;
    if (pendingInterim >= 0)
        pendingAnnouncements.removeAt(pendingInterim);
    pendingInterim = static_cast<int>(pendingAnnouncements.size());
    Announce(text);
}

void EditorPanel::ShowLinkStatus(const QString& text, const QString& reason)
{
    QWidget* status = Control(ControlId::LinkStatus);
    SetText(ControlId::LinkStatus, text);
    status->setToolTip(reason);
    status->setAccessibleDescription(reason.isEmpty() ? linkStatusDescription : reason);
    Announce(reason.isEmpty() ? text : text + QLatin1String(". ") + reason);
}

void EditorPanel::ShowFileName(const QString& text, const QString& path)
{
    auto* label = ControlAs<QLabel>(ControlId::FileName);
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

void EditorPanel::SetKeyerButtonsEnabled(bool enabled, const QWidget* keep)
{
    for (ControlId id : KeyerButtons) {
        if (Control(id) != keep)
            Control(id)->setEnabled(enabled);
    }
}

MessageTexts EditorPanel::Messages() const
{
    // One byte a character, as the area counts them; what the fields hold
    // is ASCII once the rule has looked at it.
    MessageTexts texts;
    for (int n = 1; n <= MessageCount; ++n)
        texts[static_cast<std::size_t>(n - 1)] = Message(n)->toPlainText().toLatin1().toStdString();
    return texts;
}

int EditorPanel::MessageCharCount() const
{
    return ::MessageCharCount(Messages());
}

void EditorPanel::Tick()
{
    SetText(ControlId::BytesLeft, QString::fromStdString(BytesLeftText(MessageRoomLeft(Messages()))));
    if (statusCountdown > 0) {
        if (statusCountdown == 1)
            SetText(ControlId::OperationStatus, QString());
        --statusCountdown;
    }
}

void EditorPanel::RefreshPanel(const std::optional<EepromImage>& held)
{
    keyerHolds = held;
    keyerTexts = held ? ShownTexts(*held) : FieldTexts();
    RefreshPanel();
}

void EditorPanel::RefreshPanel()
{
    refreshing = true;
    for (const Setting& setting : AllSettings()) {
        if (const CheckBoxSetting* check = setting.Box()) {
            auto* box = ControlAs<QCheckBox>(setting.id);
            if (box->isChecked() != IsChecked(image, check->box))
                box->setChecked(IsChecked(image, check->box));
        } else if (const ListSetting* list = setting.List()) {
            // No entry stands for some values (an output nibble without
            // exactly one port bit, say): showing none is better than showing
            // a setting the keyer does not have.
            auto* box = ControlAs<QComboBox>(setting.id);
            const int index = list->shown(image).value_or(-1);
            if (box->currentIndex() != index)
                box->setCurrentIndex(index);
        } else if (const QString shown = QString::fromLatin1(ShownText(setting, image)); Text(setting.id) != shown) {
            SetText(setting.id, shown);
        }
    }
    refreshing = false;
    UpdateMarks();
}

void EditorPanel::MakeMarks()
{
    const DialogUnits units(font());
    const int width = units.ToPixels(0, 0, 4, 0).width();
    for (const Setting& setting : AllSettings()) {
        QWidget* control = Control(setting.id);
        // The caption: the box's own text, the list's group, or the label.
        QWidget* caption = control;
        if (setting.List()) {
            for (QGroupBox* group : findChildren<QGroupBox*>())
                caption = group->title() == QString::fromLatin1(setting.name.data(), qsizetype(setting.name.size()))
                              ? group
                              : caption;
        } else if (!setting.Box()) {
            for (QLabel* label : findChildren<QLabel*>())
                caption = label->buddy() == control ? label : caption;
        }
        // A bullet in the gap in front of the caption: seen in any colours,
        // and the same for every kind of control.
        auto* mark = new QLabel(QStringLiteral("\u2022"), caption->parentWidget());
        QFont bold = mark->font();
        bold.setBold(true);
        mark->setFont(bold);
        mark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int line = caption->fontMetrics().height();
        mark->setGeometry(caption->x() - width, caption->y() + (setting.List() ? 0 : (caption->height() - line) / 2),
                          width, line);
        mark->setAccessibleName(QStringLiteral("differs from the keyer"));
        mark->hide();
        marks.insert(static_cast<int>(setting.id), mark);
        descriptions.insert(static_cast<int>(setting.id), control->accessibleDescription());
        // Typing changes what the panel shows, and so what differs.
        if (auto* field = qobject_cast<QLineEdit*>(control))
            connect(field, &QLineEdit::textChanged, this, &EditorPanel::UpdateMarks);
        else if (auto* message = qobject_cast<QPlainTextEdit*>(control))
            connect(message, &QPlainTextEdit::textChanged, this, &EditorPanel::UpdateMarks);
        else if (auto* box = qobject_cast<QComboBox*>(control))
            connect(box, &QComboBox::activated, this, &EditorPanel::UpdateMarks);
        else if (auto* check = qobject_cast<QCheckBox*>(control))
            connect(check, &QCheckBox::clicked, this, &EditorPanel::UpdateMarks);
    }
    UpdateMarks();
}

void EditorPanel::SetKeyerHolds(const std::optional<EepromImage>& held)
{
    keyerHolds = held;
    keyerTexts = held ? ShownTexts(*held) : FieldTexts();
    UpdateMarks();
}

bool EditorPanel::IsMarked(ControlId id) const
{
    const QLabel* mark = marks.value(static_cast<int>(id));
    return mark && !mark->isHidden();
}

void EditorPanel::UpdateMarks()
{
    if (refreshing)
        return;
    const FieldTexts shown = FieldTextsNow();
    std::vector<std::string> changed;
    for (const Setting& setting : AllSettings()) {
        const int id = static_cast<int>(setting.id);
        QWidget* control = Control(setting.id);
        QString description = descriptions.value(id);
        bool differs = false;
        if (keyerHolds) {
            const std::string held = ShownValue(setting, *keyerHolds, keyerTexts);
            differs = ShownValue(setting, image, shown) != held;
            if (differs) {
                changed.emplace_back(setting.name);
                const QString sentence = QString::fromStdString(KeyerHoldsText(setting, held));
                if (!description.isEmpty() && !description.endsWith(QLatin1Char('.')))
                    description += QLatin1Char('.');
                description = description.isEmpty() ? sentence : description + QLatin1Char(' ') + sentence;
            }
        }
        if (QLabel* mark = marks.value(id); mark->isHidden() == differs)
            mark->setVisible(differs);
        // Qt tells a screen reader of every description set, even the same.
        if (control->accessibleDescription() != description)
            control->setAccessibleDescription(description);
    }
    const QString writes = QString::fromStdString(WriteSummary(keyerHolds.has_value(), changed));
    QWidget* write = Control(ControlId::WriteMV);
    write->setToolTip(writes);
    if (write->accessibleDescription() != writes)
        write->setAccessibleDescription(writes);
}

int EditorPanel::Refuse(const QString& message)
{
    SpeakPending();
    prompts.ErrorBox(Owner::EditorPanel, message.toStdString());
    return 0;
}

FieldTexts EditorPanel::FieldTextsNow() const
{
    FieldTexts texts;
    for (const Setting& setting : AllSettings()) {
        if (setting.IsField())
            texts[setting.id] = Text(setting.id).toStdString();
    }
    return texts;
}

int EditorPanel::ValidatePanel()
{
    if (const auto refusal = ValidateSettings(image, FieldTextsNow()))
        return Refuse(QString::fromStdString(*refusal));
    return 1;
}
