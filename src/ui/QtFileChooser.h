#pragma once

#include "ui/FileChooser.h"

class QWidget;

namespace corvalet {

// The file chooser of the window: Qt's file dialogs, modal to the given window.
class TQtFileChooser final : public TFileChooser {
public:
    explicit TQtFileChooser(QWidget* owner = nullptr) : Owner(owner) {}

    void SetOwner(QWidget* owner) { Owner = owner; }
    std::optional<std::string> Choose(const TFileChoice& choice) override;

private:
    QWidget* Owner;
};

} // namespace corvalet
