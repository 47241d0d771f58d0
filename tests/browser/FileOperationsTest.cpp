#include "FileOperations.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace veilcraft;
using namespace veilcraft::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Answer = UserInterface::Answer;

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The test's folder stands in for the one mounted volume.
class OneDrive final : public DriveSource {
public:
    explicit OneDrive(std::string root) : root_(std::move(root)) {}
    std::vector<Volume> volumes() const override
    {
        return {{q(root_), QStringLiteral("DATA"), QStringLiteral("ext4"), kFixedDrive, true, 1e9, 1e8, 1e8}};
    }

private:
    std::string root_;
};

void expectBox(const ScriptedUserInterface::Shown& shown, const std::string& text, const std::string& title,
               UserInterface::Buttons buttons, UserInterface::Icon icon)
{
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.title, title);
    EXPECT_EQ(shown.buttons, buttons);
    EXPECT_EQ(shown.icon, icon);
}

void expectTarget(const std::optional<PropertiesTarget>& target, int attrTarget, const QString& path)
{
    ASSERT_TRUE(target);
    EXPECT_EQ(target->AttrTarget, attrTarget);
    EXPECT_EQ(target->path, path);
}

class FileOperationsTest : public ::testing::Test {
protected:
    // Makes a file, or a folder when the name ends with "/".
    void put(const std::string& name, const std::string& content = "new")
    {
        if (name.ends_with('/'))
            ASSERT_EQ(::mkdir(dir.file(name).c_str(), 0755), 0) << name;
        else
            writeFile(dir.file(name), content);
    }
    TreeNode node(const std::string& name, NodeKind kind = NodeKind::Folder) const
    {
        return {q(dir.file(name)), q(name), kind, q(dir.path())};
    }
    static TreeNode myComputer()
    {
        return {QStringLiteral("Mycomp"), QStringLiteral("My Computer"), NodeKind::MyComputer, {}};
    }
    TreeNode driveNode() const { return {q(dir.path() + "/"), QStringLiteral("DATA"), NodeKind::Drive, {}}; }
    ListRow row(const std::string& name, ItemKind kind = ItemKind::File, bool selected = true) const
    {
        return {q(dir.file(name)), q(name), kind, selected, false};
    }
    static BrowserSelection inTree(const TreeNode& selected) { return {true, selected, {}}; }
    static BrowserSelection inList(std::vector<ListRow> rows)
    {
        BrowserSelection selection;
        selection.rows = std::move(rows);
        return selection;
    }
    static BrowserSelection inList(std::vector<ListRow> rows, const TreeNode& selected)
    {
        BrowserSelection selection = inList(std::move(rows));
        selection.selectedNode = selected;
        return selection;
    }

    TempDir dir;
    FileSys fs{std::make_shared<OneDrive>(dir.path())};
    ScriptedUserInterface ui;
    FileOperations ops{fs, ui};
};

TEST_F(FileOperationsTest, CopyAndCutCollectTheSelectionAndBoldIt)
{
    const std::vector<ListRow> rows = {row("a"),
                                       {q(dir.path() + "/"), q(dir.path()), ItemKind::Drive, true, false},
                                       row("f", ItemKind::Folder),
                                       row("b", ItemKind::File, false)};
    const BrowserUpdate copied = ops.CopySelection(inList(rows));
    EXPECT_THAT(copied.boldRows, ElementsAre(q(dir.file("a")), q(dir.path() + "/"), q(dir.file("f"))));
    EXPECT_THAT(ops.ClipFiles(), ElementsAre(q(dir.file("a"))));
    EXPECT_THAT(ops.ClipFolders(), ElementsAre(q(dir.file("f"))));
    EXPECT_TRUE(ops.CopyMode());
    EXPECT_TRUE(ops.CanPaste());

    const BrowserUpdate cut = ops.CutSelection(inTree(node("g")));
    EXPECT_EQ(cut.boldNode, q(dir.file("g")));
    EXPECT_THAT(ops.ClipFiles(), IsEmpty());
    EXPECT_THAT(ops.ClipFolders(), ElementsAre(q(dir.file("g"))));
    EXPECT_FALSE(ops.CopyMode());
}

