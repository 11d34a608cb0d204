#include "ui/RecipientEditor.h"

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "settings/RecipientTexts.h"
#include "ui/PageControls.h"
#include "ui/PageGrid.h"
#include "ui/TimeEdit.h"
#include "ui/UiText.h"

#include <QComboBox>
#include <QDateEdit>
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

TRecipientEditor::TRecipientEditor(const TFormatSettings& formats, QWidget& page)
    : QObject(&page), Formats(formats), Page(page), RecipientAddressEdit(new QLineEdit(&page)),
      TimeFields(new TTimeEdit(&page)), DistributionMethodComboBoxEx(new QComboBox(&page)),
      FrequencyComboBoxEx(new QComboBox(&page)), FrequencyDateTimePicker(new QDateEdit(&page)) {
    BuildControls();
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

void TRecipientEditor::LayOut(TPageGrid& grid) {
    grid.AddRow(BuddyLabel(tr("&Recipient e-mail:"), RecipientAddressEdit, &Page), RecipientAddressEdit);
    grid.AddRow(BuddyLabel(tr("&Time to send:"), TimeFields->HourField(), &Page), TimeFields, nullptr,
                Qt::AlignLeft);
    grid.AddRow(BuddyLabel(tr("&Distribution:"), DistributionMethodComboBoxEx, &Page),
                DistributionMethodComboBoxEx, nullptr, Qt::AlignLeft);
    grid.AddRow(BuddyLabel(tr("E-mail &frequency:"), FrequencyComboBoxEx, &Page), FrequencyComboBoxEx,
                FrequencyDateTimePicker);

    QWidget::setTabOrder(RecipientAddressEdit, TimeFields->HourField());
    QWidget::setTabOrder(TimeFields->HourField(), TimeFields->MinuteField());
    QWidget::setTabOrder(TimeFields->MinuteField(), DistributionMethodComboBoxEx);
    QWidget::setTabOrder(DistributionMethodComboBoxEx, FrequencyComboBoxEx);
    QWidget::setTabOrder(FrequencyComboBoxEx, FrequencyDateTimePicker);
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
