#include "ShowHelpFile.h"

#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <array>

namespace veilcraft {

QString helpTopicPage(int context)
{
    // Indexed by the HelpContext numbers, Contents first.
    static constexpr std::array<const char*, 15> pages = {
        "",
        "encrypt-file.html",
        "encrypt-folder.html",
        "decrypt-file.html",
        "encrypt-text.html",
        "archive-window.html",
        "shredder.html",
        "file-browser.html",
        "file-operations.html",
        "properties.html",
        "settings.html",
        "password.html",
        "association.html",
        "online.html",
        "command-line.html",
    };
    static_assert(pages.size() == HelpContext::CommandLine + 1, "one page per context number");
    if (context < 0 || context >= static_cast<int>(pages.size()))
        return {};
    return QString::fromLatin1(pages[static_cast<std::size_t>(context)]);
}

QString helpFilePath()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString beside = programFolder.filePath("help/index.html");
    if (QFileInfo(beside).isFile())
        return beside;
    return QDir::cleanPath(programFolder.filePath(QStringLiteral(VEILCRAFT_HELP_DIR_FROM_PROGRAM "/index.html")));
}

bool ShowHelpFile(const QString& helpFile, QWidget* owner, int context)
{
    const QFileInfo file(helpFile);
    if (!file.isFile())
        return false;
    const QUrl contents = QUrl::fromLocalFile(file.absoluteFilePath());
    QUrl page = contents;
    const QString topic = helpTopicPage(context);
    if (!topic.isEmpty() && file.dir().exists(topic))
        page = QUrl::fromLocalFile(file.dir().absoluteFilePath(topic));

    HelpWindow* window = nullptr;
    if (owner != nullptr)
        window = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr)
        window = new HelpWindow(owner);
    window->open(contents, page);
    window->show();
    window->raise();
    window->activateWindow();
    return window->isVisible();
}

}  // namespace veilcraft
