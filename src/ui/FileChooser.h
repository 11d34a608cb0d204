#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvalet {

// One file type a chooser offers: its description and its pattern ("Log Files (*.log)", "*.log").
struct TFileType {
    std::string Description;
    std::string Pattern;

    bool operator==(const TFileType&) const = default;
};

// What a file chooser is asked to show.
struct TFileChoice {
    enum class EKind { Open, Save };

    EKind Kind = EKind::Open;
    // Empty: the platform's own title for the kind of chooser.
    std::string Title;
    std::vector<TFileType> Types;
    // Added to a name typed without one (without its dot: "log").
    std::string DefaultExtension;
    std::string InitialFileName;
    std::string InitialFolder;
    bool FileMustExist = false;
    bool FolderMustExist = false;
    // A save chooser asks before an existing file is chosen; off for a file that is only added to.
    bool ConfirmReplace = true;
    bool HideReadOnly = false;
    // The program's current folder stays as it was whatever folder the user browses to.
    bool KeepCurrentFolder = false;
    bool Resizable = true;

    bool operator==(const TFileChoice&) const = default;
};

// Asks the user for a file. The window uses the platform's file dialogs; tests answer directly.
class TFileChooser {
public:
    virtual ~TFileChooser() = default;
    // The full path of the confirmed file; nothing when the user cancelled.
    virtual std::optional<std::string> Choose(const TFileChoice& choice) = 0;
};

} // namespace corvalet
