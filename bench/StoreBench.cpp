// quillmoth-bench-store FOLDER [SECONDS]: transfers.sqlite under load.
// 32 running transfers report progress 20 times a second for SECONDS
// (default 10), as the list hands it to the store; then a store of 10,000
// history rows is opened, loaded and restored into a TransferList.
// Prints key=value lines.
#include "Job.h"
#include "TransferList.h"
#include "TransferStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point began) {
    return std::chrono::duration<double, std::milli>(Clock::now() - began).count();
}

TransferRecord running(std::int64_t id) {
    TransferRecord r;
    r.id = id;
    r.state = TransferState::Running;
    r.title = "clip " + std::to_string(id);
    r.pageUrl = "http://127.0.0.1/watch?v=" + std::to_string(id);
    r.movieFolder = "/home/user/Videos";
    r.musicFolder = "/home/user/Music";
    r.total = 128 << 20;
    r.resume = {.partFile = r.movieFolder + "/" + r.title + "." + std::to_string(id) + ".part",
                .validator = "\"5f3e-1a2b3c4d\"",
                .total = r.total};
    r.type = "flv";
    r.status = Reason::Downloading;
    r.addedAt = 1'700'000'000 + id;
    return r;
}

void progressLoad(const std::string& folder, int seconds) {
    constexpr int transfers = 32;
    constexpr auto every = std::chrono::milliseconds(50);
    TransferStore store(folder + "/progress.sqlite");
    std::vector<TransferRecord> records;
    for (int id = 1; id <= transfers; ++id) {
        records.push_back(running(id));
        store.save(records.back());
    }
    store.flush();
    const auto before = store.rowsWritten();
    std::vector<double> roundUs;
    const auto began = Clock::now();
    auto next = began;
    while (Clock::now() - began < std::chrono::seconds(seconds)) {
        const auto round = Clock::now();
        for (TransferRecord& r : records) {
            r.received = std::min<std::int64_t>(r.total, r.received + 64 * 1024);
            store.saveProgress(r);
        }
        roundUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - round).count());
        next += every;
        std::this_thread::sleep_until(next);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    store.flush();
    const auto writes = store.rowsWritten() - before;
    std::sort(roundUs.begin(), roundUs.end());
    std::printf("transfers=%d\nreports_per_s_per_transfer=%.1f\n", transfers,
                static_cast<double>(roundUs.size()) / elapsed);
    std::printf("writes=%llu\nwrites_per_s_per_transfer=%.2f\n",
                static_cast<unsigned long long>(writes),
                static_cast<double>(writes) / elapsed / transfers);
    // What the window's thread pays for handing 32 copies over.
    std::printf("handover_p99_us=%.1f\n", roundUs[roundUs.size() * 99 / 100]);
}

void historyLoad(const std::string& folder) {
    constexpr int rows = 10'000;
    const std::string path = folder + "/history.sqlite";
    {
        TransferStore store(path);
        for (int id = 1; id <= rows; ++id) {
            TransferRecord r = running(id);
            r.state = id % 10 ? TransferState::Done : TransferState::Failed;
            r.received = r.total;
            r.resume = {};
            r.moviePath = r.movieFolder + "/" + r.title + ".flv";
            r.status = Reason::Downloaded;
            r.endedAt = r.addedAt + 60;
            store.save(r);
        }
    }
    auto began = Clock::now();
    TransferStore store(path);
    const double openMs = msSince(began);
    began = Clock::now();
    const std::size_t loaded = store.load().size();
    const double loadMs = msSince(began);
    TransferList list(
        &store, [](std::unique_ptr<Job>) {}, nullptr, [] { return TransferList::JobSettings{}; });
    began = Clock::now();
    list.restore();
    const double restoreMs = msSince(began);
    std::printf("history_rows=%zu\nopen_ms=%.1f\nload_ms=%.1f\nrestore_ms=%.1f\n", loaded, openMs,
                loadMs, restoreMs);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: quillmoth-bench-store FOLDER [SECONDS]\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    progressLoad(folder, argc == 3 ? std::max(1, std::atoi(argv[2])) : 10);
    historyLoad(folder);
    return 0;
}
