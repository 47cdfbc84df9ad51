// quillmoth-bench-downloads: the window's transfer list, offscreen, under load.
//
//   parallel MOVIES URL...           one transfer per watch page, all at once
//                                    (at most 8 run: the queue's limit);
//                                    seconds until every row completed
//   running MOVIES SECONDS URL...    memory of the process while these
//                                    transfers run (slow streams), minus idle
//   tick COUNT SECONDS RATE          COUNT transfers in the list, as many
//                                    running as the queue allows; threads get
//                                    RATE progress calls a second in all, as
//                                    libcurl's, and post what each job's
//                                    ProgressPacer lets through, as jobs do;
//                                    duration of applying each round's events
//                                    and of the paint that follows
//
// Prints key=value lines. XDG_DATA_HOME should point at a scratch folder:
// transfers.sqlite is written there.
#include "BenchWindow.h"
#include "HttpClient.h"
#include "ProcStatus.h"
#include "ProgressPacer.h"
#include "TickTimes.h"

#include <QApplication>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How often the bench lets the window's thread run its events.
constexpr auto WindowInterval = 100ms;
// Finer, so completion is seen within 10 ms.
constexpr auto FineInterval = 10ms;
constexpr const char* Complete = "Download Complete!";

void printTicks(const TickTimes& times, const TickTimes& after) {
    std::printf("ticks=%zu\ntick_p50_ms=%.3f\ntick_p99_ms=%.3f\ntick_max_ms=%.3f\n"
                "tick_cpu_p99_ms=%.3f\n",
                times.count(), times.percentileMs(50), times.percentileMs(99), times.maxMs(),
                times.cpuPercentileMs(99));
    std::printf("after_tick_p50_ms=%.3f\nafter_tick_p99_ms=%.3f\nafter_tick_cpu_p99_ms=%.3f\n",
                after.percentileMs(50), after.percentileMs(99), after.cpuPercentileMs(99));
}

void startAll(BenchWindow& window, const std::vector<std::string>& urls) {
    window.list().setMaxRunning(8);
    for (std::size_t i = 0; i < urls.size(); ++i)
        window.list().add(urls[i], "clip" + std::to_string(i + 1));
}

int parallel(const std::string& movies, const std::vector<std::string>& urls) {
    BenchWindow window(movies, BenchWindow::Jobs::Run);
    TickTimes times;
    const auto began = Clock::now();
    startAll(window, urls);
    const bool ended = window.runUntilEnded(FineInterval, 600s, &times);
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    int completed = 0;
    for (int row = 0; row < window.rows(); ++row)
        if (window.status(row) == QLatin1String(Complete))
            ++completed;
        else
            std::fprintf(stderr, "row %d: %s\n", row, window.status(row).toUtf8().constData());
    std::printf("seconds=%.4f\ncompleted=%d\nof=%zu\n", seconds, completed, urls.size());
    printTicks(times, window.afterTicks());
    return ended && completed == static_cast<int>(urls.size()) ? 0 : 1;
}

int running(const std::string& movies, int seconds, const std::vector<std::string>& urls) {
    BenchWindow window(movies, BenchWindow::Jobs::Run);
    window.runFor(WindowInterval, 500ms, nullptr);
    const long idle = ProcStatus::residentKiB();
    TickTimes times;
    startAll(window, urls);
    window.runFor(WindowInterval, std::chrono::seconds(seconds), &times);
    const long busy = ProcStatus::residentKiB();
    const long peak = ProcStatus::peakKiB();
    const int open = window.rows() - window.endedRows();
    std::printf("idle_kib=%ld\nrunning_kib=%ld\npeak_kib=%ld\ndelta_kib=%ld\nrunning=%d\n"
                "queued=%d\nof=%zu\n",
                idle, busy, peak, busy - idle, window.list().runningCount(),
                window.list().queuedCount(), urls.size());
    printTicks(times, window.afterTicks());
    return open == static_cast<int>(urls.size()) ? 0 : 1;
}

int tickCost(int count, int seconds, double rate) {
    BenchWindow window("/nonexistent", BenchWindow::Jobs::Keep);
    // Rows and records as real transfers have them; the jobs never run.
    window.list().setMaxRunning(8);
    for (int i = 0; i < count; ++i)
        window.list().add("http://127.0.0.1:1/watch", "clip" + std::to_string(i + 1));
    const std::vector<int> jobs = window.keptJobs();

    // Each running job is called back as libcurl calls a job's progress
    // callback, once per 16 KiB read, and posts what the job's pacer lets
    // through, with a status text now and then.
    const auto gap = std::chrono::duration<double, std::micro>(double(jobs.size()) * 1e6 / rate);
    std::atomic<long> calls{0};
    std::atomic<long> sent{0};
    std::vector<std::jthread> workers;
    for (int job : jobs) {
        workers.emplace_back([&window, job, gap, &calls, &sent](std::stop_token stop) {
            const std::int64_t total = 128 * 1024 * 1024;
            std::int64_t done = 0;
            ProgressPacer pacer;
            auto next = Clock::now();
            for (long n = 0; !stop.stop_requested(); ++n) {
                done = done < total ? done + 16384 : 0;
                if (pacer.due(total, done)) {
                    JobEvent event;
                    event.id = job;
                    event.kind = JobEvent::Kind::Progress;
                    event.done = static_cast<double>(done);
                    event.total = static_cast<double>(total);
                    window.post(event);
                    sent.fetch_add(1, std::memory_order_relaxed);
                }
                if (n % 1000 == 0) {
                    JobEvent status;
                    status.id = job;
                    status.reason = Reason::Downloading;
                    window.post(status);
                }
                calls.fetch_add(1, std::memory_order_relaxed);
                next += std::chrono::duration_cast<Clock::duration>(gap);
                std::this_thread::sleep_until(next);
            }
        });
    }
    TickTimes times;
    window.runFor(WindowInterval, std::chrono::seconds(seconds), &times);
    workers.clear();
    std::printf("transfers=%d\nrunning=%zu\ncalls_per_s=%.0f\nreports=%ld\nreports_per_s=%.0f\n",
                count, jobs.size(), calls.load() / static_cast<double>(seconds), sent.load(),
                sent.load() / static_cast<double>(seconds));
    printTicks(times, window.afterTicks());
    return 0;
}

int usage() {
    std::fputs("usage: quillmoth-bench-downloads parallel MOVIES URL...\n"
               "       quillmoth-bench-downloads running MOVIES SECONDS URL...\n"
               "       quillmoth-bench-downloads tick COUNT SECONDS RATE\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread, as the program does.
    HttpClient::initGlobal();
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "parallel")
        return parallel(args[1], {args.begin() + 2, args.end()});
    if (args.size() >= 4 && args[0] == "running")
        return running(args[1], std::atoi(args[2].c_str()), {args.begin() + 3, args.end()});
    if (args.size() == 4 && args[0] == "tick")
        return tickCost(std::atoi(args[1].c_str()), std::atoi(args[2].c_str()),
                        std::atof(args[3].c_str()));
    return usage();
}
