#include "PartFile.h"
#include "JobRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(PartFileTest, ReplacesTheTargetOnlyOnCommit) {
    TempDir dir;
    const std::string target = dir.file("Clip.flv");
    writeFile(target, "old");
    {
        PartFile file(target);
        ASSERT_EQ(file.open(), PartFile::Opened::Ok);
        EXPECT_EQ(file.tempPath().rfind(target + ".", 0), 0u);
        EXPECT_EQ(file.tempPath().size(), target.size() + PartFile::extraNameBytes);
        EXPECT_EQ(file.write("new bytes", 9), 9u);
        EXPECT_EQ(listFolder(dir.path()).size(), 2u);
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(listFolder(dir.path()), Names{"Clip.flv"});

    PartFile file(target);
    ASSERT_EQ(file.open(), PartFile::Opened::Ok);
    file.write("new bytes", 9);
    EXPECT_EQ(file.size(), 9);
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(readFile(target), "new bytes");
    EXPECT_EQ(listFolder(dir.path()), Names{"Clip.flv"});
    EXPECT_FALSE(file.commit());

    // A target that is a folder cannot be replaced; the temporary file goes.
    fs::create_directory(dir.file("Folder.flv"));
    PartFile blocked(dir.file("Folder.flv"));
    ASSERT_EQ(blocked.open(), PartFile::Opened::Ok);
    EXPECT_FALSE(blocked.commit());
    EXPECT_EQ(listFolder(dir.path()), (Names{"Clip.flv", "Folder.flv"}));

    // Why a file cannot be made: the folder, or the name.
    EXPECT_EQ(PartFile(dir.file("missing/Clip.flv")).open(), PartFile::Opened::FolderUnusable);
    EXPECT_EQ(PartFile(dir.file("Clip.flv/x.flv")).open(), PartFile::Opened::FolderUnusable);
    EXPECT_EQ(PartFile(dir.file(std::string(300, 'n'))).open(), PartFile::Opened::NameRefused);
}

// Two writers of one target each get a file of their own: neither truncates,
// mixes into or removes the other's bytes, and the target is always one
// whole body.
TEST(PartFileTest, WritersOfOneTargetNeverShareAFile) {
    TempDir dir;
    const std::string target = dir.file("Same.flv");
    writeFile(target, "earlier");
    PartFile first(target), second(target);
    ASSERT_EQ(first.open(), PartFile::Opened::Ok);
    ASSERT_EQ(second.open(), PartFile::Opened::Ok);
    EXPECT_NE(first.tempPath(), second.tempPath());
    first.write("AAAA", 4);
    second.write("BBBBBB", 6);
    second.discard();
    EXPECT_EQ(readFile(first.tempPath()), "AAAA");
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(readFile(target), "AAAA");
    EXPECT_EQ(listFolder(dir.path()), Names{"Same.flv"});
}

// A link planted under any name the writer might pick is never followed:
// the file behind it keeps its bytes, and the target ends as a plain file.
TEST(PartFileTest, PlantedLinksAreNeverWrittenThrough) {
    TempDir dir, elsewhere;
    const std::string victim = elsewhere.file("victim");
    writeFile(victim, "precious");
    const std::string target = dir.file("Probe Clip.flv");
    fs::create_symlink(victim, target);
    fs::create_symlink(victim, target + ".part");

    PartFile file(target);
    ASSERT_EQ(file.open(), PartFile::Opened::Ok);
    EXPECT_FALSE(fs::is_symlink(file.tempPath()));
    file.write("movie", 5);
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(readFile(target), "movie");
}

} // namespace
