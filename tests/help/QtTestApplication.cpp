#include "QtTestApplication.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvalet::test {

namespace {

int ArgumentCount = 1;
char ProgramName[] = "help_tests";
char* Arguments[] = {ProgramName, nullptr};

std::unique_ptr<QApplication>& Application() {
    static std::unique_ptr<QApplication> application;
    return application;
}

class TQtApplicationEnvironment : public testing::Environment {
public:
    void TearDown() override { Application().reset(); }
};

// Google Test owns and runs the environment.
[[maybe_unused]] const testing::Environment* const Registered =
    testing::AddGlobalTestEnvironment(new TQtApplicationEnvironment);

} // namespace

QApplication& QtTestApplication() {
    if (!Application()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        Application() = std::make_unique<QApplication>(ArgumentCount, Arguments);
    }
    return *Application();
}

} // namespace corvalet::test
