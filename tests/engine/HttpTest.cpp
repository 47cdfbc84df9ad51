#include "CurlHandle.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "MemoryBlock.h"
#include "PartFile.h"
#include "core.h"

#include <gtest/gtest.h>

namespace {

using namespace enginetest;

class MaxPageBytes {
public:
    explicit MaxPageBytes(std::size_t n) : saved_(core::maxPageBytes) { core::maxPageBytes = n; }
    ~MaxPageBytes() { core::maxPageBytes = saved_; }

private:
    std::size_t saved_;
};

TEST(HttpTest, PageWriterAppendsWithinTheBound) {
    MaxPageBytes bound(10);
    std::string text;
    char data[] = "abcdefghijkl";
    EXPECT_EQ(core::writer(data, 2, 3, &text), 6u);
    EXPECT_EQ(core::writer(data, 1, 4, &text), 4u);
    EXPECT_EQ(text, "abcdefabcd");
    // One byte over the bound: nothing is taken, so libcurl ends the transfer.
    EXPECT_EQ(core::writer(data, 1, 1, &text), 0u);
    EXPECT_EQ(text, "abcdefabcd");
    EXPECT_EQ(core::writer(data, 1, 1, nullptr), 0u);
}

TEST(HttpTest, MovieCallbacksReportFailuresAndProgress) {
    TempDir dir;
    PartFile file(dir.file("m.flv"));
    const int id = JobRecorder::nextId();
    MemoryBlock block{file, id, &JobRecorder::progress};
    char data[] = "0123456789";
    // No file open: the chunk is not taken.
    EXPECT_EQ(core::writer3(data, 1, 10, &block), 0u);
    ASSERT_TRUE(file.open());
    EXPECT_EQ(core::writer3(data, 2, 5, &block), 10u);

    EXPECT_EQ(core::progress_callback(&block, 0, 0, 7, 7), 0);
    EXPECT_EQ(core::progress_callback(&block, 5000000000LL, 4000000000LL, 0, 0), 0);
    const std::vector<std::pair<double, double>> expected = {{0, 0}, {5e9, 4e9}};
    EXPECT_EQ(JobRecorder::progressOf(id), expected);
}

TEST(HttpTest, PartFileReplacesTheTargetOnlyOnCommit) {
    TempDir dir;
    const std::string target = dir.file("Clip.flv");
    writeFile(target, "old");
    {
        PartFile file(target);
        ASSERT_TRUE(file.open());
        EXPECT_EQ(file.tempPath(), target + ".part");
        EXPECT_EQ(file.write("new bytes", 9), 9u);
        EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"Clip.flv", "Clip.flv.part"}));
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"Clip.flv"});

    PartFile file(target);
    ASSERT_TRUE(file.open());
    file.write("new bytes", 9);
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(readFile(target), "new bytes");
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"Clip.flv"});
    EXPECT_FALSE(file.commit());

    // A target that is a folder cannot be replaced; the temporary file goes.
    std::filesystem::create_directory(dir.file("Folder.flv"));
    PartFile blocked(dir.file("Folder.flv"));
    ASSERT_TRUE(blocked.open());
    EXPECT_FALSE(blocked.commit());
    EXPECT_FALSE(std::filesystem::exists(dir.file("Folder.flv.part")));

    EXPECT_FALSE(PartFile(dir.file("missing/Clip.flv")).open());
}

TEST(HttpTest, PageFetchKeepsOnlyTheBody) {
    FixtureServer srv;
    srv.body("/empty", "");
    srv.get("/headers", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Marker", "header-text");
        res.set_content("body-text", "text/plain");
    });
    srv.redirect("/hop", "/headers");

    for (const char* path : {"/empty", "/hop"}) {
        SCOPED_TRACE(path);
        CurlHandle curl;
        std::string text;
        EXPECT_EQ(core::doCurl(curl.get(), srv.url(path).c_str(), text), CURLE_OK);
        EXPECT_EQ(text, path == std::string("/empty") ? "" : "body-text");
    }
    std::string text;
    EXPECT_NE(core::doCurl(nullptr, srv.url("/empty").c_str(), text), CURLE_OK);
}

} // namespace
