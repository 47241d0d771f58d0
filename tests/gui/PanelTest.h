#pragma once

// The main window over a folder of the test's own that stands in for its only
// drive, for driving the mode panels; and the veilcraft command beside it.
#include "FileSys.h"
#include "FolderTree.h"
#include "GuiTest.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "frmMain.h"

#include <QAbstractButton>
#include <QProcess>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

namespace veilcraft::test {

inline QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The nine bytes an encrypted file ends with.
inline std::string trailerOf(const std::string& path)
{
    const std::string bytes = readFile(path);
    return bytes.substr(bytes.size() < 9 ? 0 : bytes.size() - 9);
}

struct CommandResult {
    int code = -1;
    std::string errors;
};

// Runs build/bin/veilcraft in the test's (hermetic) environment with the
// password in VEILCRAFT_PASSWORD and nothing on standard input.
inline CommandResult runVeilcraft(const QStringList& arguments, const QString& password)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VEILCRAFT_PASSWORD", password);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString(VEILCRAFT_BINARY_DIR) + "/veilcraft", arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, "the command did not finish"};
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, process.readAllStandardError().toStdString()};
}

class PanelTest : public ::testing::Test {
protected:
    // Writes files below the test folder; returns their paths.
    std::vector<std::string> write(const std::vector<std::pair<std::string, std::string>>& files)
    {
        std::vector<std::string> paths;
        for (const auto& [name, content] : files) {
            paths.push_back(dir.file(name));
            std::filesystem::create_directories(std::filesystem::path(paths.back()).parent_path());
            writeFile(paths.back(), content);
        }
        return paths;
    }
    // Makes a folder below the test folder the tree's current node.
    void openFolder(const std::string& name)
    {
        QTreeWidgetItem* node = window.folderTree->node(q(dir.file(name)));
        ASSERT_NE(node, nullptr) << name;
        window.tvwFile->setCurrentItem(node);
        window.folderTree->tvwFile_NodeClick(node);
    }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    WithApplication application;
    TempDir dir;
    // The folders the tests use are there before the window reads its tree.
    bool foldersMade = [this] {
        for (const char* name : {"in", "out", "photos"})
            std::filesystem::create_directories(dir.file(name));
        return true;
    }();
    ScriptedUserInterface ui;
    std::shared_ptr<FolderDrives> drives = [this] {
        auto folders = std::make_shared<FolderDrives>();
        folders->list.push_back({q(dir.path()), "DATA", "ext4", kFixedDrive, true, 2e9, 1e9, 1e9});
        return folders;
    }();
    frmMain window{ui, std::make_shared<FileSys>(drives)};
};

}  // namespace veilcraft::test
