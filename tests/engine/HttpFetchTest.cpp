#include "HttpFetch.h"
#include "CurlHandle.h"
#include "FixtureServer.h"
#include "JobOptions.h"
#include "JobRecorder.h"
#include "MovieDownload.h"
#include "MovieTransfer.h"
#include "PageBuffer.h"
#include "PartFile.h"

#include <gtest/gtest.h>

namespace {

using namespace enginetest;

TEST(HttpFetchTest, PageWriterAppendsWithinTheBound) {
    std::string text;
    PageBuffer page{text, 10};
    char data[] = "abcdefghijkl";
    EXPECT_EQ(HttpFetch::pageWriter(data, 2, 3, &page), 6u);
    EXPECT_EQ(HttpFetch::pageWriter(data, 1, 4, &page), 4u);
    EXPECT_EQ(text, "abcdefabcd");
    EXPECT_FALSE(page.tooLarge);
    // One byte over the bound: nothing is taken, so libcurl ends the
    // transfer, and the page is known to be too large.
    EXPECT_EQ(HttpFetch::pageWriter(data, 1, 1, &page), 0u);
    EXPECT_EQ(text, "abcdefabcd");
    EXPECT_TRUE(page.tooLarge);
    EXPECT_EQ(HttpFetch::pageWriter(data, 1, 1, nullptr), 0u);
}

TEST(HttpFetchTest, MovieCallbacksReportFailuresAndProgress) {
    TempDir dir;
    PartFile file(dir.file("m.flv"));
    const int id = JobRecorder::nextId();
    auto cancel = std::make_shared<CancelToken>();
    const JobOptions options;
    const JobReporter reporter(id, &JobRecorder::record, cancel);
    MovieDownload download(options, reporter, "m", ".flv");
    MovieTransfer transfer{file, download};
    char data[] = "0123456789";
    // No file open: the chunk is not taken.
    EXPECT_EQ(HttpFetch::movieWriter(data, 1, 10, &transfer), 0u);
    ASSERT_EQ(file.open(), PartFile::Opened::Ok);
    EXPECT_EQ(HttpFetch::movieWriter(data, 2, 5, &transfer), 10u);

    EXPECT_EQ(HttpFetch::movieProgress(&transfer, 0, 0, 7, 7), 0);
    EXPECT_EQ(HttpFetch::movieProgress(&transfer, 5000000000LL, 4000000000LL, 0, 0), 0);
    const std::vector<std::pair<double, double>> expected = {{0, 0}, {5e9, 4e9}};
    EXPECT_EQ(JobRecorder::progressOf(id), expected);
    // Once cancelled, the next progress call stops the transfer.
    cancel->cancel();
    EXPECT_NE(HttpFetch::movieProgress(&transfer, 0, 0, 0, 0), 0);
}

TEST(HttpFetchTest, PageFetchKeepsOnlyTheBody) {
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
        EXPECT_EQ(HttpFetch(JobOptions{}).page(curl.get(), srv.url(path), text), CURLE_OK);
        EXPECT_EQ(text, path == std::string("/empty") ? "" : "body-text");
    }
    std::string text;
    EXPECT_NE(HttpFetch(JobOptions{}).page(nullptr, srv.url("/empty"), text), CURLE_OK);
}

} // namespace
