#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace corvalet {

class TConfiguration;
class TDigitKeyFilter;
class TFileChooser;

// The "Message" page: priority, subject, attachment, body file and its content type.
class TMessagePage : public QWidget {
    Q_OBJECT
public:
    TMessagePage(TFileChooser& chooser, QWidget* parent = nullptr);

    void SettingsToControls(const TConfiguration& settings);
    void ControlsToSettings(TConfiguration& settings) const;

    QComboBox* PriorityBox() const { return EmailPriorityComboBox; }
    QLineEdit* Subject() const { return SubjectEdit; }
    QLineEdit* Attachment() const { return AttachmentFileNameEdit; }
    QLineEdit* BodyFileName() const { return BodyFileNameEdit; }
    QComboBox* ContentTypeBox() const { return ContentTypeComboBox; }

    void SelectBodyFileNameButtonClick();
    void SelectAttachmentFileNameButtonClick();

private:
    void LayOut();

    TFileChooser& Chooser;
    TDigitKeyFilter* Digits;
    QComboBox* EmailPriorityComboBox;
    QLineEdit* SubjectEdit;
    QLineEdit* AttachmentFileNameEdit;
    QPushButton* SelectAttachmentFileNameButton;
    QLineEdit* BodyFileNameEdit;
    QPushButton* SelectBodyFileNameButton;
    QComboBox* ContentTypeComboBox;
};

} // namespace corvalet
