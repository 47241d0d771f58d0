#pragma once

#include <QString>

class QWidget;

namespace veilcraft {

// Context numbers of the user guide: a window passes the one of its area to
// open the guide at that area's page. Contents is the default topic.
namespace HelpContext {
enum : int {
    Contents = 0,
    EncryptFile,
    EncryptFolder,
    DecryptFile,
    EncryptText,
    ArchiveWindow,
    Shredder,
    FileBrowser,
    FileOperations,
    Properties,
    Settings,
    Password,
    Association,
    Online,
    CommandLine,
};
}  // namespace HelpContext

// The page file of a context number, e.g. "shredder.html"; the empty text
// for Contents and for numbers without a page.
[[nodiscard]] QString helpTopicPage(int context);

// The user guide's default topic:
// <program folder>/help/index.html in the build folder; installed, index.html
// in the guide's folder of the installation.
[[nodiscard]] QString helpFilePath();

// Opens the help window owned by `owner` on `helpFile` (reusing the one that
// is open): at the page of `context` in the same folder when there is one,
// else at `helpFile` itself. False, with no message, when no file exists at
// `helpFile`; true when the window shows it.
bool ShowHelpFile(const QString& helpFile, QWidget* owner, int context);

}  // namespace veilcraft
