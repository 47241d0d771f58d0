#include "FileOperations.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

namespace veilcraft {

namespace {

using Buttons = UserInterface::Buttons;
using Icon = UserInterface::Icon;
using Answer = UserInterface::Answer;

const QString kPasteAction = QStringLiteral("Cannot paste");

// The path with every link resolved, or cleaned as written when it does not exist.
QString canonical(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}

// Where an item lies: the links of the folders above it resolved, the item
// itself (perhaps a link) kept as named.
QString location(const QString& path)
{
    const QFileInfo info(QDir::cleanPath(path));
    return QDir::cleanPath(canonical(info.absolutePath()) + QLatin1Char('/') + info.fileName());
}

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

// Why `source` cannot be pasted into `folder`; empty when it can.
QString pasteRefusal(const QString& source, const QString& folder, bool isFolder)
{
    const QString target = canonical(folder);
    if (isFolder && isInside(target, canonical(source)))
        return QStringLiteral("a folder cannot be pasted into itself or one of its own sub-folders");
    if (QDir::cleanPath(target + QLatin1Char('/') + FileSys::GetFileName(source)) == location(source))
        return QStringLiteral("it is already in this folder");
    return {};
}

// Shows how far a paste has come, at most ten times a second, and stops the
// copy in hand when the user cancels. The window is busy while it lives.
class PasteMeter {
public:
    PasteMeter(UserInterface& ui, double total) : ui_(ui), total_(total) { ui_.setBusy(true); }
    ~PasteMeter() { ui_.setBusy(false); }
    PasteMeter(const PasteMeter&) = delete;
    PasteMeter& operator=(const PasteMeter&) = delete;

    // The progress of copying `source`.
    [[nodiscard]] FileCopy::Progress of(const QString& source)
    {
        return [this, source](qint64 bytes) {
            done_ += static_cast<double>(bytes);
            if (clock_.isValid() && clock_.elapsed() < kInterval)
                return;
            clock_.start();
            const double share = total_ > 0 ? std::min(1.0, done_ / total_) : 1.0;
            ui_.progress(static_cast<int>(100 * share), source.toStdString());
            if (ui_.cancelRequested()) {
                cancelled_ = true;
                throw FileSysError(kPasteAction, source, errnoCode(ECANCELED));
            }
        };
    }
    [[nodiscard]] bool cancelled() const { return cancelled_; }

private:
    static constexpr qint64 kInterval = 100; // ms

