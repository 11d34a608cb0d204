#include "ui/GeneralPage.h"

#include "app/Dialogs.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"
#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/PageControls.h"
#include "ui/PageGrid.h"
#include "ui/RecipientEditor.h"
#include "ui/RecipientListView.h"
#include "ui/UiText.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace corvalet {

namespace {

QToolButton* MakeArrowButton(const char* name, Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    // Like the list's own arrow keys, these move the selection without taking a tab stop.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setEnabled(false);
    return button;
}

// Blanks are spaces and control characters.
bool HasNonBlank(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; });
}

} // namespace

TGeneralPage::TGeneralPage(const TFormatSettings& formats, const TClock& clock, TDialogs& dialogs,
                           TErrorHandler reportError, QWidget* parent)
    : QWidget(parent), Formats(formats), Clock(clock), Dialogs(dialogs), ReportError(std::move(reportError)),
      SenderNameEdit(new QLineEdit(this)), SenderAddressEdit(new QLineEdit(this)),
      RecipientsListView(new TRecipientListView(this)),
      UpSpeedButton(MakeArrowButton("UpSpeedButton", Qt::UpArrow, this)),
      DownSpeedButton(MakeArrowButton("DownSpeedButton", Qt::DownArrow, this)),
      RecipientEditor(new TRecipientEditor(formats, *this)),
      ReplaceBitBtn(MakeButton("ReplaceBitBtn", tr("&Replace"), this)),
      AddBitBtn(MakeButton("AddBitBtn", tr("&Add"), this)),
      DeleteBitBtn(MakeButton("DeleteBitBtn", tr("Delete Item"), this)),
      SendNowBitBtn(MakeButton("SendNowBitBtn", tr("Send Now!"), this)),
      DeleteItemAction(new QAction(tr("Delete Item"), this)) {
    RecipientsListView->ShowNextMailings(clock, formats);
    BuildControls();
    LayOut();
}

void TGeneralPage::BuildControls() {
    SenderNameEdit->setObjectName("SenderNameEdit");
    SenderAddressEdit->setObjectName("SenderAddressEdit");
    RecipientsListView->setProperty("helpKeyword", QStringLiteral("Recipients"));

    // The Delete key removes a row only while the list has the focus; in the text fields it keeps
    // its usual meaning.
    DeleteItemAction->setObjectName("DeleteItemAction");
    DeleteItemAction->setShortcut(QKeySequence::Delete);
    DeleteItemAction->setShortcutContext(Qt::WidgetShortcut);
    DeleteItemAction->setEnabled(false);
    RecipientsListView->addAction(DeleteItemAction);

    connect(DeleteItemAction, &QAction::triggered, this, &TGeneralPage::DeleteItemActionExecute);
    connect(DeleteBitBtn, &QPushButton::clicked, this, &TGeneralPage::DeleteItemActionExecute);
    connect(AddBitBtn, &QPushButton::clicked, this, &TGeneralPage::AddBitBtnClick);
    connect(ReplaceBitBtn, &QPushButton::clicked, this, &TGeneralPage::ReplaceBitBtnClick);
    connect(SendNowBitBtn, &QPushButton::clicked, this, &TGeneralPage::SendNowClicked);
    connect(UpSpeedButton, &QToolButton::clicked, this, &TGeneralPage::UpSpeedButtonClick);
    connect(DownSpeedButton, &QToolButton::clicked, this, &TGeneralPage::DownSpeedButtonClick);
    connect(RecipientEditor, &TRecipientEditor::Changed, this, &TGeneralPage::OnControlChange);
    connect(RecipientsListView, &TRecipientListView::SelectionChanged, this,
            [this] { RecipientsListViewChange(true); });
}

