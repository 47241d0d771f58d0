#include "PathText.h"

#include <gtest/gtest.h>

using namespace veilcraft;

// SplitPath must cut at the last separator and leave the folder alone for a bare name.
TEST(PathText, SplitPathCutsAtTheLastSeparator)
{
    std::string folder = "unchanged";
    std::string name;
    SplitPath("/home/u/docs/notes.txt", folder, name);
    EXPECT_EQ(folder, "/home/u/docs/");
    EXPECT_EQ(name, "notes.txt");

    folder = "unchanged";
    SplitPath("notes.txt", folder, name);
    EXPECT_EQ(folder, "unchanged");
    EXPECT_EQ(name, "notes.txt");

    SplitPath("/notes", folder, name);
    EXPECT_EQ(folder, "/");
    EXPECT_EQ(name, "notes");
}

TEST(PathText, JoinAndFolderDoNotDoubleSeparators)
{
    EXPECT_EQ(joinPath("/out/", "a.vkf"), "/out/a.vkf");
    EXPECT_EQ(joinPath("/out", "a.vkf"), "/out/a.vkf");
    EXPECT_EQ(folderOf("/a/b.txt"), "/a");
    EXPECT_EQ(folderOf("/b.txt"), "/");
    EXPECT_EQ(folderOf("b.txt"), ".");
}

// The content type is made of characters, not bytes: a multi-byte UTF-8
// character must never be cut in half.
TEST(PathText, LastCharactersCountsUtf8Characters)
{
    EXPECT_EQ(lastCharacters("/docs/notes.txt", 4), ".txt");
    EXPECT_EQ(lastCharacters("ab", 4), "ab");
    EXPECT_EQ(lastCharacters("/x/caf\xC3\xA9", 4), "caf\xC3\xA9");
    EXPECT_EQ(lastCharacters("/x/\xE2\x82\xAC" "abc", 4), "\xE2\x82\xAC" "abc");
    // Stray continuation bytes and a lone lead byte count one each.
    EXPECT_EQ(lastCharacters("ab\x80\x80", 2), "\x80\x80");
    EXPECT_EQ(lastCharacters("a\xC3", 1), "\xC3");
}
