#pragma once

#include <optional>
#include <string>

namespace veilcraft {

// Everything a workflow asks of the user or shows on the screen. The window
// implements it with dialogs, the command line with the terminal and its
// flags, and tests with scripted answers. Texts are UTF-8; passwords are
// latin-1 bytes, one per character (the implementation converts and refuses
// what latin-1 cannot hold).
class UserInterface {
public:
    enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Ok, Cancel, Yes, No, Retry };

    virtual ~UserInterface() = default;

    // A message box; returns the button pressed.
    virtual Answer message(const std::string& text, const std::string& title, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None) = 0;

    // The password dialog: asks twice and returns the confirmed password, or
    // nothing when the user closed it.
    virtual std::optional<std::string> askPassword() = 0;

    // The folder picker; an empty result means cancelled.
    virtual std::string browseForFolder(const std::string& title, const std::string& startFolder) = 0;

    // The save-file dialog with a filter such as "Veilcraft file(*.vkf)|*.vkf|";
    // asks before overwriting. An empty result means cancelled.
    virtual std::string askSaveFile(const std::string& filter, const std::string& proposal) = 0;

    // Lets pending user-interface events run during a long run.
    virtual void processEvents() = 0;

    // The busy (hourglass) pointer.
    virtual void setBusy(bool busy) = 0;

    // Progress of the current step, 0..100, and the file it works on.
    virtual void progress(int percent, const std::string& currentFile) = 0;

    // True once the user asked to stop the running work.
    [[nodiscard]] virtual bool cancelRequested() = 0;

    // The one-line result text of the panel that runs the workflow.
    virtual void showStatus(const std::string& text) = 0;
};

// The application's title, used by message boxes that carry it.
inline constexpr const char* kApplicationTitle = "Veilcraft";

}  // namespace veilcraft
