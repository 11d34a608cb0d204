#pragma once

#include "app/Dialogs.h"

class QWidget;

namespace corvalet {

// The program's message boxes as Qt message boxes, modal to the given window.
class TQtDialogs final : public TDialogs {
public:
    explicit TQtDialogs(QWidget* owner = nullptr) : Owner(owner) {}

    void SetOwner(QWidget* owner) { Owner = owner; }
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;

private:
    QWidget* Owner;
};

} // namespace corvalet
