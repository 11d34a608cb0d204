#pragma once

#include <string>

namespace corvalet {

// The program's message boxes. The window installs the real boxes; tests install answers.
class TDialogs {
public:
    virtual ~TDialogs() = default;
    virtual void ShowInformation(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
};

} // namespace corvalet
