#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace veilcraft {

class UserInterface;
class frmExecute;
class frmMain;

// The program's start: the main window is made first (it is the splash's
// owner), the splash is shown until its timer or a key closes it, and then
// either the main window is shown or, for a command-line argument, the
// archive window opens that file and the program ends with it.
class StartUp : public QObject {
    Q_OBJECT
public:
    // `mainUi` answers for the main window, `archiveUi` for archive windows;
    // `splashTicks`: how many 200 ms ticks the splash stays (25 normally;
    // 0 leaves it out).
    StartUp(UserInterface& mainUi, UserInterface& archiveUi, int splashTicks = 25);
    ~StartUp() override;

    // Runs the start-up routine for the whole command-line argument text.
    // True when the program goes on with its main window; false when it has
    // ended (an archive window came and went).
    bool run(const QString& argument);

    // An argument handed over by a later start: its archive window opens
    // beside the main window; without one the main window comes forward.
    void openHandedOver(const QString& argument);

    [[nodiscard]] frmMain& mainWindow() { return *main_; }

private:
    // An archive window for `path` that deletes itself when closed, or
    // nothing when the file could not be opened.
    frmExecute* openArchiveWindow(const QString& path);

    UserInterface& archiveUi_;
    int splashTicks_;
    std::unique_ptr<frmMain> main_;
};

}  // namespace veilcraft
