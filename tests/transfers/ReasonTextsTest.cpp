#include "transfers/ReasonTexts.h"

#include <gtest/gtest.h>

#include <QSet>

// Every reason has words of its own in the window, with its detail where it
// takes one; a failure's cause reads without "Error: ".
TEST(ReasonTextsTest, EveryReasonHasWordsOfItsOwn) {
    QSet<QString> seen;
    for (int i = static_cast<int>(Reason::None) + 1; i <= static_cast<int>(lastReason); ++i) {
        const Reason reason = static_cast<Reason>(i);
        SCOPED_TRACE(std::string(reasonName(reason)));
        const QString words = ReasonTexts::text(reason, "the detail");
        EXPECT_FALSE(words.trimmed().isEmpty());
        EXPECT_FALSE(seen.contains(words)) << words.toStdString();
        seen.insert(words);
    }
    EXPECT_EQ(ReasonTexts::text(Reason::None, "An older build's status"),
              "An older build's status");
    EXPECT_EQ(ReasonTexts::text(Reason::PlayNoThread, "no memory"),
              "No thread could be started to prepare it: no memory");
    EXPECT_EQ(ReasonTexts::text(Reason::PlayFailed), "Preparing it for playback failed.");
    EXPECT_EQ(ReasonTexts::text(Reason::Downloaded, "ignored"), "Download Complete!");
    EXPECT_EQ(ReasonTexts::cause(Reason::NamesTaken),
              "Could not save movie: every name for it is taken.");
    EXPECT_EQ(ReasonTexts::cause(Reason::PlayUnreadable),
              "This file cannot be played: ffmpeg could not read it.");
}
