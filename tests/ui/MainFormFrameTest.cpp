// The window's frame: caption, sizes, pages, buttons, control names and tab order.
#include "MainFormFixture.h"

#include "ui/GeneralPage.h"
#include "ui/LoggingPage.h"
#include "ui/PageGrid.h"
#include "ui/RecipientListView.h"
#include "ui/UpDown.h"

#include <functional>

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace corvalet::test {
namespace {

using MainFormFrame = TMainFormTest;

TEST_F(MainFormFrame, CaptionIsSetEachTimeTheWindowIsShown) {
    Form->setWindowTitle("something else");
    Form->show();
    EXPECT_EQ(Form->windowTitle(), "Corvalet Configuration");
    Form->hide();
    Form->setWindowTitle("something else");
    Form->show();
    EXPECT_EQ(Form->windowTitle(), "Corvalet Configuration");
}

TEST_F(MainFormFrame, SizesAndPages) {
    EXPECT_EQ(Form->minimumSize(), QSize(390, 450));
    EXPECT_EQ(Form->size(), QSize(468, 487));
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowContextHelpButtonHint);
    auto* pages = Find<QTabWidget>("PageControl");
    ASSERT_EQ(pages->count(), 4);
    const char* const captions[] = {"General", "Message", "Connection", "Logging"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pages->tabText(i), captions[i]);
    EXPECT_EQ(pages->currentIndex(), 0);
}

TEST_F(MainFormFrame, CentredOnTheScreenWhenFirstShown) {
    Form->show();
    const QPoint screenCentre = Form->screen()->availableGeometry().center();
    EXPECT_LE((Form->geometry().center() - screenCentre).manhattanLength(), 4);
    // Moved by the user and shown again, it stays where it was put.
    Form->hide();
    Form->move(10, 20);
    Form->show();
    EXPECT_EQ(Form->pos(), QPoint(10, 20));
}

TEST_F(MainFormFrame, WithoutAnErrorHandlerErrorsAreShownInABox) {
    TConfiguration unwritable(Folder.Folder() + "missing/", Registry);
    TMainForm form(TMainFormServices{unwritable, Logger, Dialogs, Chooser, Formats, Clock, {}});
    form.show();
    form.OKButtonClick();
    ASSERT_EQ(Dialogs.Errors.size(), 1u);
    EXPECT_EQ(Dialogs.Errors[0].rfind("Unable to write to ", 0), 0u);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MainFormFrame, ButtonRowWithOKAsDefault) {
    EXPECT_EQ(Find<QPushButton>("HelpButton")->text(), "Help");
    EXPECT_EQ(Find<QPushButton>("AboutButton")->text(), "About");
    EXPECT_EQ(Find<QPushButton>("OKButton")->text(), "OK");
    EXPECT_EQ(Find<QPushButton>("CancelButton")->text(), "Cancel");
    EXPECT_TRUE(Find<QPushButton>("OKButton")->isDefault());
}

TEST_F(MainFormFrame, ShownHiddenHelpAndAboutAreAnnounced) {
    QSignalSpy shown(Form.get(), &TMainForm::Shown);
    QSignalSpy hidden(Form.get(), &TMainForm::Hidden);
    QSignalSpy help(Form.get(), &TMainForm::HelpRequested);
    QSignalSpy about(Form.get(), &TMainForm::AboutRequested);
    Form->show();
    QTest::mouseClick(Find<QPushButton>("HelpButton"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("AboutButton"), Qt::LeftButton);
    Form->close();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(about.count(), 1);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(MainFormFrame, ClosingHidesWithoutRevertingTheEdits) {
    Form->show();
    Find<QLineEdit>("SubjectEdit")->setText("typed, not confirmed");
    Form->close();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Find<QLineEdit>("SubjectEdit")->text(), "typed, not confirmed");
    EXPECT_EQ(Settings.Subject, "");
}

TEST_F(MainFormFrame, EveryControlCarriesItsName) {
    const char* const lineEdits[] = {
        "SenderNameEdit",        "SenderAddressEdit", "RecipientAddressEdit", "HourTimeValueEdit",
        "MinutesTimeValueEdit",  "ColonEdit",         "SubjectEdit",          "AttachmentFileNameEdit",
        "BodyFileNameEdit",      "SMTPHostNameEdit",  "PortNumberEdit",       "LoggingFileNameEdit",
        "MaximumLogFileSizeEdit"};
    for (const char* name : lineEdits)
        Find<QLineEdit>(name);
    const char* const buttons[] = {"ReplaceBitBtn",
                                   "AddBitBtn",
                                   "DeleteBitBtn",
                                   "SendNowBitBtn",
                                   "SelectAttachmentFileNameButton",
                                   "SelectBodyFileNameButton",
                                   "LoggingFileNameButton"};
    for (const char* name : buttons)
        Find<QPushButton>(name);
    const char* const lists[] = {"DistributionMethodComboBoxEx", "FrequencyComboBoxEx",
                                 "EmailPriorityComboBox", "ContentTypeComboBox"};
    for (const char* name : lists)
        Find<QComboBox>(name);
    Find<QTreeWidget>("RecipientsListView");
    Find<QWidget>("TimeEdit");
    Find<TUpDown>("TimeUpDown");
    Find<TUpDown>("MaximumLogFileSizeUpDown");
    Find<QDateEdit>("FrequencyDateTimePicker");
    Find<QToolButton>("UpSpeedButton");
    Find<QToolButton>("DownSpeedButton");
    Find<QSlider>("TimeOutTrackBar");
    Find<QLabel>("TimeOutChoiceLabel");
    Find<QGroupBox>("LogTypeRadioGroup");
    Find<QCheckBox>("LimitLogFileCheckBox");
}

TEST_F(MainFormFrame, CaptionsAndInitialStates) {
    EXPECT_EQ(Find<QPushButton>("ReplaceBitBtn")->text(), "&Replace");
    EXPECT_EQ(Find<QPushButton>("AddBitBtn")->text(), "&Add");
    EXPECT_EQ(Find<QPushButton>("DeleteBitBtn")->text(), "Delete Item");
    EXPECT_EQ(Find<QPushButton>("SendNowBitBtn")->text(), "Send Now!");
    for (const char* name : {"ReplaceBitBtn", "AddBitBtn", "DeleteBitBtn", "SendNowBitBtn"})
        EXPECT_FALSE(Find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(Find<TUpDown>("TimeUpDown")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("ColonEdit")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("ColonEdit")->font().bold());
    EXPECT_EQ(Find<QLineEdit>("HourTimeValueEdit")->maxLength(), 2);
    EXPECT_EQ(Find<QLineEdit>("MinutesTimeValueEdit")->maxLength(), 2);

    auto* frequency = Find<QComboBox>("FrequencyComboBoxEx");
    ASSERT_EQ(frequency->count(), 12);
    EXPECT_EQ(frequency->itemText(0), "Daily");
    EXPECT_EQ(frequency->itemText(11), "Only at date ...");
    EXPECT_EQ(frequency->maxVisibleItems(), 8);
    auto* distribution = Find<QComboBox>("DistributionMethodComboBoxEx");
    EXPECT_TRUE(distribution->isEditable());
    EXPECT_EQ(distribution->count(), 2);

    auto* list = Find<QTreeWidget>("RecipientsListView");
    const QStringList headers{"E-mail address", "Time to send e-mail", "E-mail frequency", "Distribution"};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(list->headerItem()->text(column).replace(QLatin1Char('\n'), QLatin1Char(' ')), headers[column]);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(Find<QComboBox>("EmailPriorityComboBox")->count(), 5);
    EXPECT_EQ(Find<QComboBox>("ContentTypeComboBox")->count(), 2);
}

TEST_F(MainFormFrame, TheEditingAreaStartsAtTheCurrentTimeDailyAndBCC) {
    EXPECT_EQ(Find<QLineEdit>("HourTimeValueEdit")->text(), "14");
    EXPECT_EQ(Find<QLineEdit>("MinutesTimeValueEdit")->text(), "30");
    EXPECT_EQ(Find<QComboBox>("FrequencyComboBoxEx")->currentText(), "Daily");
    EXPECT_EQ(Find<QDateEdit>("FrequencyDateTimePicker")->date(), QDate(2026, 12, 9));
    EXPECT_TRUE(Find<QDateEdit>("FrequencyDateTimePicker")->isHidden());
    EXPECT_EQ(Find<QComboBox>("DistributionMethodComboBoxEx")->currentText(), "BCC");
    EXPECT_EQ(Find<QLineEdit>("RecipientAddressEdit")->text(), "");
}

// Names of the controls met when tabbing forward from `first` until it comes round again.
QStringList TabChain(QWidget* first) {
    QStringList names;
    QWidget* control = first;
    do {
        if (control->isVisible() && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus) &&
            control->focusProxy() == nullptr && !control->objectName().isEmpty() &&
            !control->objectName().startsWith("qt_"))
            names << control->objectName();
        control = control->nextInFocusChain();
    } while (control != first && names.size() < 60);
    return names;
}

TEST_F(MainFormFrame, TabOrderOfThePages) {
    Settings.AddRecipient("x@example.test", "09 : 05", "Daily", "BCC");
    Form->SettingsToControls();
    Find<QLineEdit>("RecipientAddressEdit")->setText("y@example.test");
    Find<QComboBox>("FrequencyComboBoxEx")->setCurrentIndex(11);
    Form->show();
    auto* pages = Find<QTabWidget>("PageControl");

    const QStringList general = TabChain(Find<QWidget>("SenderNameEdit"));
    const QStringList expectedGeneral{"SenderNameEdit",
                                      "SenderAddressEdit",
                                      "RecipientsListView",
                                      "RecipientAddressEdit",
                                      "HourTimeValueEdit",
                                      "MinutesTimeValueEdit",
                                      "DistributionMethodComboBoxEx",
                                      "FrequencyComboBoxEx",
                                      "FrequencyDateTimePicker",
                                      "ReplaceBitBtn",
                                      "AddBitBtn",
                                      "SendNowBitBtn"};
    EXPECT_EQ(general.mid(0, expectedGeneral.size()), expectedGeneral) << general.join(", ").toStdString();
    EXPECT_EQ(general.mid(expectedGeneral.size(), 4),
              (QStringList{"HelpButton", "AboutButton", "OKButton", "CancelButton"}))
        << general.join(", ").toStdString();

    pages->setCurrentIndex(1);
    const QStringList message = TabChain(Find<QWidget>("EmailPriorityComboBox"));
    EXPECT_EQ(message.mid(0, 7),
              (QStringList{"EmailPriorityComboBox", "SubjectEdit", "AttachmentFileNameEdit",
                           "SelectAttachmentFileNameButton", "BodyFileNameEdit", "SelectBodyFileNameButton",
                           "ContentTypeComboBox"}))
        << message.join(", ").toStdString();

    pages->setCurrentIndex(2);
    const QStringList connection = TabChain(Find<QWidget>("SMTPHostNameEdit"));
    EXPECT_EQ(connection.mid(0, 3), (QStringList{"SMTPHostNameEdit", "PortNumberEdit", "TimeOutTrackBar"}))
        << connection.join(", ").toStdString();

    pages->setCurrentIndex(3);
    const QStringList logging = TabChain(Find<QWidget>("LogTypeRadioButton0"));
    EXPECT_EQ(logging.mid(0, 6),
              (QStringList{"LogTypeRadioButton0", "LogTypeRadioButton1", "LogTypeRadioButton2",
                           "LoggingFileNameEdit", "LoggingFileNameButton", "LimitLogFileCheckBox"}))
        << logging.join(", ").toStdString();
}

} // namespace
} // namespace corvalet::test

