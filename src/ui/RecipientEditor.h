#pragma once

#include <QObject>

#include <string>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QWidget;

namespace corvalet {

class TFormatSettings;
class TPageGrid;
class TTimeEdit;
struct TDateTime;

// The editing area below the recipient list: one recipient's address, time of day, distribution
// and frequency (with its date for the dated frequencies), as controls of the page. Their rows go
// into the page's own grid, so that they line up with the page's other fields.
class TRecipientEditor : public QObject {
    Q_OBJECT
public:
    TRecipientEditor(const TFormatSettings& formats, QWidget& page);

    void LayOut(TPageGrid& grid);

    QLineEdit* AddressEdit() const { return RecipientAddressEdit; }
    TTimeEdit* Time() const { return TimeFields; }
    QComboBox* DistributionBox() const { return DistributionMethodComboBoxEx; }
    QComboBox* FrequencyBox() const { return FrequencyComboBoxEx; }
    QDateEdit* DatePicker() const { return FrequencyDateTimePicker; }

    // The address as typed, blanks included.
    std::string Address() const;
    void SetAddress(const std::string& address);

    void ShowTime(int hour, int minute);
    // The time fields as a time text; a field that does not read counts as 0.
    std::string TimeFieldsText() const;

    // Selects the frequency item and sets the date picker.
    void SetFrequency(int code, const TDateTime& date);
    // The selected item, -1 when none is.
    int FrequencyCode() const;
    // The selected frequency's text, the dated ones with the picker's date in place of "...";
    // empty when nothing is selected.
    std::string FrequencyText() const;

    void SetDistribution(int code);
    // The selected distribution item, -1 when the field holds a text that is not an item.
    int DistributionCode() const;
    // The selected distribution item's text; empty when none is selected.
    std::string DistributionText() const;

    // The date picker is shown only for the frequencies that carry a date.
    void ShowDatePickerForFrequency();

    // Empty address, the given time of day, "Daily" from that day, "BCC".
    void Reset(const TDateTime& now);

signals:
    // The address, the frequency, its date or the distribution changed, or the time arrows stepped.
    void Changed();

private:
    void BuildControls();
    void DistributionTextEdited(const QString& text);

    const TFormatSettings& Formats;
    QWidget& Page;
    QLineEdit* RecipientAddressEdit;
    TTimeEdit* TimeFields;
    QComboBox* DistributionMethodComboBoxEx;
    QComboBox* FrequencyComboBoxEx;
    QDateEdit* FrequencyDateTimePicker;
};

} // namespace corvalet