// My Computer has no path; a cut Desktop or drive would be deleted by Paste.
TEST_F(FileOperationsTest, TreeNodesWithoutAPlaceToLeaveAreNotCollected)
{
    (void)ops.CopySelection(inTree(myComputer()));
    EXPECT_THAT(ops.ClipFolders(), IsEmpty());
    (void)ops.CopySelection(inTree(driveNode()));
    EXPECT_THAT(ops.ClipFolders(), ElementsAre(q(dir.path() + "/")));
    (void)ops.CutSelection(inTree(driveNode()));
    EXPECT_THAT(ops.ClipFolders(), IsEmpty());
    (void)ops.CutSelection(inTree(node("Desktop", NodeKind::Desktop)));
    EXPECT_THAT(ops.ClipFolders(), IsEmpty());
}

TEST_F(FileOperationsTest, PasteNeedsACopyAndAFolder)
{
    put("a");
    put("to/");
    EXPECT_FALSE(ops.PasteClipboard(inTree(node("to"))).refreshNode);
    EXPECT_THAT(ui.messages, IsEmpty());

    (void)ops.CopySelection(inList({row("a")}));
    EXPECT_FALSE(ops.PasteClipboard(inTree(myComputer())).refreshNode);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr("Nothing can be pasted into My Computer"));
}

TEST_F(FileOperationsTest, CopyOfTwoFilesAsksOnceForTheExistingOneAndNoKeepsIt)
{
    put("a", "A");
    put("b", "B");
    put("to/");
    put("to/a", "old");
    (void)ops.CopySelection(inList({row("a"), row("b")}));
    ui.answers = {Answer::No};
    const BrowserUpdate update = ops.PasteClipboard(inTree(node("to")));
    ASSERT_EQ(ui.messages.size(), 1u);
    expectBox(ui.messages[0], "The folder is exist, would you like to overwrite it?", "Notice!",
              UserInterface::Buttons::YesNo, UserInterface::Icon::Question);
    EXPECT_EQ(readFile(dir.file("to/a")), "old");
    EXPECT_EQ(readFile(dir.file("to/b")), "B");
    EXPECT_EQ(readFile(dir.file("a")), "A");
    EXPECT_EQ(update.refreshNode, q(dir.file("to")));

    // Yes overwrites, and the lists serve a second paste.
    (void)ops.PasteClipboard(inTree(node("to")));
    EXPECT_EQ(readFile(dir.file("to/a")), "A");
}

TEST_F(FileOperationsTest, CutMovesWhatWasCopiedAndKeepsWhatWasDeclined)
{
    put("a", "A");
    put("b", "B");
    put("f/");
    put("f/inner", "I");
    put("to/");
    put("to/a", "old");
    (void)ops.CutSelection(inList({row("a"), row("b"), row("f", ItemKind::Folder)}));
    ui.answers = {Answer::No};
    const BrowserUpdate update = ops.PasteClipboard(inTree(node("to")));
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(readFile(dir.file("a")), "A");
    EXPECT_EQ(readFile(dir.file("to/a")), "old");
    EXPECT_FALSE(fileExists(dir.file("b")));
    EXPECT_EQ(readFile(dir.file("to/b")), "B");
    EXPECT_FALSE(fileExists(dir.file("f")));
    EXPECT_EQ(readFile(dir.file("to/f/inner")), "I");
    EXPECT_THAT(update.removedNodes, ElementsAre(q(dir.file("f"))));
    EXPECT_EQ(update.refreshNode, q(dir.file("to")));
}

TEST_F(FileOperationsTest, PasteShowsProgressAndACancelStopsItKeepingTheCutSources)
{
    put("big", std::string(3 << 20, 'b'));  // three pieces of a copy
    put("small", "S");
    put("to/");
    (void)ops.CutSelection(inList({row("big"), row("small")}));
    ui.cancelAfterProgressEvents = 1;
    const BrowserUpdate update = ops.PasteClipboard(inTree(node("to")));
    EXPECT_EQ(ui.progressEvents, 1);
    EXPECT_FALSE(ui.busy);
    // The copy in hand is dropped whole, the next item is not begun, and
    // nothing is deleted from where it was cut.
    EXPECT_FALSE(fileExists(dir.file("to/big")));
    EXPECT_FALSE(fileExists(dir.file("to/small")));
    EXPECT_THAT(listFolder(dir.file("to")), IsEmpty());
    EXPECT_EQ(readFile(dir.file("big")).size(), 3u << 20);
    EXPECT_EQ(readFile(dir.file("small")), "S");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("big")));
    EXPECT_EQ(update.refreshNode, q(dir.file("to")));
}