namespace corvalet::test {
namespace {

// The controls of a page that the user sees, without the parts inside composite controls.
std::vector<QWidget*> VisibleControls(QWidget* page) {
    std::vector<QWidget*> controls;
    for (QWidget* control : page->findChildren<QWidget*>()) {
        if (!control->isVisible())
            continue;
        bool insideComposite = false;
        for (QWidget* up = control->parentWidget(); up != page && up != nullptr; up = up->parentWidget())
            insideComposite = insideComposite || qobject_cast<QComboBox*>(up) != nullptr ||
                              qobject_cast<QAbstractSpinBox*>(up) != nullptr ||
                              qobject_cast<QAbstractItemView*>(up) != nullptr;
        const bool kind = qobject_cast<QLabel*>(control) || qobject_cast<QLineEdit*>(control) ||
                          qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control) ||
                          qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QSlider*>(control) ||
                          qobject_cast<QAbstractItemView*>(control);
        if (kind && !insideComposite)
            controls.push_back(control);
    }
    return controls;
}

QString Describe(const QWidget* control) {
    return control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className()) +
                                                 QStringLiteral(" ") + control->property("text").toString()
                                           : control->objectName();
}

// Every heading of the list whole (with the sort mark where it stands); at the window's own size
// also every address, and no sideways scrolling.
void ExpectListReadable(QTreeWidget& list, const std::string& where, bool addressesWhole) {
    // The address heading may be cut at the minimum size; the address column gives way first.
    ExpectHeadingsWhole(list, TRecipientListView::TimeColumn, "on " + where);
    if (!addressesWhole)
        return;
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible()) << "list scrolls sideways on " << where;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        EXPECT_FALSE(TRecipientListView::IsCut(list, list.model()->index(row, TRecipientListView::AddressColumn)))
            << list.topLevelItem(row)->text(0).toStdString() << " cut on " << where;
}

