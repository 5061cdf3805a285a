#include "panel/EditorPanel.h"

#include "image/MessageCodec.h"
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

struct CheckBoxBinding {
    int id;
    CheckBox box;
};
constexpr CheckBoxBinding CheckBoxes[] = {
    {1016, CheckBox::Swap},      {1017, CheckBox::AutoSpace}, {1018, CheckBox::CTspace},
    {1019, CheckBox::PaddleDog}, {112, CheckBox::Cut09},      {107, CheckBox::MsgBrk},
};

constexpr int KeyerButtons[] = {Ctl::ReadMV, Ctl::WriteMV, Ctl::TestMV, 1006, 1007, 1008, 1009, 1010, 1011};

constexpr int KeyerModeList = 1040;
constexpr int PaddleHangList = 1141;
constexpr int SidetoneList = 1044;
constexpr int OutputConfigList = 1046;
constexpr int MaxField = 1014;
constexpr int MinField = 1015;

// The number fields that hold one byte each, in the order they are checked.
struct NumberRule {
    int id;
    BitField field;
    unsigned low, high;
    bool zeroAllowed; // Farns: 0 switches it off
    const char* refusal;
};
constexpr NumberRule NumberRules[] = {
    {1021, Field::Weight, 10, 90, false, "Weight must be between 10 and 90"},
    {1031, Field::LeadIn, 0, 250, false, "Lead In must be 250 or less."},
    {1032, Field::Tail, 0, 250, false, "Tail must be 250 or less."},
    {1036, Field::FirstExtension, 0, 250, false, "Extend must be 250 or less."},
    {1035, Field::KeyComp, 0, 250, false, "Key Comp must be 250 or less."},
    // The keyer documents 10 to 90; accepting 91..99 would contradict the message.
    {1033, Field::Farns, 10, 90, true, "Farns must be 0 or between 10 and 90"},
    {1045, Field::Ksamp, 10, 90, false, "Ksamp must be between 10 and 90"},
    {108, Field::CmdWPM, 5, 99, false, "CMDWPM must be between 5 and 99"},
    {1034, Field::Ratio, 33, 66, false, "Ratio must be between 33 and 66"},
};

template <std::size_t N> void Fill(QWidget* list, const std::array<std::string_view, N>& entries)
{
    auto* box = static_cast<QComboBox*>(list);
    for (auto entry : entries)
        box->addItem(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
    box->setCurrentIndex(-1);
}

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
    Fill(Control(KeyerModeList), KeyerModeEntries);
    Fill(Control(PaddleHangList), PaddleHangEntries);
    Fill(Control(SidetoneList), SidetoneEntries);
    static_cast<QComboBox*>(Control(SidetoneList))->setCurrentIndex(SidetoneIndex(image).value_or(-1));
    Fill(Control(OutputConfigList), OutputConfigEntries);
}

void EditorPanel::Connect()
{
    // `activated` fires on the person's choice only, never when RefreshPanel
    // sets a selection, and also when the shown entry is chosen again.
    const auto onChoice = [this](int id, void (*choose)(EepromImage&, int)) {
        auto* box = static_cast<QComboBox*>(Control(id));
        connect(box, &QComboBox::activated, this, [this, box, choose](int index) {
            choose(image, index);
            // A list changed with the arrow keys is otherwise not heard.
            if (box->hasFocus())
                Announce(box->currentText());
        });
    };
    onChoice(KeyerModeList, ChooseKeyerMode);
    onChoice(PaddleHangList, ChoosePaddleHang);
    onChoice(SidetoneList, ChooseSidetone);
    onChoice(OutputConfigList, ChooseOutputConfig);

    for (const auto& binding : CheckBoxes) {
        auto* box = static_cast<QCheckBox*>(Control(binding.id));
        connect(box, &QCheckBox::clicked, this, [this, box, which = binding.box] {
            // The image holds the state; the mark only shows it.
            ClickCheckBox(image, which);
            box->setChecked(IsChecked(image, which));
        });
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

unsigned EditorPanel::Number(int id) const
{
    // Empty text reads as 0, like any text that holds no number.
    return static_cast<QLineEdit*>(Control(id))->text().toUInt();
}

void EditorPanel::SetNumber(int id, unsigned value)
{
    static_cast<QLineEdit*>(Control(id))->setText(QString::number(value));
}

void EditorPanel::RefreshPanel()
{
    for (const auto& rule : NumberRules)
        SetNumber(rule.id, Get(image, rule.field));

    static_cast<QComboBox*>(Control(KeyerModeList))->setCurrentIndex(KeyerModeIndex(image));
    static_cast<QComboBox*>(Control(PaddleHangList))->setCurrentIndex(PaddleHangIndex(image));
    // No entry stands for an output nibble without exactly one port bit:
    // showing none is better than showing a setting the keyer does not have.
    static_cast<QComboBox*>(Control(OutputConfigList))->setCurrentIndex(OutputConfigIndex(image).value_or(-1));
    static_cast<QComboBox*>(Control(SidetoneList))->setCurrentIndex(SidetoneIndex(image).value_or(-1));

    SetNumber(MaxField, static_cast<unsigned>(PotMaxShown(image)));
    SetNumber(MinField, Get(image, Field::PotMin));

    for (const auto& binding : CheckBoxes)
        static_cast<QCheckBox*>(Control(binding.id))->setChecked(IsChecked(image, binding.box));

    // Emptied first: each field keeps to the room the others leave, and the
    // others must not still hold the old image's texts then.
    for (int n = 1; n <= MessageCount; ++n)
        Message(n)->SetKeyerText(QString());
    for (int n = 1; n <= MessageCount; ++n)
        Message(n)->SetKeyerText(QString::fromLatin1(DecodeMessage(image, n)));
}

int EditorPanel::Refuse(const QString& message)
{
    prompts.ErrorBox(Owner::EditorPanel, message.toStdString());
    return 0;
}

int EditorPanel::ValidatePanel()
{
    // Each field is stored the moment it passes, as the keyer's own editor
    // always did; a refusal leaves the later bytes as they were.
    for (const auto& rule : NumberRules) {
        const unsigned value = Number(rule.id);
        const bool accepted = (value >= rule.low && value <= rule.high) || (rule.zeroAllowed && value == 0);
        if (!accepted)
            return Refuse(QString::fromUtf8(rule.refusal));
        Set(image, rule.field, value);
    }

    const unsigned potMax = Number(MaxField);
    const unsigned potMin = Number(MinField);
    if (potMax <= potMin)
        return Refuse(QStringLiteral("Pot Max must be greater than Pot Min"));
    if (potMin < 5 || potMin > 99)
        return Refuse(QStringLiteral("Pot Min must be between 5 and 99"));
    if (potMax < 5 || potMax > 99)
        return Refuse(QStringLiteral("Pot Max must be between 5 and 99"));
    StorePotLimits(image, static_cast<int>(potMin), static_cast<int>(potMax));

    // The fields keep to the keyer's rule on every route in; this guard only
    // makes sure nothing else could ever reach the message area.
    MessageTexts texts;
    for (int n = 1; n <= MessageCount; ++n)
        texts[static_cast<std::size_t>(n - 1)] = Message(n)->toPlainText().toStdString();
    if (const auto problem = CheckMessages(texts)) {
        return Refuse(QStringLiteral("Message %1 cannot be stored in the keyer.").arg(problem->messageNumber));
    }
    PackMessages(image, texts);
    return 1;
}