TEST_F(FileOperationsTest, AFolderIsNeverPastedIntoItselfOrItsSubFolderAndACutKeepsIt)
{
    put("f/");
    put("f/sub/");
    put("f/x", "X");
    (void)ops.CutSelection(inTree(node("f")));
    for (const char* target : {"f", "f/sub"}) {
        ui.messages.clear();
        const BrowserUpdate update = ops.PasteClipboard(inTree(node(target)));
        ASSERT_EQ(ui.messages.size(), 1u) << target;
        EXPECT_THAT(ui.messages[0].text, HasSubstr("cannot be pasted into itself or one of its own sub-folders"));
        EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("f")));
        EXPECT_EQ(ui.messages[0].title, "Error!");
        EXPECT_THAT(update.removedNodes, IsEmpty());
    }
    EXPECT_THAT(listFolder(dir.file("f")), ElementsAre("sub", "x"));
    EXPECT_THAT(listFolder(dir.file("f/sub")), IsEmpty());
}

TEST_F(FileOperationsTest, AnItemPastedIntoItsOwnFolderIsRefusedAndKept)
{
    put("a", "A");
    (void)ops.CutSelection(inList({row("a")}));
    (void)ops.PasteClipboard(inTree(driveNode()));
    ASSERT_EQ(ui.messages.size(), 1u) << "no overwrite question for the file itself";
    EXPECT_THAT(ui.messages[0].text, HasSubstr("it is already in this folder"));
    EXPECT_EQ(readFile(dir.file("a")), "A");
}

TEST_F(FileOperationsTest, AFailedCopyIsReportedAndItsCutSourceStays)
{
    put("f/");
    put("a", "A");
    put("to/");
    put("to/a/"); // a folder where the file should go
    put("to/f");  // a file where the folder should go
    (void)ops.CutSelection(inList({row("f", ItemKind::Folder), row("a")}));
    const BrowserUpdate update = ops.PasteClipboard(inTree(node("to")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr("These items could not be pasted:"));
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("to/f") + ": a file of that name is in the way"));
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("to/a") + ": Is a directory"));
    EXPECT_TRUE(fileExists(dir.file("a")));
    EXPECT_TRUE(fileExists(dir.file("f")));
    EXPECT_THAT(update.removedNodes, IsEmpty());
}

// A cut never forces: a read-only original stays, and says so.
TEST_F(FileOperationsTest, ACutSourceThatCannotBeRemovedIsReportedAfterItsCopy)
{
    put("f/");
    put("f/ro", "R");
    ASSERT_EQ(::chmod(dir.file("f/ro").c_str(), 0444), 0);
    put("to/");
    (void)ops.CutSelection(inList({row("f", ItemKind::Folder)}));
    const BrowserUpdate update = ops.PasteClipboard(inTree(node("to")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("f/ro") + ": it is read-only"));
    EXPECT_THAT(ui.messages[0].text, HasSubstr("the copy is complete; the original could not be removed"));
    EXPECT_EQ(readFile(dir.file("to/f/ro")), "R");
    EXPECT_EQ(readFile(dir.file("f/ro")), "R");
    EXPECT_THAT(update.removedNodes, IsEmpty());
}

TEST_F(FileOperationsTest, ASecondPasteAfterACutReportsTheGoneSources)
{
    put("a", "A");
    put("one/");
    put("two/");
    (void)ops.CutSelection(inList({row("a")}));
    (void)ops.PasteClipboard(inTree(node("one")));
    EXPECT_THAT(ui.messages, IsEmpty());
    (void)ops.PasteClipboard(inTree(node("two")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("a") + ": No such file or directory"));
    EXPECT_EQ(readFile(dir.file("one/a")), "A");
}

