#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace corvalet::test {

// Holds the application object of the app tests, on Qt's offscreen platform, and ends it when
// the tests are over, while everything it relies on still exists (so that its fonts and caches
// are given back).
class TApplicationEnvironment final : public ::testing::Environment {
public:
    QApplication& Application() {
        if (!App) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            App = std::make_unique<QApplication>(Argc, Argv);
        }
        return *App;
    }
    void TearDown() override { App.reset(); }

private:
    int Argc = 1;
    char Name[10] = "app_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QApplication> App;
};

inline QApplication& TestApplication() {
    // Google Test owns the environments it is given.
    static TApplicationEnvironment* const environment = static_cast<TApplicationEnvironment*>(
        ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment));
    return environment->Application();
}

} // namespace corvalet::test
