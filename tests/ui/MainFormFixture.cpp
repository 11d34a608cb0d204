#include "MainFormFixture.h"

#include "support/QtTestApplication.h"

namespace corvalet::test {

QApplication& UiApplication() {
    return QtTestApplication();
}

TMainFormTest::TMainFormTest() : Settings(Folder.Folder(), Registry) {
    UiApplication();
    Recreate();
}

TMainFormTest::~TMainFormTest() = default;

void TMainFormTest::Recreate() {
    Form.reset();
    Form = std::make_unique<TMainForm>(TMainFormServices{Settings, Logger, Dialogs, Chooser, Formats, Clock,
                                                         [this](const std::exception& error) {
                                                             HandledErrors.emplace_back(error.what());
                                                             VisibleAtError.push_back(Form->isVisible());
                                                         },
                                                         Autostart.get()});
    Form->SettingsToControls();
    Form->PrepareEditingArea();
}

void TMainFormTest::ShowActive() {
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
}

} // namespace corvalet::test
