#include "SegmentedFetch.h"

#include "CurlHandle.h"
#include "HostBudget.h"
#include "PieceReceiver.h"
#include "RangeRequest.h"
#include "SpeedLimit.h"

#include <algorithm>
#include <utility>

namespace {

constexpr long bufferBytes = 256 * 1024;
constexpr long long pageBytes = 4096;
// How often a connection held for the speed limit looks at it again, and
// how often the loop looks at a stop otherwise.
constexpr int heldPollMs = 10;
constexpr int idlePollMs = 100;
// A piece is handed over only from a connection that would still need
// longer than this for it, once its pace is known (or that waits to try
// again).
constexpr std::chrono::seconds handOverAfter{1};
constexpr std::chrono::milliseconds paceKnownAfter{500};

// The pause before a connection's nth try again: half a second, doubled each time.
std::chrono::milliseconds backoff(int faults) {
    return std::chrono::milliseconds(500) * (1 << std::clamp(faults - 1, 0, 6));
}

} // namespace

// One connection of the fetch: its handle, the piece it fetches (its range
// request and what the answer said), its place in the host's budget and how
// often it failed in a row. Used on the fetch's thread only.
struct SegmentedFetch::Connection {
    Connection(SegmentedFetch& owner, int id, CurlHandle::Factory make)
        : owner(owner), id(id), curl(make) {}

    SegmentedFetch& owner;
    const int id;
    CurlHandle curl;
    bool prepared = false;
    // May run: it holds a slot of the host's budget (or there is none).
    bool slotted = false;
    HostBudget::Slot slot;
    RangeRequest range;
    // Where its piece stood when its transfer began, and the pace of that
    // transfer: its bytes since its first.
    long long startedAt = 0;
    long long transferBytes = 0;
    Clock::time_point startedTime{};
    bool running = false;
    bool held = false;
    // Its answer was looked at; it was not the piece asked for of the file.
    bool checked = false;
    bool foreign = false;
    bool writeFailed = false;
    // It gave up: its piece went to the others.
    bool retired = false;
    int faults = 0;
    Clock::time_point retryAt{};
};

void SegmentedFetch::MultiFree::operator()(CURLM* multi) const {
    curl_multi_cleanup(multi);
}

SegmentedFetch::SegmentedFetch(const FetchBounds& bounds, int connections)
    : http_(bounds), bounds_(bounds), connections_(std::clamp(connections, 1, maxConnections)) {}

SegmentedFetch::~SegmentedFetch() {
    stopAll();
    // The easy handles go before the multi handle that held them.
    pool_.clear();
}

