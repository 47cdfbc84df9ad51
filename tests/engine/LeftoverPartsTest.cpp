// What a killed program left behind goes at the next start: only our own
// random-named temporaries that nobody holds and no transfer names.
#include "files/LeftoverParts.h"
#include "files/StagedFile.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(LeftoverParts, OnlyOurUnheldUnnamedRandomTemporariesGo) {
    TempFolder media;
    TempFolder temporary;
    const std::string previous = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", temporary.path().c_str(), 1);
    const std::vector<std::string> gone = {"Song.mp3.aB3dE9.part", "Clip.flv.Zz9yX1.part",
                                           "Clip (1).mp4.q1w2e3.part"};
    const std::vector<std::string> stay = {
        "Clip.part",        "Clip.42.part",          "Clip.123456.part",
        "Clip.flv",         "Notes.txt.aB3dE9.part", "Named.flv.Qw3rty.part",
        "Clip.flv.abc.part"};
    for (const auto& name : gone)
        testfiles::writeFile(media.file(name), "x");
    for (const auto& name : stay)
        testfiles::writeFile(media.file(name), "x");
    fs::create_symlink(media.file("Clip.flv"), media.file("Link.mp3.abcdeF.part"));
    StagedFile held(media.file("Held.mp3"));
    ASSERT_EQ(held.open(), StagedFile::Opened::Ok);
    for (const char* name : {"quillmoth-picture.aB3dE9.part", "quillmoth-cover.jpg.aB3dE9.part",
                             "other.jpg.aB3dE9.part"})
        testfiles::writeFile(temporary.file(name), "x");

    // Nothing changed since the start began is touched: a new job's file.
    const std::vector<std::string> folders = {media.path().string(), media.path().string() + "/"};
    const std::vector<std::string> named = {media.file("Named.flv.Qw3rty.part")};
    EXPECT_TRUE(LeftoverParts(folders, named, timespec{0, 0}).remove().empty());

    const std::vector<std::string> removed =
        LeftoverParts(folders, named, timespec{std::time(nullptr) + 3600, 0}).remove();
    EXPECT_EQ(removed.size(), gone.size() + 2);
    for (const auto& name : gone)
        EXPECT_FALSE(fs::exists(media.file(name))) << name;
    for (const auto& name : stay)
        EXPECT_TRUE(fs::exists(media.file(name))) << name;
    EXPECT_TRUE(fs::is_symlink(media.file("Link.mp3.abcdeF.part")));
    EXPECT_TRUE(fs::exists(held.tempPath()));
    EXPECT_EQ(testfiles::listFolder(temporary.path().string()),
              std::vector<std::string>{"other.jpg.aB3dE9.part"});
    if (previous.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", previous.c_str(), 1);
}
