#include "files/StagedFile.h"
#include "JobRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Nothing is ever replaced: a taken name (a file, a folder, a link) makes
// the new file take "(1)" before its extension, then "(2)", up to "(99)";
// past that the commit fails and the whole file stays for the caller.
TEST(StagedFileTest, CommitTakesTheNextFreeNameAndNeverReplaces) {
    TempDir dir;
    const std::string target = dir.file("Clip.flv");
    writeFile(target, "old");
    {
        StagedFile file(target);
        ASSERT_EQ(file.open(), StagedFile::Opened::Ok);
        EXPECT_EQ(file.tempPath().rfind(target + ".", 0), 0u);
        EXPECT_EQ(file.tempPath().size(), target.size() + StagedFile::extraNameBytes);
        EXPECT_EQ(file.write("new bytes", 9), 9u);
        EXPECT_EQ(listFolder(dir.path()).size(), 2u);
    }
    EXPECT_EQ(listFolder(dir.path()), Names{"Clip.flv"});

    StagedFile file(target);
    ASSERT_EQ(file.open(), StagedFile::Opened::Ok);
    file.write("new bytes", 9);
    EXPECT_EQ(file.size(), 9);
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(file.target(), dir.file("Clip(1).flv"));
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(readFile(dir.file("Clip(1).flv")), "new bytes");
    EXPECT_FALSE(file.commit());

    // A dot inside the title is not the extension's.
    fs::create_directory(dir.file("Mr. X.flv"));
    StagedFile dotted(dir.file("Mr. X.flv"));
    ASSERT_EQ(dotted.open(), StagedFile::Opened::Ok);
    EXPECT_TRUE(dotted.commit());
    EXPECT_EQ(dotted.target(), dir.file("Mr. X(1).flv"));

    // Copies count up: the third is "(2)", not "(1)(1)".
    StagedFile third(target);
    ASSERT_EQ(third.open(), StagedFile::Opened::Ok);
    EXPECT_TRUE(third.commit());
    EXPECT_EQ(third.target(), dir.file("Clip(2).flv"));

    // Up to "(99)"; past that the whole file is the caller's to keep.
    for (std::size_t n = 0; n <= StagedFile::maxCopies; ++n)
        writeFile(StagedFile::copyName(dir.file("Full.mp3"), n), "kept");
    EXPECT_TRUE(fs::exists(dir.file("Full(99).mp3")));
    StagedFile full(dir.file("Full.mp3"));
    ASSERT_EQ(full.open(), StagedFile::Opened::Ok);
    full.write("whole", 5);
    EXPECT_FALSE(full.commit());
    EXPECT_TRUE(full.namesTaken());
    EXPECT_EQ(readFile(full.tempPath()), "whole");
    full.discard();
    for (const std::string& name : listFolder(dir.path()))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    EXPECT_EQ(readFile(dir.file("Full(99).mp3")), "kept");

    // Why a file cannot be made: the folder, or the name.
    EXPECT_EQ(StagedFile(dir.file("missing/Clip.flv")).open(), StagedFile::Opened::FolderUnusable);
    EXPECT_EQ(StagedFile(dir.file("Clip.flv/x.flv")).open(), StagedFile::Opened::FolderUnusable);
    EXPECT_EQ(StagedFile(dir.file(std::string(300, 'n'))).open(), StagedFile::Opened::NameRefused);
}

