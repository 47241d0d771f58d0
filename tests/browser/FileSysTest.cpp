#include "FileSys.h"
#include "ListedFile.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QMimeDatabase>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace veilcraft;
using namespace veilcraft::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

std::vector<QString> namesOf(const auto& items)
{
    std::vector<QString> names;
    for (const auto& item : items)
        names.push_back(item.Name());
    return names;
}

// Runs `action` and checks that it raised FileSysError with that cause and path.
void expectFailure(const std::function<void()>& action, int error, const std::string& path)
{
    try {
        action();
        ADD_FAILURE() << "no FileSysError for " << path;
    } catch (const FileSysError& failure) {
        EXPECT_EQ(failure.cause().value(), error) << failure.what();
        EXPECT_EQ(failure.path(), q(path));
        EXPECT_THAT(failure.what(), HasSubstr(path));
    }
}

std::string dosWord(const std::string& path)
{
    char value[32] = {};
    const ssize_t length = ::getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value);
    return length < 0 ? std::string() : std::string(value, static_cast<std::size_t>(length));
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Folders of the test's own stand in for mounted volumes.
class FolderDrives final : public DriveSource {
public:
    std::vector<Volume> volumes() const override { return list; }
    std::vector<Volume> list;
};

class FileSysTest : public ::testing::Test {
protected:
    FileSysTest()
    {
        drives->list.push_back({q(dir.path()), QStringLiteral("DATA"), QStringLiteral("ext4"), kFixedDrive, true,
                                4096.0 * 1024 * 1024 * 1024, 1024.0 * 1024 * 1024, 512.0 * 1024 * 1024});
        drives->list.push_back({q(dir.file("usb")), QString(), QStringLiteral("vfat"), kRemovableDrive, false});
    }
    std::string make(const std::string& name, const std::string& content = "0123456789")
    {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
    std::string folder(const std::string& name)
    {
        EXPECT_EQ(::mkdir(dir.file(name).c_str(), 0755), 0) << name;
        return dir.file(name);
    }

    test::TempDir dir;
    std::shared_ptr<FolderDrives> drives = std::make_shared<FolderDrives>();
    FileSys fs{drives};
};

TEST_F(FileSysTest, DrivesComeFromTheSourceWithTheirProperties)
{
    const std::vector<Drive> all = fs.Drives();
    ASSERT_EQ(all.size(), 2u);
    const Drive& fixed = all[0];
    EXPECT_EQ(fixed.Path(), q(dir.path()));
    EXPECT_EQ(fixed.DriveLetter(), q(dir.path()));
    EXPECT_EQ(fixed.DriveType(), 2);
    EXPECT_TRUE(fixed.IsReady());
    EXPECT_EQ(fixed.VolumeName(), QStringLiteral("DATA"));
    EXPECT_EQ(fixed.FileSystem(), QStringLiteral("ext4"));
    EXPECT_DOUBLE_EQ(fixed.TotalSize(), 4398046511104.0); // beyond 32 bits
    EXPECT_DOUBLE_EQ(fixed.FreeSpace(), 1073741824.0);
    EXPECT_DOUBLE_EQ(fixed.AvailableSpace(), 536870912.0);
    EXPECT_EQ(fixed.RootFolder().Path(), q(dir.path()));

    EXPECT_EQ(fs.GetDrive(q(dir.path() + "/")).Path(), q(dir.path()));
    expectFailure([&] { (void)fs.GetDrive(q(dir.file("elsewhere"))); }, ENODEV, dir.file("elsewhere"));

    // A drive without a medium says so and is not asked for anything else.
    const Drive usb = fs.GetDrive(q(dir.file("usb")));
    EXPECT_EQ(usb.DriveType(), 1);
    EXPECT_FALSE(usb.IsReady());
    expectFailure([&] { (void)usb.TotalSize(); }, ENOMEDIUM, dir.file("usb"));
    expectFailure([&] { (void)usb.RootFolder(); }, ENOMEDIUM, dir.file("usb"));
}

TEST_F(FileSysTest, DriveNameIsTheInnermostDriveHoldingThePath)
{
    EXPECT_EQ(fs.GetDriveName(q(dir.file("a/b.txt"))), q(dir.path()));
    EXPECT_EQ(fs.GetDriveName(q(dir.file("usb/x/../y"))), q(dir.file("usb")));
    EXPECT_EQ(fs.GetDriveName(q(dir.file("usbstick"))), q(dir.path())); // a name prefix is no parent
    EXPECT_EQ(fs.GetDriveName(QStringLiteral("/nowhere/at/all")), QString());
    EXPECT_EQ(FileSys::GetFileName(QStringLiteral("/a/b/c.txt")), QStringLiteral("c.txt"));
    EXPECT_EQ(FileSys::GetFileName(QStringLiteral("/a/b/")), QStringLiteral("b"));
}

TEST_F(FileSysTest, VolumeLabelIsNotChangedBehindTheUsersBack)
{
    const Drive drive = fs.GetDrive(q(dir.path()));
    drive.SetVolumeName(QStringLiteral("DATA")); // unchanged: nothing to do
    expectFailure([&] { drive.SetVolumeName(QStringLiteral("data")); }, EPERM, dir.path());
}

TEST(DriveTypeTest, DeviceAndFileSystemDecideTheType)
{
    EXPECT_EQ(driveTypeOf("tmpfs", "tmpfs"), kRamDisk);
    EXPECT_EQ(driveTypeOf("server:/export", "nfs4"), kNetworkDrive);
    EXPECT_EQ(driveTypeOf("//server/share", "cifs"), kNetworkDrive);
    EXPECT_EQ(driveTypeOf("/dev/sr0", "iso9660"), kCdRomDrive);
    EXPECT_EQ(driveTypeOf("overlay", "overlay"), kFixedDrive);

    // A partition is removable when its disk says so.
    test::TempDir sys;
    ASSERT_EQ(::mkdir(sys.file("devices").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(sys.file("devices/sdz").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(sys.file("devices/sdz/sdz1").c_str(), 0755), 0);
    writeFile(sys.file("devices/sdz/removable"), "1\n");
    ASSERT_EQ(::mkdir(sys.file("class").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("../devices/sdz/sdz1", sys.file("class/sdz1").c_str()), 0);
    EXPECT_EQ(driveTypeOf("/dev/sdz1", "vfat", q(sys.file("class"))), kRemovableDrive);
    writeFile(sys.file("devices/sdz/removable"), "0\n");
    EXPECT_EQ(driveTypeOf("/dev/sdz1", "vfat", q(sys.file("class"))), kFixedDrive);
}

TEST(MountedVolumesTest, PseudoFileSystemsAreLeftOutAndTheTemporaryFolderHasADrive)
{
    const FileSys machine;
    for (const Drive& drive : machine.Drives()) {
        EXPECT_THAT((std::vector<QString>{QStringLiteral("proc"), QStringLiteral("sysfs"), QStringLiteral("cgroup2"),
                                          QStringLiteral("devpts")}),
                    ::testing::Not(::testing::Contains(drive.IsReady() ? drive.FileSystem() : QString())));
        EXPECT_GE(drive.DriveType(), 0);
        EXPECT_LE(drive.DriveType(), 5);
    }
    EXPECT_FALSE(machine.GetDriveName(QDir::tempPath()).isEmpty());
}

TEST_F(FileSysTest, FolderListsSubFoldersAndFilesByNameWithLinksAsShortcuts)
{
    folder("top");
    folder("top/beta");
    folder("top/alpha");
    make("top/notes.txt", "hello");
    make("top/start.desktop", "[Desktop Entry]\n");
    ASSERT_EQ(::symlink(dir.file("top/alpha").c_str(), dir.file("top/to-alpha").c_str()), 0);

    const Folder top = fs.GetFolder(q(dir.file("top")));
    EXPECT_THAT(namesOf(top.SubFolders()), ElementsAre(QStringLiteral("alpha"), QStringLiteral("beta")));
    const std::vector<File> files = top.Files();
    ASSERT_THAT(namesOf(files),
                ElementsAre(QStringLiteral("notes.txt"), QStringLiteral("start.desktop"), QStringLiteral("to-alpha")));
    EXPECT_EQ(files[0].Path(), q(dir.file("top/notes.txt")));
    EXPECT_DOUBLE_EQ(files[0].Size(), 5.0);
    EXPECT_EQ(files[0].Type(), QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment());
    EXPECT_EQ(files[1].Type(), kShortcutType);
    EXPECT_EQ(files[2].Type(), kShortcutType);
    EXPECT_EQ(files[0].ShortName(), files[0].Name());
    EXPECT_EQ(files[0].ShortPath(), files[0].Path());
    EXPECT_EQ(top.Type(), QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment());
    EXPECT_TRUE(top.DateLastModified().isValid());

    // The list's one-pass reading agrees with the files asked one by one.
    ASSERT_EQ(::setxattr(dir.file("top/notes.txt").c_str(), "user.DOSATTRIB", "0x22", 5, 0), 0);
    const std::vector<ListedFile> listed = listFiles(top);
    ASSERT_THAT(namesOf(listed), ElementsAre(files[0].Name(), files[1].Name(), files[2].Name()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(listed[i].Path(), files[i].Path());
        EXPECT_DOUBLE_EQ(listed[i].Size(), files[i].Size());
        EXPECT_EQ(listed[i].DateLastModified(), files[i].DateLastModified());
        EXPECT_EQ(listed[i].Attributes(), files[i].Attributes());
        EXPECT_EQ(listed[i].isShortcut(), files[i].Type() == kShortcutType);
        EXPECT_EQ(fileTypeText(listed[i].Name(), listed[i].mode()), files[i].Type());
    }
    EXPECT_EQ(listed[0].Attributes(), File::Hidden | File::Archive);

    // A link to a folder opens as that folder when asked for by path.
    EXPECT_TRUE(fs.FolderExists(q(dir.file("top/to-alpha"))));
    EXPECT_TRUE(fs.FileExists(q(dir.file("top/to-alpha"))));
    EXPECT_FALSE(fs.FileExists(q(dir.file("top/alpha"))));
    EXPECT_FALSE(fs.FolderExists(q(dir.file("top/notes.txt"))));
}

TEST_F(FileSysTest, MissingPathsAndWrongKindsRaiseWithPathAndCause)
{
    const std::string file = make("plain.txt");
    expectFailure([&] { (void)fs.GetFolder(q(dir.file("missing"))); }, ENOENT, dir.file("missing"));
    expectFailure([&] { (void)fs.GetFolder(q(file)); }, ENOTDIR, file);
    expectFailure([&] { (void)fs.GetFile(q(dir.path())); }, EISDIR, dir.path());
    expectFailure([&] { (void)fs.GetFolder(q(file + "/below")); }, ENOTDIR, file + "/below");
    expectFailure([&] { (void)fs.CreateFolder(q(file)); }, EEXIST, file);
    const File gone = fs.GetFile(q(file));
    ASSERT_EQ(::unlink(file.c_str()), 0);
    expectFailure([&] { (void)gone.Attributes(); }, ENOENT, file);
    expectFailure([&] { (void)gone.Size(); }, ENOENT, file);
}

TEST_F(FileSysTest, FolderSizeWalksEverythingBelowWithoutFollowingLinks)
{
    folder("tree");
    folder("tree/sub");
    folder("tree/sub/deeper");
    make("tree/a", std::string(1000, 'a'));
    make("tree/sub/b", std::string(200, 'b'));
    make("tree/sub/deeper/c", std::string(30, 'c'));
    folder("big");
    make("big/huge", std::string(100000, 'x'));
    ASSERT_EQ(::symlink(dir.file("big").c_str(), dir.file("tree/sub/to-big").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("tree").c_str(), dir.file("tree/sub/deeper/loop").c_str()), 0);

    EXPECT_DOUBLE_EQ(fs.GetFolder(q(dir.file("tree"))).Size(), 1230.0);
    // Stopped after the first folder: only what that one holds is counted.
    int folders = 0;
    EXPECT_DOUBLE_EQ(fs.GetFolder(q(dir.file("tree"))).Size([&] { return folders++ > 0; }), 1000.0);
}

TEST_F(FileSysTest, FolderSizeSkipsAnUnreadableSubfolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    folder("tree");
    folder("tree/closed");
    make("tree/a", std::string(10, 'a'));
    make("tree/closed/b", std::string(20, 'b'));
    ASSERT_EQ(::chmod(dir.file("tree/closed").c_str(), 0), 0);
    const double size = fs.GetFolder(q(dir.file("tree"))).Size();
    ASSERT_EQ(::chmod(dir.file("tree/closed").c_str(), 0755), 0);
    EXPECT_DOUBLE_EQ(size, 10.0);
}

TEST_F(FileSysTest, TreesDeeperThanTheLongestPathAreMeasuredAndDeleted)
{
    // 40 levels of 200-character names: about 8000 bytes of path.
    const std::string name(200, 'n');
    folder("deep");
    int fd = ::open(dir.file("deep").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 40; ++level) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int file = ::openat(fd, "bottom", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "1234567", 7), 7);
    ::close(file);
    ::close(fd);

    EXPECT_DOUBLE_EQ(fs.GetFolder(q(dir.file("deep"))).Size(), 7.0);
    fs.DeleteFolder(q(dir.file("deep")));
    EXPECT_FALSE(fileExists(dir.file("deep")));
    // A name longer than the file system allows is refused, not cut.
    expectFailure([&] { (void)fs.CreateFolder(q(dir.file(std::string(300, 'x')))); }, ENAMETOOLONG,
                  dir.file(std::string(300, 'x')));
}

TEST_F(FileSysTest, NamesThatAreNotUtf8StillReachTheirFiles)
{
    const std::string odd = dir.file("odd\xff\xfe.bin");
    writeFile(odd, "abc");
    const std::vector<File> files = fs.GetFolder(q(dir.path())).Files();
    ASSERT_EQ(files.size(), 1u);
    File file = files[0];
    EXPECT_DOUBLE_EQ(file.Size(), 3.0);
    EXPECT_EQ(file.Attributes(), 0);
    EXPECT_FALSE(file.Type().isEmpty());
    file.SetName(QStringLiteral("plain.bin"));
    EXPECT_EQ(readFile(dir.file("plain.bin")), "abc");
    EXPECT_FALSE(fileExists(odd));

    // Names that differ only in bytes that are not UTF-8, and the name that
    // holds the replacement character itself, keep apart through their texts.
    for (const char* name : {"x\xff.bin", "x\xfe.bin", "x\xef\xbf\xbd.bin", "\xc3\xa9t\xe9.bin"})
        writeFile(dir.file(name), name);
    const std::vector<File> named = fs.GetFolder(q(dir.path())).Files();
    ASSERT_EQ(named.size(), 5u);
    for (const File& each : named)
        EXPECT_TRUE(fs.FileExists(each.Path())) << each.Path().toStdString();
    // The valid character decodes; the stray byte stands as its escape.
    EXPECT_EQ(named[4].Name(), QString(QChar(0xE9)) + "t" + QChar(0xDCE9) + ".bin");
    fs.DeleteFile(q(dir.file("x")) + QChar(0xDCFF) + ".bin");
    EXPECT_FALSE(fileExists(dir.file("x\xff.bin")));
    EXPECT_TRUE(fileExists(dir.file("x\xfe.bin")));
    EXPECT_TRUE(fileExists(dir.file("x\xef\xbf\xbd.bin")));
}

TEST_F(FileSysTest, AttributesReadPermissionDotNameAndTheDosWord)
{
    const std::string file = make("a.txt");
    const std::string dotted = make(".profile");
    File item = fs.GetFile(q(file));
    EXPECT_EQ(item.Attributes(), 0);
    EXPECT_EQ(fs.GetFile(q(dotted)).Attributes(), FileSysItem::Hidden);

    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x24", 5, 0), 0); // with its NUL
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(item.Attributes(), 1 | 4 | 32);

    // ReadOnly and Archive; clear ReadOnly and set Hidden as the dialog does.
    item.SetAttributes(item.Attributes() & ~(FileSysItem::ReadOnly | FileSysItem::System));
    item.SetAttributes(item.Attributes() | FileSysItem::Hidden);
    EXPECT_EQ(item.Attributes(), 34);
    EXPECT_EQ(modeOf(file), 0644u);
    EXPECT_EQ(dosWord(file), std::string("0x22", 5)); // the NUL form is kept

    item.SetAttributes(FileSysItem::ReadOnly);
    EXPECT_EQ(item.Attributes(), FileSysItem::ReadOnly);
    EXPECT_EQ(modeOf(file), 0444u);

    // No word is made where nothing needs one.
    const std::string bare = make("bare");
    fs.GetFile(q(bare)).SetAttributes(0);
    EXPECT_EQ(dosWord(bare), "");

    // Folders carry the same attributes.
    Folder box = fs.CreateFolder(q(dir.file("box")));
    box.SetAttributes(FileSysItem::Archive | FileSysItem::System);
    EXPECT_EQ(fs.GetFolder(q(dir.file("box"))).Attributes(), 36);
    // A folder opened through a link is the folder behind it.
    ASSERT_EQ(::symlink(dir.file("box").c_str(), dir.file("box-link").c_str()), 0);
    fs.GetFolder(q(dir.file("box-link"))).SetAttributes(FileSysItem::Archive);
    EXPECT_EQ(fs.GetFolder(q(dir.file("box"))).Attributes(), 32);
}

TEST_F(FileSysTest, AttributeWritesThatCannotHoldAreRefusedAndChangeNothing)
{
    const std::string dotted = make(".hidden");
    File item = fs.GetFile(q(dotted));
    expectFailure([&] { item.SetAttributes(FileSysItem::ReadOnly); }, EPERM, dotted);
    EXPECT_EQ(modeOf(dotted), 0644u);
    item.SetAttributes(FileSysItem::Hidden | FileSysItem::Archive);
    EXPECT_EQ(item.Attributes(), 34);

    // A word in another program's binary form is not overwritten.
    const std::string file = make("served");
    const char record[] = {'\x00', '\x00', '\x04', '\x00', '\x04', '\x00', '\x00', '\x00', '\x20'};
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", record, sizeof record, 0), 0);
    File served = fs.GetFile(q(file));
    expectFailure([&] { served.SetAttributes(FileSysItem::Archive); }, EOPNOTSUPP, file);
    EXPECT_EQ(dosWord(file), std::string(record, sizeof record));

    const std::string link = dir.file("link");
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    expectFailure([&] { fs.GetFile(q(link)).SetAttributes(FileSysItem::ReadOnly); }, EOPNOTSUPP, link);
    EXPECT_EQ(modeOf(file), 0644u);
}

TEST_F(FileSysTest, SettingTheNameRenamesInPlaceButNeverOverAnotherItem)
{
    const std::string file = make("old.txt", "old");
    make("taken.txt", "taken");
    File item = fs.GetFile(q(file));
    item.SetName(QStringLiteral("new.txt"));
    EXPECT_EQ(item.Path(), q(dir.file("new.txt")));
    EXPECT_EQ(readFile(dir.file("new.txt")), "old");

    expectFailure([&] { item.SetName(QStringLiteral("taken.txt")); }, EEXIST, dir.file("new.txt"));
    EXPECT_EQ(readFile(dir.file("taken.txt")), "taken");
    for (const char* bad : {"", "a/b", "..", "."})
        expectFailure([&] { item.SetName(QString::fromLatin1(bad)); }, EINVAL, dir.file("new.txt"));

    Folder box = fs.CreateFolder(q(dir.file("box")));
    box.SetName(QStringLiteral("Box"));
    EXPECT_TRUE(fs.FolderExists(q(dir.file("Box"))));
    EXPECT_FALSE(fs.FolderExists(q(dir.file("box"))));
}

TEST_F(FileSysTest, CopyFileIntoAFolderOrToAPathAndOverwriteOnlyWhenAsked)
{
    const std::string source = make("src.txt", "new content");
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    const std::string target = folder("target");
    fs.CopyFile(q(source), q(target + "/"));
    EXPECT_EQ(readFile(target + "/src.txt"), "new content");
    EXPECT_EQ(modeOf(target + "/src.txt"), 0640u);
    EXPECT_EQ(fs.GetFile(q(target + "/src.txt")).DateLastModified(), fs.GetFile(q(source)).DateLastModified());

    make("target/other.txt", "keep me");
    expectFailure([&] { fs.CopyFile(q(source), q(target + "/other.txt"), false); }, EEXIST, target + "/other.txt");
    EXPECT_EQ(readFile(target + "/other.txt"), "keep me");
    fs.CopyFile(q(source), q(target + "/other.txt"));
    EXPECT_EQ(readFile(target + "/other.txt"), "new content");

    expectFailure([&] { fs.CopyFile(q(source), q(source)); }, EINVAL, source);
    EXPECT_EQ(readFile(source), "new content");
    expectFailure([&] { fs.CopyFile(q(source), q(target)); }, EISDIR, target);
    expectFailure([&] { fs.CopyFile(q(dir.file("none")), q(target + "/")); }, ENOENT, dir.file("none"));
    EXPECT_THAT(listFolder(target), ElementsAre("other.txt", "src.txt")); // no temporary left
}

TEST_F(FileSysTest, FailedCopyLeavesTheTargetAsItWas)
{
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string target = folder("target");
    make("target/pipe", "good");
    expectFailure([&] { fs.CopyFile(q(pipe), q(target + "/")); }, EINVAL, pipe);
    EXPECT_EQ(readFile(target + "/pipe"), "good");
    EXPECT_THAT(listFolder(target), ElementsAre("pipe"));
}

TEST_F(FileSysTest, CopyFolderCopiesTheTreeWithLinksAsLinks)
{
    folder("src");
    folder("src/sub");
    make("src/a", "A");
    make("src/sub/b", "B");
    ASSERT_EQ(::symlink("..", dir.file("src/sub/up").c_str()), 0); // a loop if followed
    folder("dst");

    fs.CopyFolder(q(dir.file("src")), q(dir.file("dst/")));
    EXPECT_EQ(readFile(dir.file("dst/src/a")), "A");
    EXPECT_EQ(readFile(dir.file("dst/src/sub/b")), "B");
    char link[16] = {};
    ASSERT_EQ(::readlink(dir.file("dst/src/sub/up").c_str(), link, sizeof link), 2);
    EXPECT_STREQ(link, "..");

    // Copied again to a path of its own, merging over what is there.
    make("src/a", "A2");
    fs.CopyFolder(q(dir.file("src")), q(dir.file("dst/src")));
    EXPECT_EQ(readFile(dir.file("dst/src/a")), "A2");
    expectFailure([&] { fs.CopyFolder(q(dir.file("src")), q(dir.file("dst/src")), false); }, EEXIST,
                  dir.file("dst/src"));
}

TEST_F(FileSysTest, CopyFolderIntoItselfIsRefusedBeforeAnythingIsWritten)
{
    folder("src");
    folder("src/sub");
    make("src/a", "A");
    expectFailure([&] { fs.CopyFolder(q(dir.file("src")), q(dir.file("src/"))); }, EINVAL, dir.file("src"));
    expectFailure([&] { fs.CopyFolder(q(dir.file("src")), q(dir.file("src/sub/copy"))); }, EINVAL, dir.file("src"));
    expectFailure([&] { fs.CopyFolder(q(dir.file("src/")), q(dir.file("src"))); }, EINVAL, dir.file("src/"));
    // Through a link to it as well.
    ASSERT_EQ(::symlink(dir.file("src").c_str(), dir.file("alias").c_str()), 0);
    expectFailure([&] { fs.CopyFolder(q(dir.file("alias")), q(dir.file("src/sub/"))); }, EINVAL, dir.file("alias"));
    EXPECT_THAT(listFolder(dir.file("src/sub")), ElementsAre());
    // A sibling whose name begins the same is not inside.
    fs.CopyFolder(q(dir.file("src")), q(dir.file("src2")));
    EXPECT_EQ(readFile(dir.file("src2/a")), "A");
}

TEST_F(FileSysTest, DeleteRefusesReadOnlyItemsUnlessForced)
{
    const std::string file = make("locked.txt");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    expectFailure([&] { fs.DeleteFile(q(file)); }, EACCES, file);
    EXPECT_TRUE(fileExists(file));
    fs.DeleteFile(q(file), true);
    EXPECT_FALSE(fileExists(file));
    expectFailure([&] { fs.DeleteFile(q(file)); }, ENOENT, file);

    folder("tree");
    folder("tree/sub");
    make("tree/sub/locked");
    ASSERT_EQ(::chmod(dir.file("tree/sub/locked").c_str(), 0444), 0);
    expectFailure([&] { fs.DeleteFolder(q(dir.file("tree"))); }, EACCES, dir.file("tree/sub/locked"));
    EXPECT_TRUE(fileExists(dir.file("tree/sub/locked")));
    fs.DeleteFolder(q(dir.file("tree")), true);
    EXPECT_FALSE(fileExists(dir.file("tree")));
}

TEST_F(FileSysTest, DeleteFolderNeverReachesThroughLinksOrDeletesADrive)
{
    folder("outside");
    make("outside/precious", "keep");
    folder("tree");
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("tree/link").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("alias").c_str()), 0);

    fs.DeleteFolder(q(dir.file("tree")));
    EXPECT_FALSE(fileExists(dir.file("tree")));
    fs.DeleteFolder(q(dir.file("alias"))); // the link goes, not what it points to
    EXPECT_FALSE(fileExists(dir.file("alias")));
    EXPECT_EQ(readFile(dir.file("outside/precious")), "keep");

    expectFailure([&] { fs.DeleteFolder(q(dir.path() + "/")); }, EBUSY, dir.path() + "/");
    expectFailure([&] { fs.DeleteFolder(q(dir.file("outside/precious"))); }, ENOTDIR, dir.file("outside/precious"));
    expectFailure([&] { fs.DeleteFile(q(dir.file("outside"))); }, EISDIR, dir.file("outside"));
    EXPECT_EQ(readFile(dir.file("outside/precious")), "keep");
}

} // namespace
