#include "ResumeNote.h"
#include "TempFolder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

using testfiles::readFile;
using testfiles::writeFile;

TEST(ResumeNote, ReadsEveryFormItWroteAndRefusesAnyOther) {
    TempFolder dir;
    const std::string part = dir.file("Clip.part");
    const std::string note = ResumeNote::pathOf(part);
    const ResumeState one{.partFile = part, .validator = "\"v1\"", .total = 9000};
    ResumeState pieces = one;
    pieces.ranges = "bytes=0-99";
    ResumeState segments = pieces;
    segments.segments = {"sha256:1f2e", {"0-41,43-43", "", "0-12"}};

    // The notes of one connection and of pieces are what earlier runs wrote.
    ASSERT_TRUE(ResumeNote::write(part, one));
    EXPECT_EQ(readFile(note), "\"v1\"\n9000\n");
    EXPECT_EQ(ResumeNote::read(part), one);
    ASSERT_TRUE(ResumeNote::write(part, pieces));
    EXPECT_EQ(readFile(note),
              "quillmoth-resume 2\nranges bytes=0-99\nvalidator \"v1\"\ntotal 9000\n");
    EXPECT_EQ(ResumeNote::read(part), pieces);
    ASSERT_TRUE(ResumeNote::write(part, segments));
    EXPECT_EQ(ResumeNote::read(part), segments);

    for (const char* text : {
             "quillmoth-resume 2\nvalidator v\ntotal 1\n", // nothing to continue
             "quillmoth-resume 2\nranges bytes=0-9\nvalidator v\ntotal 1\nsize 3\n", // a later
                                                                                     // field
             "quillmoth-resume 2\nsegments 0-x\nvalidator v\ntotal 1\n",             // no indices
             "quillmoth-resume 2\nranges bytes=0-9\nranges bytes=\nvalidator v\ntotal 1\n",
             "\"v1\"\n-1\n",
         }) {
        writeFile(note, text);
        EXPECT_EQ(ResumeNote::read(part), std::nullopt) << text;
    }
}