    UserInterface& ui_;
    double total_;
    double done_ = 0;
    QElapsedTimer clock_;
    bool cancelled_ = false;
};

} // namespace

FileOperations::FileOperations(const FileSys& fs, UserInterface& ui) : fs_(fs), ui_(ui) {}

BrowserUpdate FileOperations::CopySelection(const BrowserSelection& selection)
{
    return collect(selection, true);
}

BrowserUpdate FileOperations::CutSelection(const BrowserSelection& selection)
{
    return collect(selection, false);
}

BrowserUpdate FileOperations::collect(const BrowserSelection& selection, bool copyMode)
{
    clipFiles_.clear();
    clipFolders_.clear();
    copyMode_ = copyMode;
    canPaste_ = true;
    BrowserUpdate update;
    if (!selection.TreeHasFocus) {
        for (const ListRow& row : selection.rows) {
            if (!row.selected)
                continue;
            update.boldRows.push_back(row.key);
            if (row.kind == ItemKind::Folder)
                clipFolders_.push_back(row.key);
            else if (row.kind == ItemKind::File)
                clipFiles_.push_back(row.key);
        }
    } else if (selection.selectedNode) {
        const TreeNode& node = *selection.selectedNode;
        update.boldNode = node.key;
        // Moving the Desktop or a drive would delete it afterwards.
        const bool fixedPlace = node.kind == NodeKind::Desktop || node.kind == NodeKind::Drive;
        if (node.kind != NodeKind::MyComputer && (copyMode || !fixedPlace))
            clipFolders_.push_back(node.key);
    }
    return update;
}

std::optional<QString> FileOperations::targetFolder(const TreeNode& node)
{
    if (node.kind == NodeKind::MyComputer)
        return std::nullopt;
    return node.key.endsWith(QLatin1Char('/')) ? node.key : node.key + QLatin1Char('/');
}

BrowserUpdate FileOperations::PasteClipboard(const BrowserSelection& selection)
{
    BrowserUpdate update;
    // Before the first Copy or Cut both lists are empty.
    if (!selection.selectedNode || (clipFolders_.empty() && clipFiles_.empty()))
        return update;
    const TreeNode& node = *selection.selectedNode;
    const std::optional<QString> folder = targetFolder(node);
    if (!folder) {
        ui_.message("Nothing can be pasted into My Computer. Please choose a drive or a folder first.", "Warning",
                    Buttons::Ok, Icon::Critical);
        return update;
    }
    std::vector<std::string> failures;
    std::vector<QString> copiedFolders;
    std::vector<QString> copiedFiles;
    {
        PasteMeter meter(ui_, clipboardBytes());
        for (const QString& source : clipFolders_)
            if (!meter.cancelled() && pasteItem(source, *folder, true, meter.of(source), failures))
                copiedFolders.push_back(source);
        for (const QString& source : clipFiles_)
            if (!meter.cancelled() && pasteItem(source, *folder, false, meter.of(source), failures))
                copiedFiles.push_back(source);
    }
    if (!copyMode_)
        deleteSources(copiedFolders, copiedFiles, update, failures);
    report("These items could not be pasted:", failures);
    update.refreshNode = node.key;
    return update;
}

double FileOperations::clipboardBytes() const
{
    double total = 0;
    try {
        for (const QString& source : clipFolders_)
            if (fs_.FolderExists(source))
                total += fs_.GetFolder(source).Size();
        for (const QString& source : clipFiles_)
            if (fs_.FileExists(source))
                total += fs_.GetFile(source).Size();
    } catch (const FileSysError&) {
        // Gone meanwhile: the paste itself reports it.
    }
    return total;
}

bool FileOperations::pasteItem(const QString& source, const QString& folder, bool isFolder,
                               const FileCopy::Progress& progress, std::vector<std::string>& failures)
{
    try {
        if (!(isFolder ? fs_.FolderExists(source) : fs_.FileExists(source)))
            throw FileSysError(kPasteAction, source, errnoCode(ENOENT));
        if (const QString refusal = pasteRefusal(source, folder, isFolder); !refusal.isEmpty())
            throw FileSysError(kPasteAction, source, errnoCode(EINVAL), refusal);
        if (!ConfirmOverwrite(folder + FileSys::GetFileName(source), isFolder))
            return false;
        if (isFolder)
            fs_.CopyFolder(source, folder, true, progress);
        else
            fs_.CopyFile(source, folder, true, progress);
        return true;
    } catch (const FileSysError& failure) {
        failures.emplace_back(failure.what());
        return false;
    }
}

void FileOperations::deleteSources(const std::vector<QString>& folders, const std::vector<QString>& files,
                                   BrowserUpdate& update, std::vector<std::string>& failures)
{
    const auto remove = [&](const QString& source, bool isFolder) {
        try {
            if (isFolder) {
                fs_.DeleteFolder(source);
                update.removedNodes.push_back(source);
            } else {
                fs_.DeleteFile(source);
            }
        } catch (const FileSysError& failure) {
            failures.emplace_back(std::string(failure.what()) +
                                  " (the copy is complete; the original could not be removed)");
        }
    };
    for (const QString& folder : folders)
        remove(folder, true);
    for (const QString& file : files)
        remove(file, false);
}

bool FileOperations::ConfirmOverwrite(const QString& target, bool isFolder)
{
    if (!(isFolder ? fs_.FolderExists(target) : fs_.FileExists(target)))
        return true;
    return ui_.message("The folder is exist, would you like to overwrite it?", "Notice!", Buttons::YesNo,
                       Icon::Question) == Answer::Yes;
}

BrowserUpdate FileOperations::DeleteSelection(const BrowserSelection& selection)
{
    BrowserUpdate update;
    std::vector<std::string> failures;
    if (selection.TreeHasFocus) {
        if (!selection.selectedNode)
            return update;
        const TreeNode& node = *selection.selectedNode;
        if (node.kind == NodeKind::Drive || node.kind == NodeKind::MyComputer || node.kind == NodeKind::Desktop) {
            ui_.message("\"" + node.text.toStdString() +
                            "\" cannot be deleted: drives, the Desktop and My Computer are never deleted.",
                        "Warning", Buttons::Ok, Icon::Critical);
            return update;
        }
        if (ui_.message("Are you sure to delete..\\ " + node.text.toStdString() + "?", "Warning", Buttons::YesNo,
                        Icon::Question) != Answer::Yes)
            return update;
        try {
            fs_.DeleteFolder(node.key, true);
        } catch (const FileSysError& failure) {
            failures.emplace_back(failure.what());
        }
        // A folder that could be deleted only in part stays, showing what is left.
        if (fs_.FolderExists(node.key)) {
            update.refreshNode = node.key;
        } else {
            update.removedNodes.push_back(node.key);
            update.refreshNode = node.parentKey;
        }
    } else {
        const bool yes = ui_.message("Are you sure to delete the selected file(s)?", "Warning", Buttons::YesNo,
                                     Icon::Question) == Answer::Yes;
        for (const ListRow& row : selection.rows) {
            if (!yes || !row.selected || row.kind == ItemKind::Drive)
                continue;
            try {
                if (row.kind == ItemKind::Folder) {
                    fs_.DeleteFolder(row.key, true);
                    update.removedNodes.push_back(row.key);
                } else {
                    fs_.DeleteFile(row.key, true);
                }
            } catch (const FileSysError& failure) {
                failures.emplace_back(failure.what());
            }
        }
        if (selection.selectedNode)
            update.refreshNode = selection.selectedNode->key;
    }
    report("These items could not be deleted:", failures);
    return update;
}

RenameTarget FileOperations::RenameSelection(const BrowserSelection& selection)
{
    return selection.TreeHasFocus ? RenameTarget::TreeNode : RenameTarget::ListRow;
}

RowRename FileOperations::FinishListRename(const ListRow& row, const QString& newText)
{
    RowRename result;
    const QString text = newText.trimmed();
    if (text.isEmpty() || row.kind == ItemKind::Drive || text.compare(row.text, Qt::CaseInsensitive) == 0)
        return result;
    const QString newPath = row.key.left(row.key.size() - row.text.size()) + text;
    const bool isFolder = row.kind == ItemKind::Folder;
    if (isFolder ? fs_.FolderExists(newPath) : fs_.FileExists(newPath)) {
        ui_.message("The folder is exist!", "Warning!", Buttons::OkCancel, Icon::Critical);
        return result;
    }
    try {
        if (isFolder)
            fs_.GetFolder(row.key).SetName(text);
        else
            fs_.GetFile(row.key).SetName(text);
    } catch (const FileSysError& failure) {
        report("The item could not be renamed:", {failure.what()});
        return result;
    }
    result.accepted = true;
    result.text = text;
    result.newKey = newPath;
    if (isFolder)
        result.node = NodeRekey{row.key, newPath, text};
    else
        result.sortList = true;
    return result;
}

std::vector<bool> FileOperations::SelectAllItems(const std::vector<ListRow>& rows)
{
    return std::vector<bool>(rows.size(), true);
}

std::vector<bool> FileOperations::InvertSelection(const std::vector<ListRow>& rows)
{
    std::vector<bool> selected;
    for (const ListRow& row : rows)
        selected.push_back(!row.selected);
    return selected;
}

std::optional<PropertiesTarget> FileOperations::ShowProperties(const BrowserSelection& selection)
{
    PropertiesTarget target;
    QString key;
    if (selection.TreeHasFocus) {
        if (!selection.selectedNode)
            return std::nullopt;
        const NodeKind kind = selection.selectedNode->kind;
        if (kind != NodeKind::Drive && kind != NodeKind::Folder && kind != NodeKind::ExpandedFolder)
            return std::nullopt;
        target.AttrTarget = kind == NodeKind::Drive ? 0 : 1;
        key = selection.selectedNode->key;
    } else {
        const auto row = std::find_if(selection.rows.begin(), selection.rows.end(),
                                      [](const ListRow& candidate) { return candidate.selected; });
        if (row == selection.rows.end())
            return std::nullopt;
        target.AttrTarget = static_cast<std::int16_t>(row->kind);
        key = row->key;
    }
    try {
        switch (static_cast<ItemKind>(target.AttrTarget)) {
        case ItemKind::Drive:
            target.path = fs_.GetDrive(key).Path();
            break;
        case ItemKind::Folder:
            target.path = fs_.GetFolder(key).Path();
            break;
        case ItemKind::File:
            target.path = fs_.GetFile(key).Path();
            break;
        }
    } catch (const FileSysError& failure) {
        report("The properties cannot be shown:", {failure.what()});
        return std::nullopt;
    }
    return target;
}

std::optional<NewNode> FileOperations::CreateNewFolder(const TreeNode& currentNode)
{
    if (currentNode.kind == NodeKind::MyComputer) {
        ui_.message("A new folder cannot be created under My Computer. Please choose a drive or a folder first.",
                    "Warning", Buttons::Ok, Icon::Critical);
        return std::nullopt;
    }
    const QString base = currentNode.key + (currentNode.key.endsWith(QLatin1Char('/')) ? QStringLiteral("New Folder")
                                                                                       : QStringLiteral("/New Folder"));
    QString candidate = base;
    // A file of the name blocks the folder as much as a folder does.
    for (int counter = 1; fs_.FolderExists(candidate) || fs_.FileExists(candidate); ++counter)
        candidate = base + QString::number(counter);
    try {
        fs_.CreateFolder(candidate).SetAttributes(0);
    } catch (const FileSysError& failure) {
        report("The new folder could not be created:", {failure.what()});
        if (!fs_.FolderExists(candidate))
            return std::nullopt;
    }
    return NewNode{currentNode.key, candidate, FileSys::GetFileName(candidate)};
}

void FileOperations::report(const std::string& heading, const std::vector<std::string>& failures)
{
    if (failures.empty())
        return;
    std::string text = heading;
    for (const std::string& failure : failures)
        text += "\n" + failure;
    ui_.message(text, "Error!", Buttons::Ok, Icon::Critical);
}

} // namespace veilcraft