void TGeneralPage::LayOut() {
    auto* arrows = new QVBoxLayout;
    arrows->addWidget(UpSpeedButton);
    arrows->addWidget(DownSpeedButton);
    arrows->addStretch(1);
    auto* list = new QHBoxLayout;
    list->addWidget(RecipientsListView, 1);
    list->addLayout(arrows);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ReplaceBitBtn);
    buttons->addWidget(AddBitBtn);
    buttons->addWidget(DeleteBitBtn);
    buttons->addStretch(1);
    buttons->addWidget(SendNowBitBtn);

    // The list takes the height the page does not need for its fields.
    TPageGrid page(*this, TPageGrid::ESpareHeight::InRows);
    page.AddHeading(tr("Sender"));
    page.AddRow(BuddyLabel(tr("&Sender name:"), SenderNameEdit, this), SenderNameEdit);
    page.AddRow(BuddyLabel(tr("Sender &e-mail:"), SenderAddressEdit, this), SenderAddressEdit);
    page.AddHeading(tr("Recipients"));
    page.AddWide(list, 1);
    RecipientEditor->LayOut(page);
    page.AddWide(buttons);

    setTabOrder(SenderNameEdit, SenderAddressEdit);
    setTabOrder(SenderAddressEdit, RecipientsListView);
    setTabOrder(RecipientsListView, RecipientEditor->AddressEdit());
    setTabOrder(RecipientEditor->DatePicker(), ReplaceBitBtn);
    setTabOrder(ReplaceBitBtn, AddBitBtn);
    setTabOrder(AddBitBtn, DeleteBitBtn);
    setTabOrder(DeleteBitBtn, SendNowBitBtn);
}

void TGeneralPage::SettingsToControls(const TConfiguration& settings) {
    SenderNameEdit->setText(ToQt(settings.SenderName));
    SenderAddressEdit->setText(ToQt(settings.SenderAddress));

    // Rows without a time show the time at which the list is filled.
    const TDateTime now = Clock.Now();
    RecipientsListView->setUpdatesEnabled(false);
    RecipientsListView->Clear();
    for (int i = 0; i < settings.RecipientCount(); ++i) {
        TRecipientRow row{settings.RecipientAddress(i), settings.RecipientTime(i),
                          settings.RecipientFrequency(i), settings.RecipientDistribution(i)};
        if (row.Time.empty())
            row.Time = FormatTimeText(now.Hour, now.Minute);
        if (row.Frequency.empty())
            row.Frequency = std::string(FrequencyTexts.front());
        if (row.Distribution.empty())
            row.Distribution = std::string(DistributionTexts.front());
        RecipientsListView->AppendRow(row);
    }
    RecipientsListView->setUpdatesEnabled(true);
}

void TGeneralPage::ControlsToSettings(TConfiguration& settings) const {
    settings.SenderName = FromQt(SenderNameEdit->text());
    settings.SenderAddress = FromQt(SenderAddressEdit->text());
    settings.ClearRecipients();
    for (const TRecipientRow& row : Rows())
        settings.AddRecipient(row.Address, row.Time, row.Frequency, row.Distribution);
}

void TGeneralPage::PrepareEditingArea() {
    RecipientEditor->Reset(Clock.Now());
}

std::vector<TRecipientRow> TGeneralPage::Rows() const {
    std::vector<TRecipientRow> rows;
    rows.reserve(static_cast<std::size_t>(RecipientsListView->RowCount()));
    for (int i = 0; i < RecipientsListView->RowCount(); ++i)
        rows.push_back(RecipientsListView->Row(i));
    return rows;
}

void TGeneralPage::SetSendNowAllowed(bool allowed) {
    SendNowAllowed = allowed;
    EnableSendNow(SendNowByRules);
}

void TGeneralPage::EnableSendNow(bool byRules) {
    SendNowByRules = byRules;
    SendNowBitBtn->setEnabled(SendNowByRules && SendNowAllowed);
}

// Runs when the address, the frequency, its date or the distribution changes, and after each step
// of the time arrows. Typing in the time fields does not run it.
void TGeneralPage::OnControlChange() {
    const bool hasAddress = HasNonBlank(RecipientEditor->Address());
    EnableSendNow(hasAddress);
    ReplaceBitBtn->setEnabled(hasAddress);
    AddBitBtn->setEnabled(hasAddress);
    emit AddIsDefaultChanged(hasAddress);
    RecipientEditor->ShowDatePickerForFrequency();
}