SegmentedFetch::Outcome SegmentedFetch::run(const std::string& url, const std::string& validator,
                                            long long total, const ByteRanges& done,
                                            PieceReceiver& receiver) {
    url_ = url;
    host_ = HostBudget::hostOf(url);
    validator_ = validator;
    // Two pieces a connection: each asks twice, on the same connection,
    // which costs a request and gains a server's first second of each
    // (nginx's limit_rate lets a request's first second through at once).
    const long long share = total / (2LL * connections_) + pageBytes - 1;
    plan_.emplace(total, done, minPiece, std::max(minPiece, share - share % pageBytes));
    receiver_ = &receiver;
    floor_ = LowSpeedFloor(std::max(bounds_.lowSpeedBytes, 0L),
                           std::chrono::seconds(std::max(bounds_.lowSpeedSeconds, 0L)));
    taken_ = 0;
    error_ = CURLE_OK;
    multi_.reset(curl_multi_init());
    if (!multi_) {
        error_ = CURLE_OUT_OF_MEMORY;
        return Outcome::Failed;
    }
    // Each piece on a connection of its own: servers slow down each
    // connection, not each stream multiplexed over one.
    curl_multi_setopt(multi_.get(), CURLMOPT_PIPELINING, CURLPIPE_NOTHING);
    for (int id = 0; id < connections_; ++id)
        pool_.push_back(std::make_unique<Connection>(*this, id, bounds_.curlFactory));

    SpeedLimit* limit = bounds_.speedLimit.get();
    // The fetch counts once in the limit's share, whatever its connections.
    const SpeedLimit::Registration registered(limit);
    long long recorded = plan_->done().bytes();
    Clock::time_point recordedAt = Clock::now();
    bool heldBefore = false;
    Outcome outcome = Outcome::Whole;
    for (;;) {
        Clock::time_point now = Clock::now();
        if (receiver.stopping()) {
            outcome = Outcome::Stopped;
            break;
        }
        if (plan_->whole())
            break;
        startIdle(now);
        if (!anyAlive()) {
            if (error_ == CURLE_OK)
                error_ = CURLE_COULDNT_CONNECT;
            outcome = Outcome::Failed;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
            error_ = CURLE_OUT_OF_MEMORY;
            outcome = Outcome::Failed;
            break;
        }
        std::optional<Outcome> end;
        bool anyEnded = false;
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
            Connection* connection = nullptr;
            if (message->msg != CURLMSG_DONE ||
                curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &connection) !=
                    CURLE_OK ||
                !connection)
                continue;
            anyEnded = true;
            if (std::optional<Outcome> said = ended(*connection, message->data.result, now);
                said && !end)
                end = said;
        }
        if (end) {
            outcome = *end;
            break;
        }
        const bool held = releaseHeld();
        receiver.progress(total, plan_->done().bytes());
        // The floor counts the time since the last round unless a connection
        // was held for the limit; it starts over while the limit's share is
        // too small for it to mean anything.
        now = Clock::now();
        const std::int64_t share = limit ? limit->share() : 0;
        if (share > 0 && share < bounds_.lowSpeedMinShare) {
            floor_.restart();
        } else if (floor_.below(now, taken_, !heldBefore)) {
            error_ = CURLE_OPERATION_TIMEDOUT;
            outcome = Outcome::Failed;
            break;
        }
        heldBefore = held;
        if (now - recordedAt >= recordEvery && plan_->done().bytes() != recorded) {
            receiver.record(plan_->done());
            recorded = plan_->done().bytes();
            recordedAt = now;
        }
        // A connection that is done takes its next piece at once.
        const int wait = anyEnded ? 0 : pollMs(now, held);
        if (curl_multi_poll(multi_.get(), nullptr, 0, wait, nullptr) != CURLM_OK) {
            error_ = CURLE_OUT_OF_MEMORY;
            outcome = Outcome::Failed;
            break;
        }
    }
    stopAll();
    receiver.progress(total, plan_->done().bytes());
    // What the next job continues from; a start over keeps nothing.
    if (outcome != Outcome::StartOver && plan_->done().bytes() != recorded)
        receiver.record(plan_->done());
    return outcome;
}

void SegmentedFetch::startIdle(Clock::time_point now) {
    HostBudget* budget = bounds_.hostBudget.get();
    // A fast connection is done with its piece before another could help.
    const SegmentPlan::Slow slow = [this, now](int owner, long long left) {
        const Connection& c = *pool_[static_cast<std::size_t>(owner)];
        if (!c.running)
            return true;
        if (now - c.startedTime < paceKnownAfter)
            return false;
        const double seconds = std::chrono::duration<double>(now - c.startedTime).count();
        const double perSecond = static_cast<double>(c.transferBytes) / seconds;
        return static_cast<double>(left) > perSecond * handOverAfter.count();
    };
    // Every piece is handed out before any request goes, so that each asks
    // for its piece as it is (a piece cut later ends its connection).
    for (const auto& connection : pool_) {
        Connection& c = *connection;
        if (c.running || c.retired || now < c.retryAt || plan_->has(c.id))
            continue;
        if (!c.slotted) {
            // The first connection runs whatever the budget says, as a
            // transfer of one connection would.
            const bool first = std::none_of(pool_.begin(), pool_.end(),
                                            [](const auto& other) { return other->slotted; });
            if (budget)
                c.slot = budget->take(host_, first);
            c.slotted = !budget || static_cast<bool>(c.slot);
            if (!c.slotted)
                continue;
        }
        if (!plan_->take(c.id, slow)) {
            // Nothing to fetch for now: its place goes to other transfers.
            c.slot = {};
            c.slotted = false;
        }
    }
    for (const auto& connection : pool_) {
        Connection& c = *connection;
        if (c.running || c.retired || now < c.retryAt || !plan_->has(c.id))
            continue;
        if (!start(c)) {
            error_ = CURLE_FAILED_INIT;
            plan_->release(c.id);
            c.retired = true;
            c.slot = {};
            c.slotted = false;
        }
    }
}

bool SegmentedFetch::start(Connection& c) {
    CURL* curl = c.curl.get();
    if (!curl)
        return false;
    if (!c.prepared) {
        http_.setCommonOptions(curl, url_);
        // An error status is never written as a piece.
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        SpeedLimit* limit = bounds_.speedLimit.get();
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                         limit ? limit->bufferBytes(bufferBytes) : bufferBytes);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &SegmentedFetch::pieceWriter);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &c);
        curl_easy_setopt(curl, CURLOPT_PRIVATE, &c);
        c.prepared = true;
    }
    // A piece cut meanwhile asks only for what is left of it.
    c.range = RangeRequest::piece(plan_->next(c.id), plan_->end(c.id), validator_, plan_->total());
    c.range.apply(curl);
    c.startedAt = plan_->next(c.id);
    c.transferBytes = 0;
    c.startedTime = Clock::now();
    c.checked = c.foreign = c.writeFailed = c.held = false;
    if (curl_multi_add_handle(multi_.get(), curl) != CURLM_OK)
        return false;
    c.running = true;
    return true;
}

