#include "StatusLines.h"
#include "JobTexts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

JobEvent event(JobEvent::Kind kind, Reason reason, std::string text = {}) {
    JobEvent made;
    made.kind = kind;
    made.reason = reason;
    made.text = std::move(text);
    return made;
}

} // namespace

// Every reason has a line of its own; a whole job, download and conversion,
// prints the lines scripts have always read, control words included.
TEST(StatusLinesTest, EveryReasonHasALineAndAJobPrintsItsLines) {
    std::set<std::string> seen;
    for (int i = static_cast<int>(Reason::None) + 1; i <= static_cast<int>(lastReason); ++i) {
        const Reason reason = static_cast<Reason>(i);
        const std::string line = StatusLines::line(reason, "detail");
        EXPECT_FALSE(line.empty()) << reasonName(reason);
        EXPECT_TRUE(seen.insert(line).second) << reasonName(reason) << ": " << line;
    }

    using Kind = JobEvent::Kind;
    const std::vector<JobEvent> job = {
        event(Kind::Status, Reason::ReadingPage),
        event(Kind::Status, Reason::PageReceived),
        event(Kind::Titled, Reason::None, "Song"),
        event(Kind::Status, Reason::SearchingStream),
        event(Kind::Status, Reason::StreamFound),
        event(Kind::Status, Reason::Connecting),
        event(Kind::Status, Reason::Downloading),
        event(Kind::Container, Reason::None, "flv"),
        event(Kind::Resumable, Reason::None, "Song.part"),
        event(Kind::Progress, Reason::None),
        event(Kind::Saved, Reason::None, "Song.flv"),
        event(Kind::Status, Reason::Downloaded),
        event(Kind::Converting, Reason::Converting),
        event(Kind::ConvertProgress, Reason::None),
        event(Kind::Saved, Reason::None, "Song.mp3"),
        event(Kind::Converted, Reason::None),
        event(Kind::Finished, Reason::Converted),
    };
    std::vector<std::string> printed;
    for (const JobEvent& e : job)
        for (const std::string& line : StatusLines::lines(e))
            printed.push_back(line);
    EXPECT_EQ(printed, withHead({"setflv", "saved:Song.flv", "Download Complete!",
                                 "Converting to mp3...", "saved:Song.mp3", "setmp3", "done",
                                 "Complete! Thank you for using Quillmoth."}));

    // A download alone said its end as its last step; a stop or a failure
    // ends with "done" and why.
    using Lines = std::vector<std::string>;
    EXPECT_EQ(StatusLines::lines(event(Kind::Finished, Reason::Downloaded)), Lines{"done"});
    EXPECT_EQ(StatusLines::lines(event(Kind::Paused, Reason::Paused)), (Lines{"done", "Paused."}));
    EXPECT_EQ(StatusLines::lines(event(Kind::Failed, Reason::InvalidTitle)),
              (Lines{"done", "Error: Invalid Title - Go back to search & change title. "}));
}
