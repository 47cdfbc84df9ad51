#include "TransfersFixture.h"

#include "ProcessRunner.h"

#include <QProgressBar>
#include <QTemporaryDir>

#include <filesystem>

TEST_F(TransfersTest, ClearingTheMiddleRowMovesTheRowsBelowUp) {
    for (const char* t : {"A", "B", "C"})
        finishedTransfer(t);
    QProgressBar* thirdBar = downloads->item(2)->pb;

    downloads->clearItemFromView(1);

    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(downloads->item(1), nullptr);
    EXPECT_EQ(downloads->getRowCount(), 2);
    ASSERT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_EQ(title(0), "A");
    EXPECT_EQ(title(1), "C");
    EXPECT_EQ(downloads->item(0)->listID, 0);
    EXPECT_EQ(downloads->item(2)->listID, 1);
    EXPECT_EQ(barInRow(1), thirdBar);
    EXPECT_EQ(barInRow(0), downloads->item(0)->pb.data());

    // Later texts of the third transfer land on its new row.
    report(2, {"late text"});
    EXPECT_EQ(status(1), "late text");
    EXPECT_EQ(status(0), "Download Complete!");

    // Library rows of a cleared transfer stay.
    EXPECT_EQ(ListView::rowCount(library), 3);

    // No row with that index: nothing happens.
    downloads->clearItemFromView(5);
    downloads->convert(5);
    EXPECT_EQ(ListView::rowCount(transfers), 2);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TransfersTest, UnfinishedTransfersAreNeitherClearedNorConverted) {
    downloads->download("http://127.0.0.1:1/a", "Running");
    report(0, {"setmp4", "Download Complete!"});

    downloads->clearItemFromView(0);
    downloads->convert(0);
    EXPECT_EQ(messages, QStringList({"This item hasn't finished processing.",
                                     "This item hasn't finished processing."}));
    EXPECT_EQ(ListView::rowCount(transfers), 1);
    ASSERT_NE(downloads->item(0), nullptr);
    EXPECT_FALSE(downloads->item(0)->converted());
    EXPECT_EQ(status(0), "Download Complete!");

    // A failed transfer is complete and can go.
    report(0, {"done", "Error: Could not save movie."});
    EXPECT_EQ(status(0), "Error: Could not save movie.");
    downloads->clearItemFromView(0);
    EXPECT_EQ(ListView::rowCount(transfers), 0);
    EXPECT_EQ(downloads->getRowCount(), 0);
}

class ConvertOnRequestTest : public TransfersTest {
protected:
    void SetUp() override {
        TransfersTest::SetUp();
        ASSERT_TRUE(folders.isValid());
        movies = folders.path().toStdString() + "/movies";
        music = folders.path().toStdString() + "/music";
        std::filesystem::create_directories(movies);
        std::filesystem::create_directories(music);
    }

    // A one-second clip with a sine tone, as a real download would leave it.
    void makeClip(const std::string& name) {
        ProcessRunner ffmpeg({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                              "sine=frequency=440:duration=1", "-f", "lavfi", "-i",
                              "color=size=64x64:duration=1", "-c:v", "libx264", "-c:a", "aac",
                              "-shortest", "-y", movies + "/" + name + ".mp4"});
        ASSERT_EQ(ffmpeg.run(), 0);
    }

    QTemporaryDir folders;
    std::string movies;
    std::string music;
};

TEST_F(ConvertOnRequestTest, MakesTheMp3InTheFoldersOfTheMoment) {
    makeClip("Clip");
    // The transfer started with other folders; the request uses the current ones.
    Settings::moviePath = "/nowhere/movies";
    Settings::mp3Path = "/nowhere/music";
    finishedTransfer("Clip");
    Settings::moviePath = movies;
    Settings::mp3Path = music;
    ASSERT_EQ(ListView::rowCount(library), 1);

    downloads->convert(0);

    EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();
    EXPECT_TRUE(std::filesystem::is_regular_file(music + "/Clip.mp3"));
    EXPECT_GT(std::filesystem::file_size(music + "/Clip.mp3"), 0u);
    EXPECT_TRUE(downloads->item(0)->converted());
    EXPECT_EQ(status(0), "Complete! Thank you for using Quillmoth.");
    ASSERT_EQ(ListView::rowCount(library), 2);
    EXPECT_EQ(libraryRow(1), QStringList({"Clip", "mp3"}));

    downloads->convert(0);
    EXPECT_EQ(messages, QStringList({"This item has already been converted."}));
    EXPECT_EQ(ListView::rowCount(library), 2);
}

TEST_F(ConvertOnRequestTest, FailedConversionLeavesTheTransferUnconverted) {
    Settings::moviePath = movies;
    Settings::mp3Path = music;
    finishedTransfer("Missing"); // no movie file behind it
    downloads->download("http://127.0.0.1:1/w", "Failed");
    report(1, {"done", "Error: Could not make connection."}); // never typed

    for (int row : {0, 1}) {
        downloads->convert(row);
        EXPECT_FALSE(downloads->item(row)->converted());
    }
    EXPECT_EQ(messages, QStringList({"Error: Could not convert to mp3.",
                                     "Error: Could not convert to mp3."}));
    EXPECT_EQ(status(0), "Download Complete!");
    EXPECT_EQ(status(1), "Error: Could not make connection.");
    EXPECT_EQ(ListView::rowCount(library), 1);
    EXPECT_FALSE(std::filesystem::exists(music + "/Missing.mp3"));
}
