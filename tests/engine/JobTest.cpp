#include "jobs/Job.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace {

// A job that sends its events, then throws.
class ThrowingJob : public Job {
public:
    ThrowingJob(std::vector<JobEvent::Kind> before, std::vector<JobEvent>& seen)
        : Job({}, JobReporter(1, [&seen](const JobEvent& e) { seen.push_back(e); })),
          before_(std::move(before)) {}
    void run() override {
        for (JobEvent::Kind kind : before_)
            reporter().send(kind);
        throw std::bad_alloc();
    }

private:
    std::vector<JobEvent::Kind> before_;
};

// A job that throws fails as a failed save or conversion does, once, and
// the program goes on.
TEST(JobTest, AnExceptionFailsTheJobInsteadOfEndingTheProgram) {
    using Kind = JobEvent::Kind;
    struct Case {
        std::vector<Kind> before;
        Reason last;
    };
    for (const Case& c : {Case{{Kind::Status}, Reason::SaveFailed},
                          Case{{Kind::Converting}, Reason::ConversionFailed},
                          Case{{Kind::Finished}, Reason::None}}) {
        std::vector<JobEvent> seen;
        ThrowingJob(c.before, seen).runToTheEnd();
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().reason, c.last);
        EXPECT_EQ(seen.size(), c.before.size() + (c.last == Reason::None ? 0 : 1));
    }
}

} // namespace