TEST_F(FileOperationsTest, DeletingATreeFolderAsksRemovesItsNodeAndShowsTheParent)
{
    put("f/");
    put("f/ro");
    ASSERT_EQ(::chmod(dir.file("f/ro").c_str(), 0444), 0); // deleted by force
    ui.answers = {Answer::No};
    BrowserUpdate update = ops.DeleteSelection(inTree(node("f")));
    ASSERT_EQ(ui.messages.size(), 1u);
    expectBox(ui.messages[0], "Are you sure to delete..\\ f?", "Warning", UserInterface::Buttons::YesNo,
              UserInterface::Icon::Question);
    EXPECT_TRUE(fileExists(dir.file("f/ro")));
    EXPECT_FALSE(update.refreshNode);

    update = ops.DeleteSelection(inTree(node("f")));
    EXPECT_FALSE(fileExists(dir.file("f")));
    EXPECT_THAT(update.removedNodes, ElementsAre(q(dir.file("f"))));
    EXPECT_EQ(update.refreshNode, q(dir.path()));
}

TEST_F(FileOperationsTest, TheDesktopMyComputerAndDrivesAreNeverDeleted)
{
    put("Desktop/");
    put("Desktop/keep");
    for (const TreeNode& protectedNode : {node("Desktop", NodeKind::Desktop), driveNode(), myComputer()}) {
        ui.messages.clear();
        const BrowserUpdate update = ops.DeleteSelection(inTree(protectedNode));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_THAT(ui.messages[0].text, HasSubstr("cannot be deleted"));
        EXPECT_EQ(ui.messages[0].buttons, UserInterface::Buttons::Ok);
        EXPECT_THAT(update.removedNodes, IsEmpty());
    }
    EXPECT_TRUE(fileExists(dir.file("Desktop/keep")));
}

TEST_F(FileOperationsTest, DeletingFromTheListAsksOnceAndLeavesDrives)
{
    put("a");
    put("b");
    put("f/");
    ASSERT_EQ(::chmod(dir.file("a").c_str(), 0444), 0); // deleted by force
    const ListRow drive{q(dir.path() + "/"), q(dir.path()), ItemKind::Drive, true, false};
    const std::vector<ListRow> rows = {row("a"), row("b", ItemKind::File, false), row("f", ItemKind::Folder), drive};

    ui.answers = {Answer::No};
    BrowserUpdate update = ops.DeleteSelection(inList(rows, driveNode()));
    EXPECT_TRUE(fileExists(dir.file("a")));
    EXPECT_EQ(update.refreshNode, q(dir.path() + "/")) << "refreshed whatever the answer";

    update = ops.DeleteSelection(inList(rows, driveNode()));
    EXPECT_THAT(ui.texts(), ElementsAre("Are you sure to delete the selected file(s)?",
                                        "Are you sure to delete the selected file(s)?"));
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("b"));
    EXPECT_THAT(update.removedNodes, ElementsAre(q(dir.file("f"))));

    ui.messages.clear();
    (void)ops.DeleteSelection(inList({row("b", ItemKind::File, false)}));
    EXPECT_THAT(ui.texts(), ElementsAre("Are you sure to delete the selected file(s)?"));
    EXPECT_TRUE(fileExists(dir.file("b")));
}

TEST_F(FileOperationsTest, AFailedDeleteIsReported)
{
    (void)ops.DeleteSelection(inList({row("gone")}));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_THAT(ui.messages[1].text, HasSubstr("These items could not be deleted:"));
    EXPECT_THAT(ui.messages[1].text, HasSubstr(dir.file("gone") + ": No such file or directory"));
}

TEST_F(FileOperationsTest, RenamingARowRefusesNoChangesAndClashes)
{
    put("a");
    put("b");
    put("f/");
    EXPECT_EQ(FileOperations::RenameSelection(inTree(node("f"))), RenameTarget::TreeNode);
    EXPECT_EQ(FileOperations::RenameSelection(inList({})), RenameTarget::ListRow);
    EXPECT_FALSE(ops.FinishListRename(row("a"), QStringLiteral("   ")).accepted);
    EXPECT_FALSE(ops.FinishListRename(row("a"), QStringLiteral(" A ")).accepted);
    EXPECT_FALSE(ops.FinishListRename(row("f", ItemKind::Drive), QStringLiteral("g")).accepted);
    EXPECT_THAT(ui.messages, IsEmpty());

    EXPECT_FALSE(ops.FinishListRename(row("a"), QStringLiteral("b")).accepted);
    ASSERT_EQ(ui.messages.size(), 1u);
    expectBox(ui.messages[0], "The folder is exist!", "Warning!", UserInterface::Buttons::OkCancel,
              UserInterface::Icon::Critical);

    EXPECT_FALSE(ops.FinishListRename(row("a"), QStringLiteral("x/y")).accepted);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_THAT(ui.messages[1].text, HasSubstr("\"x/y\" is not a valid name"));
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("a", "b", "f"));
}

