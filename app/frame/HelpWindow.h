#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace veilcraft {

// The user guide's window: the help pages (help/*.html beside the program)
// in a text browser with Back, Forward and Contents. Links between the pages
// stay in the window; web addresses and mail links go to the user's browser
// or mail program. It is a top-level window owned by the window that opened
// it, so it closes with that window and never blocks it.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);

    // Makes `contents` the page that cmdHome returns to, and shows `page`.
    void open(const QUrl& contents, const QUrl& page);

    // What a click on a link does: a page of the guide (a local file, also
    // given relative to the page shown) is shown here, any other address is
    // handed to the desktop.
    void followLink(const QUrl& link);

    [[nodiscard]] QUrl currentPage() const;
    [[nodiscard]] QUrl contents() const { return contents_; }

    QTextBrowser* txtHelp;
    QToolButton* cmdBack;
    QToolButton* cmdForward;
    QToolButton* cmdHome;

private:
    QUrl contents_;
};

}  // namespace veilcraft
