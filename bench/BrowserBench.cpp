// The browser's responsiveness goals, measured on this machine:
//   listing a folder of 10,000 files shows its rows within 300 ms, one of
//   100,000 files within 1.5 s;
//   building the folder tree at start-up takes at most 200 ms.
// The folder is made in a fresh temporary folder (TMPDIR) with ordinary
// names, extensions, sizes and dates, and removed afterwards; the tree is built over the
// machine's mounted volumes, as the program builds it. Runs offscreen.
//
//   veilcraft_browser_bench [FILES]      (default 10000)
// Exit status 0 when both goals are met, 1 otherwise.
#include "FileList.h"
#include "FileSys.h"
#include "FolderTree.h"
#include "ListedFile.h"
#include "ListView.h"
#include "SilentUserInterface.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir folder(QDir::tempPath() + "/veilcraft-listing-XXXXXX");
    if (!folder.isValid() || count <= 0) {
        std::cerr << "no temporary folder or no file count\n";
        return 2;
    }
    const char* const extensions[] = {".txt", ".jpg", ".pdf", ".doc", ".png", ".zip", ".vkf", ".mp3"};
    // Sizes and modification times differ from file to file, spread over
    // three years, as in a real folder: nothing is formatted only once.
    const QDateTime newest = QDateTime::currentDateTime();
    for (int i = 0; i < count; ++i) {
        QFile file(folder.path() + QString("/file%1%2").arg(i, 5, 10, QChar('0')).arg(extensions[i % 8]));
        const QByteArray content((i * 7919) % 4096, 'x');
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            !file.setFileTime(newest.addSecs(-static_cast<qint64>(i) * 9461), QFileDevice::FileModificationTime)) {
            std::cerr << "cannot write " << file.fileName().toStdString() << '\n';
            return 2;
        }
    }

    SilentUserInterface ui;
    veilcraft::FileSys fileSys;
    veilcraft::ListView list;
    veilcraft::FileList rows(&list, ui, &list);
    list.addColumn("Name", "Name", 200);
    list.addColumn("Size", "Size", 100);
    list.addColumn("Type", "Type", 100);
    list.addColumn("MDate", "UpdateTime", 100);
    list.resize(700, 400);
    list.show();

    QElapsedTimer clock;
    clock.start();
    rows.setFileHeaders();
    rows.ListFileRows(veilcraft::listFiles(fileSys.GetFolder(folder.path())), false);
    QApplication::processEvents();
    const qint64 listingMs = clock.elapsed();
    const int listed = list.model()->rowCount();

    QTreeWidget tree;
    veilcraft::FolderTree folders(
        &tree, rows, ui, std::make_shared<veilcraft::FileSys>(), [](const QString&, const QString&) {},
        [] { return false; });
    clock.restart();
    folders.BuildFolderTree();
    const qint64 treeMs = clock.elapsed();

    const qint64 goalMs = count > 10000 ? 1500 : 300;
    std::printf("listing %d files: %lld ms, %d rows (goal < %lld ms)\n", count, static_cast<long long>(listingMs),
                listed, static_cast<long long>(goalMs));
    std::printf("building the folder tree: %lld ms, %d drives (goal <= 200 ms)\n", static_cast<long long>(treeMs),
                static_cast<int>(fileSys.Drives().size()));
    return listingMs < goalMs && treeMs <= 200 ? 0 : 1;
}
