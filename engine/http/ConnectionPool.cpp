#include "http/ConnectionPool.h"

#include "http/FetchPlan.h"
#include "http/HostBudget.h"
#include "http/LowSpeedFloor.h"
#include "http/SpeedLimit.h"
#include "http/detail/CurlHandle.h"
#include "http/detail/HttpFetch.h"
#include "http/detail/RangeRequest.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr long bufferBytes = 256 * 1024;
// How often a connection held for the speed limit looks at it again, and
// how often the loop looks at a stop otherwise.
constexpr int heldPollMs = 10;
constexpr int idlePollMs = 100;
// A connection's pace is judged once its transfer has run this long, or
// (for one that ended) brought this much.
constexpr std::chrono::milliseconds paceKnownAfter{500};
constexpr long long paceKnownBytes = 256 * 1024;

// The pause before a connection's nth try again: half a second, doubled each time.
std::chrono::milliseconds backoff(int faults) {
    return std::chrono::milliseconds(500) * (1 << std::clamp(faults - 1, 0, 6));
}

struct MultiFree {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

} // namespace

// One connection of the pool: its handle, the request it runs (its range
// and what the answer said), its place in the host's budget, its pace and
// how often it failed in a row. Used on the pool's thread only.
struct PoolConnection {
    PoolConnection(ConnectionPool::State& pool, int id, const FetchBounds& bounds)
        : pool(pool), id(id), curl(bounds.mayMakeHandle) {}

    ConnectionPool::State& pool;
    const int id;
    CurlHandle curl;
    bool prepared = false;
    // May run: it holds a slot of the host's budget (or there is none).
    bool slotted = false;
    HostBudget::Slot slot;
    HttpRequest request;
    RangeRequest range;
    // Its transfer's bytes taken and when it began; the pace of the last one.
    long long transferBytes = 0;
    Clock::time_point startedTime{};
    double lastPace = 0;
    bool paceKnown = false;
    bool running = false;
    bool held = false;
    // Its answer was looked at; it was not what was asked for.
    bool checked = false;
    bool foreign = false;
    // It gave up: its work went to the others.
    bool retired = false;
    int faults = 0;
    Clock::time_point retryAt{};

    static size_t writer(char* data, size_t size, size_t nmemb, void* connection);
};

struct ConnectionPool::State {
    State(const FetchBounds& bounds, int connections)
        : bounds(bounds), connections(std::clamp(connections, 1, maxConnections)) {}
    ~State() {
        stopAll();
        // The easy handles go before the multi handle that held them.
        pool.clear();
    }

    Outcome run(FetchPlan& plan);
    void startIdle(Clock::time_point now);
    bool start(PoolConnection& c);
    std::optional<Outcome> ended(PoolConnection& c, CURLcode result, Clock::time_point now);
    void retire(PoolConnection& c);
    void stopAll();
    bool anyAlive() const;
    bool releaseHeld();
    int pollMs(Clock::time_point now, bool held) const;
    std::vector<FetchPlan::Pace> paces(Clock::time_point now) const;

    FetchBounds bounds;
    int connections;
    std::unique_ptr<CURLM, MultiFree> multi;
    std::vector<std::unique_ptr<PoolConnection>> pool;
    FetchPlan* plan = nullptr;
    LowSpeedFloor floor;
    long long taken = 0;
    HttpResponse failure;
};

ConnectionPool::ConnectionPool(const FetchBounds& bounds, int connections)
    : state_(std::make_unique<State>(bounds, connections)) {}

ConnectionPool::~ConnectionPool() = default;

ConnectionPool::Outcome ConnectionPool::run(FetchPlan& plan) {
    return state_->run(plan);
}

const HttpResponse& ConnectionPool::lastFailure() const {
    return state_->failure;
}

