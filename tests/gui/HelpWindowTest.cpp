// The help window and ShowHelpFile, the pictures, and the user guide's links.
#include "FrameResources.h"
#include "GuiTest.h"
#include "HelpWindow.h"
#include "ShowHelpFile.h"
#include "TempDir.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace veilcraft;

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString pageName(const QUrl& url)
{
    return QFileInfo(url.toLocalFile()).fileName();
}

// Records the web addresses the desktop was asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class HelpWindowTest : public ::testing::Test {
protected:
    HelpWindowTest()
    {
        const auto page = [this](const char* name, const char* body) {
            test::writeFile(folder.file(name), std::string("<html><body>") + body + "</body></html>");
        };
        page("index.html", "<h1>Contents</h1><a href=\"shredder.html\">Shredder</a>");
        page("shredder.html", "<h1>Shredder</h1><a href=\"index.html#top\">Contents</a>");
        helpFile = QString::fromStdString(folder.file("index.html"));
    }

    HelpWindow* helpWindow() const { return owner->findChild<HelpWindow*>("HelpWindow"); }

    test::WithApplication application;
    test::TempDir folder;
    QString helpFile;
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>();
};

}  // namespace

// A missing guide is only a false result: no window, no message.
TEST_F(HelpWindowTest, MissingFileOpensNothing)
{
    EXPECT_FALSE(ShowHelpFile(QString::fromStdString(folder.file("nothing.html")), owner.get(), 0));
    EXPECT_FALSE(ShowHelpFile(QString::fromStdString(folder.path()), owner.get(), 0));
    EXPECT_EQ(helpWindow(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(HelpWindowTest, OpensAtTheDefaultTopicOwnedByTheWindow)
{
    ASSERT_TRUE(ShowHelpFile(helpFile, owner.get(), HelpContext::Contents));
    HelpWindow* window = helpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), "Veilcraft Help");
    EXPECT_EQ(pageName(window->currentPage()), "index.html");
    EXPECT_TRUE(window->txtHelp->toPlainText().contains("Contents"));
}

// A context number opens its area's page; a second call reuses the window.
TEST_F(HelpWindowTest, ContextNumberChoosesThePage)
{
    ASSERT_TRUE(ShowHelpFile(helpFile, owner.get(), HelpContext::Shredder));
    EXPECT_EQ(pageName(helpWindow()->currentPage()), "shredder.html");
    EXPECT_EQ(pageName(helpWindow()->contents()), "index.html");

    // No page for this area here, and a number without an area: contents.
    ASSERT_TRUE(ShowHelpFile(helpFile, owner.get(), HelpContext::Settings));
    EXPECT_EQ(pageName(helpWindow()->currentPage()), "index.html");
    ASSERT_TRUE(ShowHelpFile(helpFile, owner.get(), 9999));
    EXPECT_EQ(pageName(helpWindow()->currentPage()), "index.html");
    EXPECT_EQ(owner->findChildren<HelpWindow*>().size(), 1);
}

TEST_F(HelpWindowTest, LinksBackForwardAndContents)
{
    ASSERT_TRUE(ShowHelpFile(helpFile, owner.get(), 0));
    HelpWindow* window = helpWindow();
    EXPECT_FALSE(window->cmdBack->isEnabled());

    window->followLink(QUrl("shredder.html"));
    EXPECT_EQ(pageName(window->currentPage()), "shredder.html");
    ASSERT_TRUE(window->cmdBack->isEnabled());

    QTest::mouseClick(window->cmdBack, Qt::LeftButton);
    EXPECT_EQ(pageName(window->currentPage()), "index.html");
    ASSERT_TRUE(window->cmdForward->isEnabled());
    QTest::mouseClick(window->cmdForward, Qt::LeftButton);
    EXPECT_EQ(pageName(window->currentPage()), "shredder.html");

    QTest::mouseClick(window->cmdHome, Qt::LeftButton);
    EXPECT_EQ(pageName(window->currentPage()), "index.html");
}

// Web addresses leave the window for the user's browser.
TEST_F(HelpWindowTest, WebLinksGoToTheDesktop)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    ASSERT_TRUE(ShowHelpFile(helpFile, owner.get(), 0));
    helpWindow()->followLink(QUrl("https://example.org/faq.html"));
    QDesktopServices::unsetUrlHandler("https");

    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.front(), QUrl("https://example.org/faq.html"));
    EXPECT_EQ(pageName(helpWindow()->currentPage()), "index.html");
}

// The build puts the guide beside the program, where the Help command looks.
TEST(HelpFilePath, TheGuideIsBesideTheProgram)
{
    test::ensureApplication();
    EXPECT_EQ(helpFilePath(), QCoreApplication::applicationDirPath() + "/help/index.html");
    EXPECT_TRUE(QFileInfo(helpFilePath()).isFile());
}

TEST(FrameResources, PicturesAreCompiledIn)
{
    test::ensureApplication();
    // An icon never scales a picture up: a larger request gives its own size.
    EXPECT_EQ(applicationIcon().pixmap(512).size(), QSize(256, 256));
    EXPECT_EQ(splashPicture().size(), QSize(400, 250));
}

// Catches a page of the guide linking to a page or anchor that is not there.
TEST(UserGuide, EveryLinkBetweenThePagesResolves)
{
    const QDir help(VEILCRAFT_HELP_DIR);
    const QStringList pages = help.entryList({"*.html"}, QDir::Files);
    ASSERT_TRUE(pages.contains("index.html"));
    const QRegularExpression href(R"re(href\s*=\s*"([^"]*)")re");
    const QString anchorPattern = R"re((?:id|name)\s*=\s*"%1")re";
    int links = 0;
    for (const QString& page : pages) {
        const QString text = readText(help.filePath(page));
        for (const QRegularExpressionMatch& match : href.globalMatch(text)) {
            const QUrl url(match.captured(1));
            if (!url.isRelative())
                continue;
            ++links;
            const QString target = url.path().isEmpty() ? page : url.path();
            EXPECT_TRUE(help.exists(target)) << page.toStdString() << " links to missing " << target.toStdString();
            if (url.hasFragment() && help.exists(target)) {
                const QRegularExpression anchor(anchorPattern.arg(QRegularExpression::escape(url.fragment())));
                EXPECT_TRUE(anchor.match(readText(help.filePath(target))).hasMatch())
                    << page.toStdString() << " links to missing anchor " << url.toString().toStdString();
            }
        }
    }
    EXPECT_GT(links, 0);
}

// Catches a page nobody can reach from the contents, and a context number
// whose page is missing.
TEST(UserGuide, ContentsReachEveryPageAndEveryContextHasOne)
{
    const QDir help(VEILCRAFT_HELP_DIR);
    const QString contents = readText(help.filePath("index.html"));
    for (const QString& page : help.entryList({"*.html"}, QDir::Files)) {
        if (page != "index.html") {
            EXPECT_TRUE(contents.contains("href=\"" + page)) << page.toStdString() << " is not in the contents";
        }
    }
    for (int context = HelpContext::Contents + 1; context <= HelpContext::CommandLine; ++context)
        EXPECT_TRUE(help.exists(helpTopicPage(context))) << "context " << context;
}

#include "HelpWindowTest.moc"