// Runs after every change of a row: its texts or its selection.
void TGeneralPage::RecipientsListViewChange(bool selectionChanged) {
    const int selected = RecipientsListView->SelectedIndex();
    std::exception_ptr loadError;
    if (selectionChanged && selected >= 0) {
        try {
            LoadRowIntoEditor(RecipientsListView->Row(selected));
        } catch (...) {
            loadError = std::current_exception();
        }
    }
    // The buttons follow the selection even when the row did not load completely.
    RecipientEditor->ShowDatePickerForFrequency();
    DeleteBitBtn->setEnabled(selected >= 0);
    DeleteItemAction->setEnabled(selected >= 0);
    EnableSendNow(selected >= 0);
    ReplaceBitBtn->setEnabled(false);
    AddBitBtn->setEnabled(false);
    emit AddIsDefaultChanged(false);
    if (loadError) {
        try {
            std::rethrow_exception(loadError);
        } catch (const std::exception& error) {
            ReportError(error);
        } catch (...) {
            ReportError(std::runtime_error("Unknown error"));
        }
    }
}

void TGeneralPage::LoadRowIntoEditor(const TRecipientRow& row) {
    RecipientEditor->SetAddress(row.Address);
    TTimeText time;
    ParseTimeText(row.Time, time);
    RecipientEditor->ShowTime(time.Hour, time.Minute);
    if (const auto distribution = ParseDistributionText(row.Distribution)) {
        RecipientEditor->SetDistribution(*distribution);
    } else {
        // A text that is no distribution (a hand-edited settings file) is shown as it stands,
        // with no item selected.
        RecipientEditor->SetDistribution(-1);
        RecipientEditor->DistributionBox()->setEditText(ToQt(row.Distribution));
    }
    // The frequency shows even when its date does not read: otherwise the previous row's frequency
    // would stay, and Replace would turn a one-off row into, say, a daily one. The picker then
    // offers today until the user picks the date again.
    const TDateTime today = Clock.Now().DatePart();
    RecipientEditor->SetFrequency(FrequencyCodeOfText(row.Frequency), today);
    // A date that does not read stops the loading here; the error goes to the caller.
    const TFrequency frequency = ParseFrequencyText(row.Frequency, today, Formats);
    RecipientEditor->SetFrequency(frequency.Code, frequency.Date);
}

TRecipientRow TGeneralPage::EditedRow() const {
    return {RecipientEditor->Address(), RecipientEditor->TimeFieldsText(), RecipientEditor->FrequencyText(),
            RecipientEditor->DistributionText()};
}

void TGeneralPage::AddBitBtnClick() {
    RecipientsListView->setUpdatesEnabled(false);
    const int added = RecipientsListView->AppendRow(EditedRow());
    RecipientsListViewChange(false);
    RecipientsListView->SelectRow(added);
    RecipientsListView->Sort();
    RecipientsListView->setUpdatesEnabled(true);
}

void TGeneralPage::ReplaceBitBtnClick() {
    const int selected = RecipientsListView->SelectedIndex();
    if (selected < 0)
        return;
    RecipientsListView->SetRow(selected, EditedRow());
    RecipientsListViewChange(false);
    RecipientsListView->Sort();
}

void TGeneralPage::DeleteItemActionExecute() {
    const int selected = RecipientsListView->SelectedIndex();
    if (selected < 0)
        return;
    const std::string question = "Are you sure you want to remove recipient '" +
                                 RecipientsListView->Row(selected).Address + "' from this list?";
    if (!Dialogs.Confirm(question)) {
        RecipientsListView->setFocus();
        return;
    }
    RecipientsListView->RemoveRow(selected);
    RecipientsListViewChange(false);
    const int next = std::max(selected - 1, 0);
    if (next < RecipientsListView->RowCount())
        RecipientsListView->SelectRow(next);
    if (RecipientsListView->RowCount() == 0)
        PrepareEditingArea();
    RecipientsListView->Sort();
    RecipientsListView->setFocus();
}

void TGeneralPage::UpSpeedButtonClick() {
    MoveSelection(-1);
}

void TGeneralPage::DownSpeedButtonClick() {
    MoveSelection(1);
}

// Moves the selection, not the rows: to the neighbour in the step's direction, staying within the
// list; with nothing selected, to the first row.
void TGeneralPage::MoveSelection(int step) {
    const int count = RecipientsListView->RowCount();
    if (count == 0)
        return;
    RecipientsListView->setFocus();
    const int selected = RecipientsListView->SelectedIndex();
    const int target = selected < 0 ? 0 : std::clamp(selected + step, 0, count - 1);
    RecipientsListView->SelectRow(target);
}

} // namespace corvalet
