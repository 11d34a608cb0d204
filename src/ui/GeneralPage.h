#pragma once

#include "ui/RecipientRow.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <vector>

class QAction;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace corvalet {

class TClock;
class TConfiguration;
class TDialogs;
class TFormatSettings;
class TRecipientEditor;
class TRecipientListView;

// The "General" page: the sender and the recipient list with its editing area. The schedule reads
// the list's rows and "Send Now!" the editing area, so both hold live values between OK and Cancel.
class TGeneralPage : public QWidget {
    Q_OBJECT
public:
    using TErrorHandler = std::function<void(const std::exception&)>;

    TGeneralPage(const TFormatSettings& formats, const TClock& clock, TDialogs& dialogs,
                 TErrorHandler reportError, QWidget* parent = nullptr);

    void SettingsToControls(const TConfiguration& settings);
    void ControlsToSettings(TConfiguration& settings) const;
    // The editing area at the current time of day, "Daily" from today, "BCC", no address.
    void PrepareEditingArea();

    std::vector<TRecipientRow> Rows() const;
    TRecipientListView* List() const { return RecipientsListView; }
    TRecipientEditor* Editor() const { return RecipientEditor; }
    QLineEdit* SenderName() const { return SenderNameEdit; }
    QLineEdit* SenderAddress() const { return SenderAddressEdit; }
    QPushButton* AddButton() const { return AddBitBtn; }
    QPushButton* SendNowButton() const { return SendNowBitBtn; }

    // While not allowed (a mailing runs), "Send Now!" stays disabled whatever the page's rules say.
    void SetSendNowAllowed(bool allowed);

    void AddBitBtnClick();
    void ReplaceBitBtnClick();
    void DeleteItemActionExecute();
    void UpSpeedButtonClick();
    void DownSpeedButtonClick();

signals:
    void SendNowClicked();
    // Enter presses "Add" while this is true and "OK" otherwise.
    void AddIsDefaultChanged(bool addIsDefault);

private:
    void BuildControls();
    void LayOut();
    void OnControlChange();
    // `selectionChanged` tells a change of the selection from a change of a row's texts.
    void RecipientsListViewChange(bool selectionChanged);
    void LoadRowIntoEditor(const TRecipientRow& row);
    TRecipientRow EditedRow() const;
    void EnableSendNow(bool byRules);
    void MoveSelection(int step);

    const TFormatSettings& Formats;
    const TClock& Clock;
    TDialogs& Dialogs;
    TErrorHandler ReportError;
    bool SendNowAllowed = true;
    bool SendNowByRules = false;

    QLineEdit* SenderNameEdit;
    QLineEdit* SenderAddressEdit;
    TRecipientListView* RecipientsListView;
    QToolButton* UpSpeedButton;
    QToolButton* DownSpeedButton;
    TRecipientEditor* RecipientEditor;
    QPushButton* ReplaceBitBtn;
    QPushButton* AddBitBtn;
    QPushButton* DeleteBitBtn;
    QPushButton* SendNowBitBtn;
    QAction* DeleteItemAction;
};

} // namespace corvalet
