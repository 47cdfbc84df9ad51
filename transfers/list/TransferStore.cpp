#include "transfers/list/TransferStore.h"

#include "transfers/list/ProgressCoalescer.h"
#include "transfers/list/RecordTable.h"
#include "transfers/list/StoreOpener.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace {

using Clock = ProgressCoalescer::Clock;

} // namespace

struct TransferStore::Impl {
    // One thing handed to the writer, in order.
    struct Op {
        enum class Kind { Save, Remove, Call } kind;
        TransferRecord record;
        std::function<void(sqlite3*, RecordTable&)> call;
    };

    SqliteDb db;
    std::unique_ptr<RecordTable> table;
    Reason message = Reason::None;
    std::atomic<std::int64_t> lastId{0};
    std::atomic<std::uint64_t> rowsWritten{0};

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Op> ops;
    ProgressCoalescer progress;
    // A flush waits: held progress is written without waiting for its time.
    bool flushAsked = false;
    bool writing = false;
    bool stopping = false;
    bool failureTold = false;
    // What failed batches were to write, the latest of each record (none:
    // removed). The store's thread alone touches it.
    std::map<std::int64_t, std::optional<TransferRecord>> unwritten;
    FailureListener failureListener;
    std::thread writer;

    void hand(Op op) {
        {
            std::lock_guard lock(mutex);
            if (op.kind != Op::Kind::Call)
                progress.drop(op.record.id);
            if (op.kind == Op::Kind::Remove)
                progress.forget(op.record.id);
            ops.push_back(std::move(op));
        }
        wake.notify_one();
    }

    // Runs call on the store's thread and waits for it.
    void runOnWriter(std::function<void(sqlite3*, RecordTable&)> call) {
        std::promise<void> done;
        auto finished = done.get_future();
        Op op{Op::Kind::Call, {}, [&](sqlite3* db, RecordTable& table) {
                  call(db, table);
                  done.set_value();
              }};
        hand(std::move(op));
        finished.wait();
    }

    bool settled() const { return ops.empty() && progress.empty() && !writing; }

    // The store's thread: writes what was handed over, in batches.
    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            const auto ready = [&] {
                if (stopping || flushAsked || !ops.empty())
                    return true;
                const auto due = progress.nextDue();
                return due && *due <= Clock::now();
            };
            // A copy put while waiting may be due before anything else: the
            // wait is planned again on every wake.
            if (!ready()) {
                if (const auto due = progress.nextDue())
                    wake.wait_until(lock, *due);
                else
                    wake.wait(lock);
                continue;
            }

            const auto now = Clock::now();
            std::deque<Op> batch = std::move(ops);
            ops.clear();
            std::vector<TransferRecord> copies =
                stopping || flushAsked ? progress.takeAll(now) : progress.takeDue(now);
            // What failed before is tried again when asked, even alone.
            const bool again = (stopping || flushAsked) && !unwritten.empty();
            flushAsked = false;
            for (const Op& op : batch)
                if (op.kind == Op::Kind::Save)
                    progress.wrote(op.record.id, now);
            if (!batch.empty() || !copies.empty() || again) {
                writing = true;
                lock.unlock();
                write(batch, copies);
                lock.lock();
                writing = false;
            }
            if (settled())
                idle.notify_all();
            if (stopping && settled())
                return;
        }
    }

    // Runs on the store's thread, without the lock. One transaction for the
    // batch, after whatever earlier batches could not write: a full disk
    // keeps all of it for the next batch.
    void write(std::deque<Op>& batch, const std::vector<TransferRecord>& copies) {
        if (!db) {
            // Nothing is kept this run; calls still get their answer.
            for (Op& op : batch)
                if (op.kind == Op::Kind::Call)
                    op.call(nullptr, *table);
            return;
        }
        int result = sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
        std::uint64_t rows = 0;
        for (const auto& [id, record] : unwritten) {
            if (result != SQLITE_OK)
                break;
            result = record ? table->save(*record) : table->remove(id);
            rows += record ? 1 : 0;
        }
        for (Op& op : batch) {
            if (result != SQLITE_OK && op.kind != Op::Kind::Call)
                continue;
            switch (op.kind) {
            case Op::Kind::Save:
                result = table->save(op.record);
                ++rows;
                break;
            case Op::Kind::Remove:
                result = table->remove(op.record.id);
                break;
            case Op::Kind::Call:
                op.call(db.get(), *table);
                break;
            }
        }
        for (const TransferRecord& copy : copies) {
            if (result != SQLITE_OK)
                break;
            result = table->save(copy);
            ++rows;
        }
        if (result == SQLITE_OK)
            result = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
        if (result == SQLITE_OK) {
            rowsWritten += rows;
            unwritten.clear();
            return;
        }
        if (!sqlite3_get_autocommit(db.get()))
            sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        // Kept, the latest of each record: a held copy is newer than the
        // batch's save, which is newer than an earlier failure's.
        for (Op& op : batch) {
            if (op.kind == Op::Kind::Save)
                unwritten[op.record.id] = std::move(op.record);
            else if (op.kind == Op::Kind::Remove)
                unwritten[op.record.id] = std::nullopt;
        }
        for (const TransferRecord& copy : copies)
            unwritten[copy.id] = copy;
        failed(result);
    }

    // Runs on the store's thread.
    void failed(int result) {
        FailureListener listener;
        {
            std::lock_guard lock(mutex);
            if (failureTold)
                return;
            failureTold = true;
            listener = failureListener;
        }
        const int primary = result & 0xff;
        if (listener)
            listener(primary == SQLITE_FULL || primary == SQLITE_IOERR ? Reason::StoreDiskFull
                                                                       : Reason::StoreWriteFailed);
    }
};