// Runs `check` on every page of the window, in front and laid out, at the window's own size and
// at its minimum size; `where` names the page and the size.
void ForEveryPageAtBothSizes(TMainForm& form,
                             const std::function<void(QWidget* page, QSize size, const std::string& where)>& check) {
    for (const QSize size : {QSize(468, 487), QSize(390, 450)}) {
        form.resize(size);
        for (int index = 0; index < form.Pages()->count(); ++index) {
            form.Pages()->setCurrentIndex(index);
            QApplication::processEvents();
            check(form.Pages()->currentWidget(), size,
                  form.Pages()->tabText(index).toStdString() + " at " + std::to_string(size.width()) + "x" +
                      std::to_string(size.height()));
        }
    }
}

// At the initial and at the minimum size, on every page: captions get their full width and no two
// controls overlap.
TEST_F(MainFormFrame, NothingIsClippedOrOverlapsAtTheInitialAndMinimumSizes) {
    Settings.AddRecipient("team@example.test", "18 : 00", "Monthly starting from 01.12.2026", "CC");
    Settings.AddRecipient("carol@example.test", "09 : 05", "Each Wednesday", "BCC");
    Form->SettingsToControls();
    Form->show();
    Form->GeneralPage()->List()->RecipientsListViewColumnClick(TRecipientListView::DistributionColumn);
    Form->GeneralPage()->List()->setCurrentItem(Form->GeneralPage()->List()->topLevelItem(0));
    ForEveryPageAtBothSizes(*Form, [this](QWidget* page, QSize size, const std::string& where) {
        const std::vector<QWidget*> controls = VisibleControls(page);
        const QRect pageBox(page->mapTo(Form.get(), QPoint(0, 0)), page->size());
        for (QWidget* control : controls) {
            if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control) ||
                qobject_cast<QRadioButton*>(control)) {
                EXPECT_GE(control->width(), control->minimumSizeHint().width())
                    << Describe(control).toStdString() << " clipped on " << where;
            } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                // Push buttons may be narrower than the style's usual width, as long as the
                // caption fits.
                const QString caption = button->text().remove(QLatin1Char('&'));
                EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(caption) + 8)
                    << Describe(control).toStdString() << " clipped on " << where;
            }
            if (auto* list = qobject_cast<QTreeWidget*>(control))
                ExpectListReadable(*list, where, size == QSize(468, 487));
            const QRect box(control->mapTo(Form.get(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(pageBox.contains(box) && Form->rect().contains(pageBox))
                << Describe(control).toStdString() << " outside the page, " << where;
            for (QWidget* other : controls) {
                if (other == control || other->isAncestorOf(control) || control->isAncestorOf(other))
                    continue;
                const QRect otherBox(other->mapTo(Form.get(), QPoint(0, 0)), other->size());
                EXPECT_FALSE(box.intersects(otherBox))
                    << Describe(control).toStdString() << " overlaps " << Describe(other).toStdString()
                    << " on " << where;
            }
        }
    });
}

