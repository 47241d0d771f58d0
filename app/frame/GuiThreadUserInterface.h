#pragma once

#include "UserInterface.h"

#include <QObject>

#include <functional>

namespace veilcraft {

// Lets a workflow that runs on a worker thread talk to the user: every
// request is carried out by another UserInterface on the thread of
// `context` (the window's thread), the caller waiting for the answer.
// Called on that thread itself, requests go straight through.
class GuiThreadUserInterface final : public UserInterface {
public:
    GuiThreadUserInterface(UserInterface& inner, QObject* context);

    Answer message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) override;
    std::optional<std::string> askPassword() override;
    std::string browseForFolder(const std::string& title, const std::string& startFolder) override;
    std::string askSaveFile(const std::string& filter, const std::string& proposal) override;
    // The window's events run on its own thread meanwhile.
    void processEvents() override {}
    void setBusy(bool busy) override;
    void progress(int percent, const std::string& currentFile) override;
    [[nodiscard]] bool cancelRequested() override;
    void showStatus(const std::string& text) override;

private:
    // Runs `request` on the context's thread and waits for it.
    void onGuiThread(const std::function<void()>& request);

    UserInterface& inner_;
    QObject* context_;
};

}  // namespace veilcraft