TransferStore::TransferStore(std::string path) : impl(std::make_unique<Impl>()) {
    StoreOpener::Opened opened = StoreOpener::open(path);
    impl->db = std::move(opened.db);
    impl->message = std::move(opened.message);
    impl->table = std::make_unique<RecordTable>(impl->db.get());
    if (impl->db)
        impl->lastId = impl->table->maxId();
    // From here on the connection is the writer's alone.
    impl->writer = std::thread([impl = impl.get()] { impl->run(); });
}

TransferStore::~TransferStore() {
    {
        std::lock_guard lock(impl->mutex);
        impl->stopping = true;
    }
    impl->wake.notify_one();
    impl->writer.join();
}

std::vector<TransferRecord> TransferStore::load() const {
    std::vector<TransferRecord> records;
    // Read on the store's thread, after everything handed over before.
    impl->runOnWriter([&](sqlite3* db, RecordTable& table) {
        if (db)
            records = table.loadAll();
    });
    return records;
}

Reason TransferStore::takeMessage() {
    return std::exchange(impl->message, Reason::None);
}

std::int64_t TransferStore::newId() {
    return ++impl->lastId;
}

void TransferStore::save(const TransferRecord& record) {
    // Ids of records saved from elsewhere are taken too.
    std::int64_t last = impl->lastId;
    while (record.id > last && !impl->lastId.compare_exchange_weak(last, record.id)) {
    }
    impl->hand({Impl::Op::Kind::Save, record, {}});
}

void TransferStore::saveProgress(const TransferRecord& record) {
    bool newTime = false;
    {
        std::lock_guard lock(impl->mutex);
        newTime = impl->progress.put(record, Clock::now());
    }
    // A replaced copy keeps its time; the writer already waits for it.
    if (newTime)
        impl->wake.notify_one();
}

void TransferStore::remove(std::int64_t id) {
    TransferRecord gone;
    gone.id = id;
    impl->hand({Impl::Op::Kind::Remove, std::move(gone), {}});
}

void TransferStore::flush() {
    std::unique_lock lock(impl->mutex);
    impl->flushAsked = true;
    impl->wake.notify_one();
    impl->idle.wait(lock, [&] { return impl->settled(); });
}

void TransferStore::setFailureListener(FailureListener listener) {
    std::lock_guard lock(impl->mutex);
    impl->failureListener = std::move(listener);
}

std::uint64_t TransferStore::rowsWritten() const {
    return impl->rowsWritten;
}

void TransferStore::limitPages(int pages) {
    impl->runOnWriter([pages](sqlite3* db, RecordTable&) {
        if (!db)
            return;
        const std::string sql = "PRAGMA max_page_count=" + std::to_string(pages);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    });
}
