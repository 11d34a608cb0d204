#pragma once

#include "ui/CorvaletApplication.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace corvalet::test {

// Holds the application object of the app tests, on Qt's offscreen platform, and ends it when
// the tests are over, while everything it relies on still exists (so that its fonts and caches
// are given back).
class TApplicationEnvironment final : public ::testing::Environment {
public:
    TCorvaletApplication& Application() {
        if (!App) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            App = std::make_unique<TCorvaletApplication>(Argc, Argv);
        }
        return *App;
    }
    void TearDown() override { App.reset(); }

private:
    int Argc = 1;
    char Name[10] = "app_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<TCorvaletApplication> App;
};

// The program's own application object, so that its program-wide error handling is tested too.
inline TCorvaletApplication& TestApplication() {
    // Google Test owns the environments it is given.
    static TApplicationEnvironment* const environment = static_cast<TApplicationEnvironment*>(
        ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment));
    return environment->Application();
}

} // namespace corvalet::test