ConnectionPool::Outcome ConnectionPool::State::run(FetchPlan& work) {
    plan = &work;
    floor = LowSpeedFloor(std::max(bounds.lowSpeedBytes, 0L),
                          std::chrono::seconds(std::max(bounds.lowSpeedSeconds, 0L)));
    taken = 0;
    failure = {};
    multi.reset(curl_multi_init());
    if (!multi) {
        failure.failure = HttpResponse::Failure::NoHandle;
        return Outcome::Failed;
    }
    // Each request on a connection of its own: servers slow down each
    // connection, not each stream multiplexed over one.
    curl_multi_setopt(multi.get(), CURLMOPT_PIPELINING, CURLPIPE_NOTHING);
    pool.clear();
    for (int id = 0; id < connections; ++id)
        pool.push_back(std::make_unique<PoolConnection>(*this, id, bounds));

    SpeedLimit* limit = bounds.speedLimit.get();
    // The fetch counts once in the limit's share, whatever its connections.
    const SpeedLimit::Registration registered(limit);
    bool heldBefore = false;
    Outcome outcome = Outcome::Whole;
    for (;;) {
        Clock::time_point now = Clock::now();
        if (work.stopping()) {
            outcome = Outcome::Stopped;
            break;
        }
        if (work.whole())
            break;
        startIdle(now);
        if (!anyAlive()) {
            if (failure.ok())
                failure.failure = HttpResponse::Failure::Connection;
            outcome = Outcome::Failed;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            failure.failure = HttpResponse::Failure::Connection;
            outcome = Outcome::Failed;
            break;
        }
        std::optional<Outcome> end;
        bool anyEnded = false;
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
            PoolConnection* connection = nullptr;
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
        work.tick();
        // The floor counts the time since the last round unless a connection
        // was held for the limit; it starts over while the limit's share is
        // too small for it to mean anything.
        now = Clock::now();
        const std::int64_t share = limit ? limit->share() : 0;
        if (share > 0 && share < bounds.lowSpeedMinShare) {
            floor.restart();
        } else if (floor.below(now, taken, !heldBefore)) {
            failure.failure = HttpResponse::Failure::Stalled;
            outcome = Outcome::Failed;
            break;
        }
        heldBefore = held;
        // A connection that is done takes its next work at once.
        const int wait = anyEnded ? 0 : pollMs(now, held);
        if (curl_multi_poll(multi.get(), nullptr, 0, wait, nullptr) != CURLM_OK) {
            failure.failure = HttpResponse::Failure::Connection;
            outcome = Outcome::Failed;
            break;
        }
    }
    stopAll();
    return outcome;
}

std::vector<FetchPlan::Pace> ConnectionPool::State::paces(Clock::time_point now) const {
    std::vector<FetchPlan::Pace> all;
    for (const auto& connection : pool) {
        const PoolConnection& c = *connection;
        FetchPlan::Pace pace;
        pace.running = c.running;
        pace.waiting = !c.running && !c.retired && c.faults > 0 && plan->has(c.id);
        if (c.running && now - c.startedTime >= paceKnownAfter) {
            const double seconds = std::chrono::duration<double>(now - c.startedTime).count();
            pace.bytesPerSecond = static_cast<double>(c.transferBytes) / seconds;
            pace.known = true;
        } else if (!c.running && c.paceKnown) {
            pace.bytesPerSecond = c.lastPace;
            pace.known = true;
        }
        all.push_back(pace);
    }
    return all;
}

void ConnectionPool::State::startIdle(Clock::time_point now) {
    HostBudget* budget = bounds.hostBudget.get();
    std::vector<FetchPlan::Pace> known;
    bool pacesMade = false;
    // Every connection takes its work before any request goes, so that each
    // asks for its work as it is (work cut later ends its transfer).
    for (const auto& connection : pool) {
        PoolConnection& c = *connection;
        if (c.running || c.retired || now < c.retryAt || plan->has(c.id))
            continue;
        if (!c.slotted) {
            // The first connection runs whatever the budget says, as a
            // transfer of one connection would.
            const bool first = std::none_of(pool.begin(), pool.end(),
                                            [](const auto& other) { return other->slotted; });
            if (budget)
                c.slot = budget->take(plan->host(), first);
            c.slotted = !budget || static_cast<bool>(c.slot);
            if (!c.slotted)
                continue;
        }
        if (!pacesMade) {
            known = paces(now);
            pacesMade = true;
        }
        if (!plan->take(c.id, known)) {
            // Nothing to fetch for now: its place goes to other transfers.
            c.slot = {};
            c.slotted = false;
        }
    }
    for (const auto& connection : pool) {
        PoolConnection& c = *connection;
        if (c.running || c.retired || now < c.retryAt || !plan->has(c.id))
            continue;
        if (!start(c)) {
            failure.failure = HttpResponse::Failure::NoHandle;
            plan->release(c.id);
            retire(c);
        }
    }
}

bool ConnectionPool::State::start(PoolConnection& c) {
    CURL* curl = c.curl.get();
    if (!curl)
        return false;
    c.request = plan->request(c.id);
    // The request's own bounds (its cookies, Referer) on the pool's: the
    // options every request of the pool shares are set on each.
    HttpFetch::setCommonOptions(curl, c.request.url, c.request.bounds);
    if (!c.prepared) {
        // An error status is never written.
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        SpeedLimit* limit = bounds.speedLimit.get();
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                         limit ? limit->bufferBytes(bufferBytes) : bufferBytes);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &PoolConnection::writer);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &c);
        curl_easy_setopt(curl, CURLOPT_PRIVATE, &c);
        c.prepared = true;
    }
    c.range = RangeRequest::of(c.request);
    c.range.apply(curl);
    c.transferBytes = 0;
    c.startedTime = Clock::now();
    c.checked = c.foreign = c.held = false;
    if (curl_multi_add_handle(multi.get(), curl) != CURLM_OK)
        return false;
    c.running = true;
    return true;
}