// Writers of one target each get a file of their own: neither truncates,
// mixes into or removes the other's bytes, and concurrent commits never
// take one name.
TEST(StagedFileTest, WritersOfOneTargetNeverShareAFile) {
    TempDir dir;
    const std::string target = dir.file("Same.flv");
    StagedFile first(target), second(target);
    ASSERT_EQ(first.open(), StagedFile::Opened::Ok);
    ASSERT_EQ(second.open(), StagedFile::Opened::Ok);
    EXPECT_NE(first.tempPath(), second.tempPath());
    first.write("AAAA", 4);
    second.write("BBBBBB", 6);
    second.discard();
    EXPECT_EQ(readFile(first.tempPath()), "AAAA");
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(readFile(target), "AAAA");
    EXPECT_EQ(listFolder(dir.path()), Names{"Same.flv"});

    constexpr int writers = 6;
    std::vector<std::thread> threads;
    std::vector<std::string> taken(writers);
    for (int i = 0; i < writers; ++i)
        threads.emplace_back([&, i] {
            StagedFile file(dir.file("Race.flv"));
            if (file.open() != StagedFile::Opened::Ok)
                return;
            const std::string bytes(1000, static_cast<char>('a' + i));
            file.write(bytes.data(), bytes.size());
            if (file.commit())
                taken[i] = file.target();
        });
    for (auto& t : threads)
        t.join();
    for (int i = 0; i < writers; ++i) {
        ASSERT_FALSE(taken[i].empty()) << "writer " << i;
        EXPECT_EQ(readFile(taken[i]), std::string(1000, static_cast<char>('a' + i)));
    }
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(std::unique(taken.begin(), taken.end()), taken.end());
    EXPECT_EQ(listFolder(dir.path()).size(), 1u + writers);
}

// A link planted under any name the writer might pick is never followed nor
// replaced: the file behind it keeps its bytes, the new file is a plain one.
TEST(StagedFileTest, PlantedLinksAreNeverWrittenThrough) {
    TempDir dir, elsewhere;
    const std::string victim = elsewhere.file("victim");
    writeFile(victim, "precious");
    const std::string target = dir.file("Probe Clip.flv");
    fs::create_symlink(victim, target);
    fs::create_symlink(victim, target + ".part");

    StagedFile file(target);
    ASSERT_EQ(file.open(), StagedFile::Opened::Ok);
    EXPECT_FALSE(fs::is_symlink(file.tempPath()));
    file.write("movie", 5);
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_FALSE(fs::is_symlink(file.target()));
    EXPECT_EQ(readFile(file.target()), "movie");
}

// A stable name is taken over only while it is a regular file of ours with
// no other name, reached without a link, that no other writer holds;
// anything else there is left as it is, and the writer takes a name of its own.
TEST(StagedFileTest, StableNamesAreNeverSharedOrFollowed) {
    TempDir dir, elsewhere;
    const std::string stable = StagedFile::stablePath(dir.path(), "Clip", "3");
    EXPECT_EQ(stable, dir.file("Clip.3.part"));
    StagedFile first(dir.file("Clip.flv")), second(dir.file("Clip.flv"));
    ASSERT_EQ(first.open(stable), StagedFile::Opened::Ok);
    first.write("abc", 3);
    first.keep();
    ASSERT_EQ(first.open(stable), StagedFile::Opened::Ok);
    ASSERT_EQ(second.open(stable), StagedFile::Opened::Ok);
    EXPECT_NE(second.tempPath(), stable);
    EXPECT_FALSE(StagedFile::removeUnheld(stable));
    second.discard();
    first.write("def", 3);
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(readFile(dir.file("Clip.flv")), "abcdef");

    writeFile(elsewhere.file("victim"), "precious");
    fs::create_symlink(elsewhere.file("victim"), dir.file("Link.part"));
    fs::create_directory(dir.file("Folder.part"));
    writeFile(dir.file("Twice.part"), "precious");
    fs::create_hard_link(dir.file("Twice.part"), elsewhere.file("second name"));
    for (const char* name : {"Link.part", "Folder.part", "Twice.part"}) {
        StagedFile file(dir.file("Other.flv"));
        ASSERT_EQ(file.open(dir.file(name)), StagedFile::Opened::Ok);
        EXPECT_NE(file.tempPath(), dir.file(name));
        EXPECT_FALSE(StagedFile::removeUnheld(dir.file(name))) << name;
    }
    EXPECT_EQ(readFile(elsewhere.file("victim")), "precious");
    EXPECT_EQ(readFile(dir.file("Twice.part")), "precious");
    EXPECT_EQ(listFolder(dir.path()),
              (Names{"Clip.flv", "Folder.part", "Link.part", "Twice.part"}));
}

} // namespace
