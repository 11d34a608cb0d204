#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QSlider;

namespace corvalet {

class TConfiguration;
class TDigitKeyFilter;

// The "Connection" page: SMTP host, port and the connect time-out.
class TConnectionPage : public QWidget {
    Q_OBJECT
public:
    explicit TConnectionPage(QWidget* parent = nullptr);

    void SettingsToControls(const TConfiguration& settings);
    void ControlsToSettings(TConfiguration& settings) const;

    QLineEdit* HostName() const { return SMTPHostNameEdit; }
    QLineEdit* PortNumber() const { return PortNumberEdit; }
    QSlider* TimeOut() const { return TimeOutTrackBar; }
    QLabel* TimeOutChoice() const { return TimeOutChoiceLabel; }

private:
    void LayOut();
    void TimeOutTrackBarChange(int position);

    TDigitKeyFilter* Digits;
    QLineEdit* SMTPHostNameEdit;
    QLineEdit* PortNumberEdit;
    QSlider* TimeOutTrackBar;
    QLabel* TimeOutChoiceLabel;
};

} // namespace corvalet
