#include "ui/RecipientEditor.h"

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "settings/RecipientTexts.h"
#include "ui/PageControls.h"
#include "ui/TimeEdit.h"
#include "ui/UiText.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace corvalet {

namespace {

QDate ToQDate(const TDateTime& date) {
    return QDate(date.Year, date.Month, date.Day);
}

TDateTime FromQDate(const QDate& date) {
    return TDateTime{date.year(), date.month(), date.day(), 0, 0, 0, 0};
}

} // namespace

TRecipientEditor::TRecipientEditor(const TFormatSettings& formats, QWidget* parent)
    : QWidget(parent), Formats(formats), RecipientAddressEdit(new QLineEdit(this)),
      TimeFields(new TTimeEdit(this)), DistributionMethodComboBoxEx(new QComboBox(this)),
      FrequencyComboBoxEx(new QComboBox(this)), FrequencyDateTimePicker(new QDateEdit(this)) {
    BuildControls();
    LayOut();
}

void TRecipientEditor::BuildControls() {
    RecipientAddressEdit->setObjectName("RecipientAddressEdit");

    DistributionMethodComboBoxEx->setObjectName("DistributionMethodComboBoxEx");
    DistributionMethodComboBoxEx->setEditable(true);
    DistributionMethodComboBoxEx->setInsertPolicy(QComboBox::NoInsert);
    // No completion: a typed "b" stays "b" and selects nothing.
    DistributionMethodComboBoxEx->setCompleter(nullptr);
    DistributionMethodComboBoxEx->addItems(ItemsOf(DistributionTexts));
    DistributionMethodComboBoxEx->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DistributionMethodComboBoxEx->setMinimumContentsLength(8);

    FrequencyComboBoxEx->setObjectName("FrequencyComboBoxEx");
    FrequencyComboBoxEx->addItems(ItemsOf(FrequencyTexts));
    FrequencyComboBoxEx->setMaxVisibleItems(8);
    // The list opens wide enough for every text; the closed box may be narrower.
    FrequencyComboBoxEx->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FrequencyComboBoxEx->setMinimumContentsLength(10);
    FrequencyComboBoxEx->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    FrequencyDateTimePicker->setObjectName("FrequencyDateTimePicker");
    FrequencyDateTimePicker->setCalendarPopup(true);
    FrequencyDateTimePicker->setDisplayFormat(ToQt(Formats.ShortDatePattern()));
    QSizePolicy keepPlace = FrequencyDateTimePicker->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    FrequencyDateTimePicker->setSizePolicy(keepPlace);
    FrequencyDateTimePicker->setVisible(false);

    connect(RecipientAddressEdit, &QLineEdit::textChanged, this, &TRecipientEditor::Changed);
    connect(TimeFields, &TTimeEdit::Stepped, this, &TRecipientEditor::Changed);
    connect(FrequencyComboBoxEx, &QComboBox::currentIndexChanged, this, &TRecipientEditor::Changed);
    connect(FrequencyDateTimePicker, &QDateEdit::dateChanged, this, &TRecipientEditor::Changed);
    connect(DistributionMethodComboBoxEx, &QComboBox::currentIndexChanged, this, &TRecipientEditor::Changed);
    connect(DistributionMethodComboBoxEx, &QComboBox::editTextChanged, this,
            &TRecipientEditor::DistributionTextEdited);
}

void TRecipientEditor::LayOut() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(BuddyLabel(tr("&Recipient e-mail:"), RecipientAddressEdit, this), 0, 0);
    grid->addWidget(RecipientAddressEdit, 0, 1, 1, 2);
    grid->addWidget(BuddyLabel(tr("&Time to send:"), TimeFields->HourField(), this), 1, 0);
    grid->addWidget(TimeFields, 1, 1, 1, 2);
    grid->addWidget(BuddyLabel(tr("&Distribution:"), DistributionMethodComboBoxEx, this), 2, 0);
    grid->addWidget(DistributionMethodComboBoxEx, 2, 1, Qt::AlignLeft);
    grid->addWidget(BuddyLabel(tr("E-mail &frequency:"), FrequencyComboBoxEx, this), 3, 0);
    grid->addWidget(FrequencyComboBoxEx, 3, 1);
    grid->addWidget(FrequencyDateTimePicker, 3, 2);
    grid->setColumnStretch(1, 1);

    setTabOrder(RecipientAddressEdit, TimeFields->HourField());
    setTabOrder(TimeFields->HourField(), TimeFields->MinuteField());
    setTabOrder(TimeFields->MinuteField(), DistributionMethodComboBoxEx);
    setTabOrder(DistributionMethodComboBoxEx, FrequencyComboBoxEx);
    setTabOrder(FrequencyComboBoxEx, FrequencyDateTimePicker);
}

std::string TRecipientEditor::Address() const {
    return FromQt(RecipientAddressEdit->text());
}

void TRecipientEditor::SetAddress(const std::string& address) {
    RecipientAddressEdit->setText(ToQt(address));
}

void TRecipientEditor::ShowTime(int hour, int minute) {
    TimeFields->ShowTime(hour, minute);
}

std::string TRecipientEditor::TimeFieldsText() const {
    return FormatTimeText(TimeFields->Hour(), TimeFields->Minute());
}

void TRecipientEditor::SetFrequency(int code, const TDateTime& date) {
    FrequencyComboBoxEx->setCurrentIndex(code);
    FrequencyDateTimePicker->setDate(ToQDate(date));
}

int TRecipientEditor::FrequencyCode() const {
    return FrequencyComboBoxEx->currentIndex();
}

std::string TRecipientEditor::FrequencyText() const {
    const int code = FrequencyCode();
    if (code < 0)
        return {};
    return FormatFrequencyText(code, FromQDate(FrequencyDateTimePicker->date()), Formats);
}

void TRecipientEditor::SetDistribution(int code) {
    DistributionMethodComboBoxEx->setCurrentIndex(code);
}

int TRecipientEditor::DistributionCode() const {
    return DistributionMethodComboBoxEx->currentIndex();
}

std::string TRecipientEditor::DistributionText() const {
    const int code = DistributionCode();
    return code < 0 ? std::string() : FromQt(DistributionMethodComboBoxEx->itemText(code));
}

void TRecipientEditor::ShowDatePickerForFrequency() {
    FrequencyDateTimePicker->setVisible(FrequencyCode() >= FirstDatedFrequency);
}

void TRecipientEditor::Reset(const TDateTime& now) {
    RecipientAddressEdit->clear();
    ShowTime(now.Hour, now.Minute);
    SetFrequency(0, now.DatePart());
    SetDistribution(DistributionBcc);
}

void TRecipientEditor::DistributionTextEdited(const QString& text) {
    // A typed text selects the item it spells exactly and no item otherwise; the text stays as typed.
    const int match = DistributionMethodComboBoxEx->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (match != DistributionMethodComboBoxEx->currentIndex()) {
        QLineEdit* field = DistributionMethodComboBoxEx->lineEdit();
        const int cursor = field->cursorPosition();
        {
            const QSignalBlocker quiet(DistributionMethodComboBoxEx);
            DistributionMethodComboBoxEx->setCurrentIndex(match);
            field->setText(text);
            field->setCursorPosition(cursor);
        }
    }
    emit Changed();
}

} // namespace corvalet
