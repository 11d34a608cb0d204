#include "MainFormFixture.h"

namespace corvalet::test {

namespace {

// Holds the application object for the whole test run and ends it before the program exits, while
// everything it relies on still exists.
class TUiEnvironment final : public ::testing::Environment {
public:
    QApplication& Application() {
        if (!App) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            App = std::make_unique<QApplication>(Argc, Argv);
        }
        return *App;
    }
    void TearDown() override { App.reset(); }

private:
    int Argc = 1;
    char Name[9] = "ui_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QApplication> App;
};

// Google Test owns the environments it is given.
TUiEnvironment& Environment() {
    static TUiEnvironment* const environment =
        static_cast<TUiEnvironment*>(::testing::AddGlobalTestEnvironment(new TUiEnvironment));
    return *environment;
}

} // namespace

QApplication& UiApplication() {
    return Environment().Application();
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
                                                         }});
    Form->SettingsToControls();
    Form->PrepareEditingArea();
}

void TMainFormTest::ShowActive() {
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
}

} // namespace corvalet::test
