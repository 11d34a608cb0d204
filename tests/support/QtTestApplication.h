#pragma once

#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>

namespace corvalet::test {

// Holds the one application object of a widget test executable, on Qt's offscreen platform unless
// the environment chose another, and ends it when the tests have run, while everything it relies on
// (fonts, caches, Qt's own statics) still exists.
template <typename TApplication>
class TQtApplicationEnvironment final : public ::testing::Environment {
public:
    TApplication& Application() {
        if (!App) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            App = std::make_unique<TApplication>(Argc, Argv);
        }
        return *App;
    }
    void TearDown() override { App.reset(); }

private:
    int Argc = 1;
    char Name[16] = "corvalet_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<TApplication> App;
};

// The application object, made on first use.
template <typename TApplication = QApplication>
TApplication& QtTestApplication() {
    // Google Test owns the environments it is given.
    static auto* const environment = static_cast<TQtApplicationEnvironment<TApplication>*>(
        ::testing::AddGlobalTestEnvironment(new TQtApplicationEnvironment<TApplication>));
    return environment->Application();
}

// A first member of a widget test's fixture, so that the application exists before any widget.
struct TQtApplicationFirst {
    TQtApplicationFirst() { QtTestApplication(); }
};

} // namespace corvalet::test
