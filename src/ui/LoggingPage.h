#pragma once

#include "ui/PageGrid.h"

#include <QWidget>

#include <memory>
#include <string>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalet {

class TConfiguration;
class TFileChooser;
class TUpDown;

// The "Logging" page: what is logged, to which file, and the file's size limit.
class TLoggingPage : public QWidget {
    Q_OBJECT
public:
    // Relative log file names are taken from `programFolder` (ending with "/").
    TLoggingPage(TFileChooser& chooser, std::string programFolder, QWidget* parent = nullptr);

    void SettingsToControls(const TConfiguration& settings);
    void ControlsToSettings(TConfiguration& settings) const;

    QGroupBox* MechanismGroup() const { return LogTypeRadioGroup; }
    // The chosen mechanism option, -1 when none is.
    int Mechanism() const;
    void SetMechanism(int code);

    void LoggingFileNameButtonClick();
    // Enables the file name, its button and the size check box unless logging is disabled.
    void LogTypeRadioGroupClick();
    // Enables the size field, its arrows and "Mb" when the check box is checked and enabled.
    void LimitLogFileCheckBoxClick();

    // An option of the program's own below the page's controls, across the page.
    void AddOption(QWidget* option);

private:
    void LayOut();

    TFileChooser& Chooser;
    std::string ProgramFolder;
    QGroupBox* LogTypeRadioGroup;
    QButtonGroup* Mechanisms;
    QLabel* LoggingFileNameLabel;
    QLineEdit* LoggingFileNameEdit;
    QPushButton* LoggingFileNameButton;
    QCheckBox* LimitLogFileCheckBox;
    QLineEdit* MaximumLogFileSizeEdit;
    TUpDown* MaximumLogFileSizeUpDown;
    QLabel* MbLabel;
    std::unique_ptr<TPageGrid> Grid;
};

} // namespace corvalet