std::optional<SegmentedFetch::Outcome> SegmentedFetch::ended(Connection& c, CURLcode result,
                                                             Clock::time_point now) {
    curl_multi_remove_handle(multi_.get(), c.curl.get());
    c.range.release(c.curl.get());
    c.running = false;
    c.held = false;
    if (c.writeFailed)
        return Outcome::WriteFailed;
    if (c.foreign)
        return Outcome::StartOver;
    // Nothing is left from the piece's start on: the file is shorter now.
    if (result == CURLE_HTTP_RETURNED_ERROR && HttpFetch::status(c.curl.get()) == 416)
        return Outcome::StartOver;
    // Whole, or cut by another connection taking over its back half.
    if (plan_->finished(c.id)) {
        plan_->release(c.id);
        c.faults = 0;
        return std::nullopt;
    }
    error_ = result == CURLE_OK ? CURLE_PARTIAL_FILE : result;
    // A connection that moved on before it failed starts its count again.
    c.faults = plan_->next(c.id) > c.startedAt ? 1 : c.faults + 1;
    if (c.faults > maxRetries) {
        plan_->release(c.id);
        c.retired = true;
        c.slot = {};
        c.slotted = false;
    } else {
        c.retryAt = now + backoff(c.faults);
    }
    return std::nullopt;
}

void SegmentedFetch::stopAll() {
    for (const auto& connection : pool_) {
        if (!connection->running)
            continue;
        curl_multi_remove_handle(multi_.get(), connection->curl.get());
        connection->range.release(connection->curl.get());
        connection->running = false;
    }
}

bool SegmentedFetch::anyAlive() const {
    return std::any_of(pool_.begin(), pool_.end(), [this](const auto& c) {
        return c->running || (!c->retired && plan_->has(c->id));
    });
}

bool SegmentedFetch::releaseHeld() {
    SpeedLimit* limit = bounds_.speedLimit.get();
    bool any = false;
    for (const auto& connection : pool_) {
        if (!connection->held)
            continue;
        any = true;
        // Going on hands the writer what libcurl kept, which may hold it again.
        if (limit && limit->ready()) {
            connection->held = false;
            curl_easy_pause(connection->curl.get(), CURLPAUSE_CONT);
        }
    }
    return any;
}

int SegmentedFetch::pollMs(Clock::time_point now, bool held) const {
    if (held)
        return heldPollMs;
    auto wait = std::chrono::milliseconds(idlePollMs);
    for (const auto& c : pool_)
        if (!c->running && !c->retired && plan_->has(c->id))
            wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::max(c->retryAt - now, Clock::duration::zero())));
    return static_cast<int>(std::max<long long>(wait.count(), 1));
}

// Runs on the fetch's thread (libcurl's write callback).
size_t SegmentedFetch::pieceWriter(char* data, size_t size, size_t nmemb, void* connection) {
    auto* c = static_cast<Connection*>(connection);
    if (!c)
        return 0;
    SegmentedFetch& fetch = c->owner;
    const size_t n = size * nmemb;
    // Every answer must be the piece asked for, of the same file: anything
    // else ends the fetch before a byte of it is written.
    if (!c->checked) {
        c->checked = true;
        if (c->range.answer() != RangeRequest::Answer::Append) {
            c->foreign = true;
            return 0;
        }
    }
    SegmentPlan& plan = *fetch.plan_;
    const long long room = plan.end(c->id) - plan.next(c->id);
    // Its piece was cut and is whole: the rest is another connection's.
    if (room <= 0)
        return 0;
    // Out of tokens: libcurl keeps the chunk and offers it again once the
    // loop lets the connection go on.
    SpeedLimit* limit = fetch.bounds_.speedLimit.get();
    if (limit && !limit->take(n)) {
        c->held = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    const size_t k = static_cast<size_t>(std::min<long long>(room, static_cast<long long>(n)));
    if (!fetch.receiver_->write(plan.next(c->id), data, k)) {
        c->writeFailed = true;
        return 0;
    }
    plan.wrote(c->id, static_cast<long long>(k));
    fetch.taken_ += static_cast<long long>(k);
    c->transferBytes += static_cast<long long>(k);
    // Fewer than offered ends the transfer where the piece ends.
    return k;
}