// The control that holds `control` and stands on the page itself (the time frame for its hour field).
QWidget* OnPage(QWidget* control, const QWidget* page) {
    while (control->parentWidget() != page && control->parentWidget() != nullptr)
        control = control->parentWidget();
    return control;
}

// On every page, at both sizes, the labels stand in one column and their fields start at one x
// (the size check box stands for its field's label); headings are bold, labels are not.
TEST_F(MainFormFrame, EachPageHasOneLabelColumnAndHeadingsThatStandOut) {
    Form->show();
    ForEveryPageAtBothSizes(*Form, [this](QWidget* page, QSize, const std::string& where) {
        std::vector<std::pair<QWidget*, QWidget*>> rows;
        for (QLabel* label : page->findChildren<QLabel*>())
            if (label->buddy() != nullptr && label->isVisible())
                rows.emplace_back(label, OnPage(label->buddy(), page));
        if (page == Form->LoggingPage())
            rows.emplace_back(Find<QCheckBox>("LimitLogFileCheckBox"), Find<QLineEdit>("MaximumLogFileSizeEdit"));
        ASSERT_FALSE(rows.empty()) << where;
        const int labelX = rows.front().first->mapTo(page, QPoint(0, 0)).x();
        const int fieldX = rows.front().second->mapTo(page, QPoint(0, 0)).x();
        for (const auto& [label, field] : rows) {
            EXPECT_EQ(label->mapTo(page, QPoint(0, 0)).x(), labelX) << Describe(label).toStdString() << ", " << where;
            EXPECT_EQ(field->mapTo(page, QPoint(0, 0)).x(), fieldX) << Describe(field).toStdString() << ", " << where;
            EXPECT_FALSE(label->font().bold()) << Describe(label).toStdString();
        }
        const QList<TPageHeading*> headings = page->findChildren<TPageHeading*>();
        EXPECT_FALSE(headings.isEmpty()) << where;
        for (const TPageHeading* heading : headings)
            EXPECT_TRUE(heading->Label()->font().bold()) << heading->Label()->text().toStdString();
    });
}

} // namespace
} // namespace corvalet::test