std::optional<ConnectionPool::Outcome>
ConnectionPool::State::ended(PoolConnection& c, CURLcode result, Clock::time_point now) {
    curl_multi_remove_handle(multi.get(), c.curl.get());
    c.range.release(c.curl.get());
    c.running = false;
    c.held = false;
    const double seconds = std::chrono::duration<double>(now - c.startedTime).count();
    if (seconds > 0 &&
        (now - c.startedTime >= paceKnownAfter || c.transferBytes >= paceKnownBytes)) {
        c.lastPace = static_cast<double>(c.transferBytes) / seconds;
        c.paceKnown = true;
    }
    if (c.foreign)
        return Outcome::StartOver;
    HttpResponse response = HttpFetch::response(c.curl.get(), &c.range, c.request.url);
    response.failure = HttpFetch::failureOf(result);
    if (!response.ok())
        response.detail = HttpFetch::lastError();
    switch (plan->ended(c.id, response)) {
    case FetchPlan::Verdict::Done:
        c.faults = 0;
        return std::nullopt;
    case FetchPlan::Verdict::StartOver:
        return Outcome::StartOver;
    case FetchPlan::Verdict::WriteFailed:
        return Outcome::WriteFailed;
    case FetchPlan::Verdict::Failed:
        failure = response;
        if (failure.ok())
            failure.failure = HttpResponse::Failure::Refused;
        return Outcome::Failed;
    case FetchPlan::Verdict::Again:
        break;
    }
    failure = response;
    if (failure.ok())
        failure.failure = HttpResponse::Failure::Connection;
    // A connection that moved on before it failed starts its count again,
    // unless the plan counts the tries of its work itself.
    const int tries = plan->tries(c.id);
    c.faults = tries >= 0 ? tries : c.transferBytes > 0 ? 1 : c.faults + 1;
    if (c.faults > maxRetries) {
        plan->release(c.id);
        retire(c);
    } else {
        c.retryAt = now + backoff(c.faults);
    }
    return std::nullopt;
}

void ConnectionPool::State::retire(PoolConnection& c) {
    c.retired = true;
    c.slot = {};
    c.slotted = false;
}

void ConnectionPool::State::stopAll() {
    for (const auto& connection : pool) {
        if (!connection->running)
            continue;
        curl_multi_remove_handle(multi.get(), connection->curl.get());
        connection->range.release(connection->curl.get());
        connection->running = false;
    }
}

bool ConnectionPool::State::anyAlive() const {
    return std::any_of(pool.begin(), pool.end(), [this](const auto& c) {
        return c->running || (!c->retired && plan->has(c->id));
    });
}

bool ConnectionPool::State::releaseHeld() {
    SpeedLimit* limit = bounds.speedLimit.get();
    bool any = false;
    for (const auto& connection : pool) {
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

int ConnectionPool::State::pollMs(Clock::time_point now, bool held) const {
    if (held)
        return heldPollMs;
    auto wait = std::chrono::milliseconds(idlePollMs);
    for (const auto& c : pool)
        if (!c->running && !c->retired && plan->has(c->id))
            wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::max(c->retryAt - now, Clock::duration::zero())));
    return static_cast<int>(std::max<long long>(wait.count(), 1));
}

// Runs on the pool's thread (libcurl's write callback).
size_t PoolConnection::writer(char* data, size_t size, size_t nmemb, void* connection) {
    auto* c = static_cast<PoolConnection*>(connection);
    if (!c)
        return 0;
    ConnectionPool::State& pool = c->pool;
    const size_t n = size * nmemb;
    // Every answer must be what was asked for: anything else ends the
    // fetch before a byte of it is written.
    if (!c->checked) {
        c->checked = true;
        if (!pool.plan->begins(c->id,
                               HttpFetch::response(c->curl.get(), &c->range, c->request.url))) {
            c->foreign = true;
            return 0;
        }
    }
    // Out of tokens: libcurl keeps the chunk and offers it again once the
    // loop lets the connection go on.
    SpeedLimit* limit = pool.bounds.speedLimit.get();
    if (limit && !limit->take(n)) {
        c->held = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    const size_t k = pool.plan->write(c->id, data, n);
    pool.taken += static_cast<long long>(k);
    c->transferBytes += static_cast<long long>(k);
    // Fewer than offered ends the transfer.
    return k;
}
