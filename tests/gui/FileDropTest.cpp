// Files dropped onto a list, and the file list's rows dragged out as file URLs.
#include "Drive.h"
#include "FileDrop.h"
#include "FileList.h"
#include "FolderHandle.h"
#include "GuiTest.h"
#include "ListView.h"
#include "ListedFile.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"

#include <QApplication>
#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

using namespace veilcraft;

namespace {

QUrl fileUrl(const std::string& path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

class FileDropTest : public ::testing::Test {
protected:
    // Drags `data` onto the viewport and drops it there; true when the drag was taken.
    bool dropOnto(QWidget* viewport, const QMimeData& data)
    {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        if (!enter.isAccepted())
            return false;
        EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    }
    bool dropUrls(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        return dropOnto(list.reportView()->viewport(), data);
    }

    test::WithApplication application;
    test::TempDir dir;
    test::ScriptedUserInterface ui;
    ListView list;
    std::vector<QStringList> added;
    FileDrop* fileDrop = new FileDrop(&list, ui, [this](const QStringList& files) { added.push_back(files); });
};

}  // namespace

TEST_F(FileDropTest, RegularFilesAreAddedInOrderAndTheRestNamedInOneWarning)
{
    const std::string odd = dir.file("caf\xe9.txt");
    for (const std::string& file : {dir.file("a.txt"), odd})
        test::writeFile(file, "x");
    std::filesystem::create_directory(dir.file("Photos"));
    ASSERT_TRUE(dropUrls({fileUrl(dir.file("a.txt")), fileUrl(dir.file("Photos")), QUrl("https://example.org/y.txt"),
                          fileUrl(odd), fileUrl(dir.file("gone.txt")), fileUrl(dir.file("a.txt"))}));

    ASSERT_EQ(added.size(), 1u);
    const QString a = QString::fromStdString(dir.file("a.txt"));
    EXPECT_EQ(added[0], QStringList({a, displayPath(QByteArray::fromStdString(odd)), a}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "These items were not added:\n" + dir.file("Photos") +
                                       ": is a folder\nhttps://example.org/y.txt: not a local file\n" +
                                       dir.file("gone.txt") + ": not found");
    EXPECT_EQ(ui.messages[0].title, kApplicationTitle);
    EXPECT_EQ(ui.messages[0].icon, UserInterface::Icon::Warning);
}

TEST_F(FileDropTest, OnlyUrlsAreTakenAndIconViewsTakeThemInEveryMode)
{
    QMimeData text;
    text.setText(QString::fromStdString(dir.file("a.txt")));
    EXPECT_FALSE(dropOnto(list.reportView()->viewport(), text));

    test::writeFile(dir.file("a.txt"), "x");
    QMimeData urls;
    urls.setUrls({fileUrl(dir.file("a.txt"))});
    for (const int view : {ListView::LargeIcons, ListView::SmallIcons, ListView::List}) {
        list.setView(view);
        EXPECT_TRUE(dropOnto(list.iconView()->viewport(), urls));
    }
    EXPECT_EQ(added.size(), 3u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileDropTest, TheFileListsRowsLeaveAsUrlsOfTheirExactBytesAndDrivesStay)
{
    const QByteArray plain = QByteArray::fromStdString(dir.file("plain 100%.txt"));
    const QByteArray odd = QByteArray::fromStdString(dir.file("caf\xe9.txt"));
    std::vector<ListedFile> files;
    for (const QByteArray& path : {plain, odd}) {
        test::writeFile(path.toStdString(), "x");
        struct stat status {};
        ASSERT_EQ(::lstat(path.constData(), &status), 0);
        files.emplace_back(path, status);
    }
    QWidget menuParent;
    ListView source;
    for (const char* column : {"Name", "Size", "Type", "Modify Date"})
        source.addColumn(column, column, 100);
    auto* fileList = new FileList(&source, ui, &menuParent);
    fileList->ListFileRows(files, false);
    ASSERT_EQ(source.model()->rowCount(), 2);
    EXPECT_TRUE(source.reportView()->dragEnabled());

    // Selected second row first, with two of its columns.
    const std::unique_ptr<QMimeData> data(source.model()->mimeData(
        {source.model()->index(1, 1), source.model()->index(1, 0), source.model()->index(0, 0)}));
    ASSERT_NE(data, nullptr);
    QList<QByteArray> bytes;
    for (const QUrl& url : data->urls()) {
        EXPECT_EQ(url.scheme(), "file");
        bytes << QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    }
    EXPECT_EQ(bytes, QList<QByteArray>({plain, odd}));
    EXPECT_EQ(source.model()->supportedDragActions(), Qt::CopyAction);
    ASSERT_TRUE(dropOnto(list.reportView()->viewport(), *data));
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0], QStringList({displayPath(plain), displayPath(odd)}));

    fileList->clear();
    fileList->ListDriveRows({Drive(Volume{QString::fromStdString(dir.path()), "", "ext4"})});
    EXPECT_EQ(source.model()->mimeData({source.model()->index(0, 0)}), nullptr);
}
