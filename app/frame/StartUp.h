#pragma once

#include "LaunchRequest.h"

#include <QObject>

#include <memory>

namespace veilcraft {

class UserInterface;
class frmExecute;
class frmMain;

// The program's start: the main window is made first (it is the splash's
// owner), the splash is shown until its timer or a key closes it, and then
// either the main window is shown (with the files of --encrypt or --decrypt
// in its panel's list) or, for any other command-line argument, the archive
// window opens that file and the program ends with it.
class StartUp : public QObject {
    Q_OBJECT
public:
    // `mainUi` answers for the main window, `archiveUi` for archive windows;
    // `splashTicks`: how many 200 ms ticks the splash stays (25 normally;
    // 0 leaves it out).
    StartUp(UserInterface& mainUi, UserInterface& archiveUi, int splashTicks = 25);
    ~StartUp() override;

    // Runs the start-up routine for the command line's request. True when
    // the program goes on with its main window; false when it has ended (an
    // archive window came and went).
    bool run(const LaunchRequest& request);

    // The request of a later start: an archive window opens beside the main
    // window; files go into the main window's panel; without arguments the
    // main window comes forward.
    void openHandedOver(const LaunchRequest& request);

    [[nodiscard]] frmMain& mainWindow() { return *main_; }

private:
    // An archive window for `path` that deletes itself when closed, or
    // nothing when the file could not be opened.
    frmExecute* openArchiveWindow(const QString& path);
    // The files of --encrypt or --decrypt into the main window's panel.
    void openFiles(const LaunchRequest& request);

    UserInterface& archiveUi_;
    int splashTicks_;
    std::unique_ptr<frmMain> main_;
};

}  // namespace veilcraft