TEST_F(FileOperationsTest, RenamingARowRenamesOnDiskAndRekeys)
{
    put("a", "A");
    put("f/");
    const RowRename file = ops.FinishListRename(row("a"), QStringLiteral(" c "));
    EXPECT_TRUE(file.accepted);
    EXPECT_EQ(file.text, QStringLiteral("c"));
    EXPECT_EQ(file.newKey, q(dir.file("c")));
    EXPECT_TRUE(file.sortList);
    EXPECT_FALSE(file.node);
    EXPECT_EQ(readFile(dir.file("c")), "A");

    const RowRename folderRow = ops.FinishListRename(row("f", ItemKind::Folder), QStringLiteral("g"));
    ASSERT_TRUE(folderRow.node);
    EXPECT_EQ(folderRow.node->oldKey, q(dir.file("f")));
    EXPECT_EQ(folderRow.node->newKey, q(dir.file("g")));
    EXPECT_EQ(folderRow.node->newText, QStringLiteral("g"));
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("c", "g"));
}

TEST_F(FileOperationsTest, SelectAllAndInvertSelection)
{
    const std::vector<ListRow> rows = {row("a", ItemKind::File, true),
                                       row("b", ItemKind::File, false),
                                       {q(dir.file("c")), QStringLiteral("c"), ItemKind::File, false, true}};
    EXPECT_THAT(FileOperations::SelectAllItems(rows), ElementsAre(true, true, true));
    EXPECT_THAT(FileOperations::InvertSelection(rows), ElementsAre(false, true, true));
    EXPECT_THAT(FileOperations::SelectAllItems({}), IsEmpty());
}

TEST_F(FileOperationsTest, ShowPropertiesChoosesTheObject)
{
    put("a");
    put("f/");
    expectTarget(ops.ShowProperties(inTree(driveNode())), 0, q(dir.path()));
    expectTarget(ops.ShowProperties(inTree(node("f", NodeKind::ExpandedFolder))), 1, q(dir.file("f")));
    expectTarget(ops.ShowProperties(inList({row("f", ItemKind::Folder, false), row("a")})), 2, q(dir.file("a")));
    expectTarget(ops.ShowProperties(inList({row("f", ItemKind::Folder)})), 1, q(dir.file("f")));
    EXPECT_FALSE(ops.ShowProperties(inTree(node("f", NodeKind::Desktop))));
    EXPECT_FALSE(ops.ShowProperties(inTree(myComputer())));
    EXPECT_FALSE(ops.ShowProperties(inList({row("a", ItemKind::File, false)})));
    EXPECT_THAT(ui.messages, IsEmpty());

    EXPECT_FALSE(ops.ShowProperties(inList({row("gone")})));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("gone")));
}

TEST_F(FileOperationsTest, NewFoldersAreNumberedUnderTheCurrentNodeButNotMyComputer)
{
    put("New Folder1"); // a file of the name is passed over as well
    std::vector<QString> names;
    for (int i = 0; i < 3; ++i) {
        const std::optional<NewNode> added = ops.CreateNewFolder(driveNode());
        ASSERT_TRUE(added);
        EXPECT_EQ(added->parentKey, q(dir.path() + "/"));
        EXPECT_EQ(added->key, q(dir.path() + "/") + added->text);
        names.push_back(added->text);
    }
    EXPECT_THAT(names, ElementsAre("New Folder", "New Folder2", "New Folder3"));

    put("f/");
    const std::optional<NewNode> inFolder = ops.CreateNewFolder(node("f"));
    ASSERT_TRUE(inFolder);
    EXPECT_EQ(inFolder->key, q(dir.file("f/New Folder")));
    EXPECT_THAT(listFolder(dir.file("f")), ElementsAre("New Folder"));
    EXPECT_THAT(ui.messages, IsEmpty());

    EXPECT_FALSE(ops.CreateNewFolder(myComputer()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr("My Computer"));
}

} // namespace
