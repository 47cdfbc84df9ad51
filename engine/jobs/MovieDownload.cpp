#include "jobs/MovieDownload.h"

#include "files/ByteRanges.h"
#include "files/StagedFile.h"
#include "http/ConnectionPool.h"
#include "http/FileInPieces.h"
#include "http/HttpClient.h"
#include "jobs/MovieBody.h"
#include "jobs/MoviePieces.h"

#include <utility>

namespace {

// A body that is no movie: nothing at all, a web page (a login or error
// page answered with 200), or any other text (a JSON error, "access
// denied"). Judged by the file's first bytes, however many arrived now.
bool isMovie(const MovieSignature& head) {
    return !head.empty() && !head.looksLikeMarkup() && !head.looksLikeText();
}

// The file's first bytes, read from the part file itself.
MovieSignature headOnDisk(const StagedFile& file) {
    char head[MovieSignature::headBytes];
    MovieSignature signature;
    signature.feed(head, file.readHead(head, sizeof head));
    return signature;
}

} // namespace

MovieDownload::MovieDownload(const JobOptions& options, const JobReporter& reporter,
                             std::string title, std::string extension)
    : options_(options), reporter_(reporter),
      movie_(options, reporter, std::move(title), std::move(extension), true) {}

void MovieDownload::sendResumable(const StagedFile& file, std::string validator, long long total,
                                  std::string ranges) const {
    if (!options_.resume.partFile.empty())
        reporter_.resumable({.partFile = file.tempPath(),
                             .validator = std::move(validator),
                             .total = total,
                             .ranges = std::move(ranges)});
}

std::optional<MovieDownload::Pieces>
MovieDownload::piecesFor(const HttpResponse& answer, const char* first, std::size_t n) const {
    // A part continued from its size stays one stream: its record names no
    // pieces until the last byte.
    const bool partOfIt = answer.ranged && answer.fit != HttpResponse::Fit::Head;
    if (!piecesAllowed_ || options_.connections < 2 || partOfIt || !answer.acceptsRanges ||
        answer.total < minPiecesTotal || answer.validator.empty())
        return std::nullopt;
    // A page or a text is judged as one stream, as ever.
    MovieSignature head;
    head.feed(first, n);
    if (!isMovie(head))
        return std::nullopt;
    return Pieces{answer.validator, answer.total};
}

// Runs on the job's worker thread.
bool MovieDownload::bodyStarts(MovieBody& transfer, const HttpResponse& answer, const char* first,
                               std::size_t n) {
    transfer.started = true;
    StagedFile& file = movie_.file();
    switch (answer.fit) {
    case HttpResponse::Fit::Refused:
        // The first bytes alone refused: the whole file is asked for.
        if (headAsked_) {
            headRefused_ = true;
            return false;
        }
        // The same request would be refused again: the next try starts over.
        sendResumable(file, {}, 0);
        return false;
    case HttpResponse::Fit::Head: {
        // The file's first bytes: taken, then the rest in pieces, or over
        // this connection from where they end (never without a validator).
        pieces_ = piecesFor(answer, first, n);
        if (!pieces_ && answer.validator.empty()) {
            headRefused_ = true;
            return false;
        }
        restFollows_ = !pieces_;
        transfer.head = {};
        break;
    }
    case HttpResponse::Fit::Changed:
        // Nothing of it is written: save() asks for the whole stream.
        changed_ = true;
        return false;
    case HttpResponse::Fit::Append:
        transfer.head = headOnDisk(file);
        break;
    case HttpResponse::Fit::StartOver:
    case HttpResponse::Fit::Fresh: {
        // Nothing of it is written: save() fetches the file in pieces. An
        // answer taken over is never asked again: its first bytes are the
        // first piece.
        pieces_ = piecesFor(answer, first, n);
        if (pieces_ && takenOver_ && &transfer == takenOver_.get()) {
            transfer.head = {};
            transfer.cutAt = headBytes;
            break;
        }
        if (pieces_)
            return false;
        if (answer.fit == HttpResponse::Fit::Fresh) {
            transfer.head = {};
            sendResumable(file, answer.validator, answer.total);
            break;
        }
        // A page or an error text answered instead of the file costs
        // nothing of what is on disk.
        MovieSignature head;
        head.feed(first, n);
        if (head.empty() || head.looksLikeMarkup() || head.looksLikeText())
            return false;
        // Never a file of two streams: what is on disk goes.
        if (!file.restart())
            return false;
        transfer.head = {};
        sendResumable(file, answer.validator, answer.total);
        break;
    }
    }
    transfer.containerChecked = transfer.head.containerKnown();
    if (transfer.containerChecked)
        movie_.containerSeen(transfer.head.container());
    return true;
}

// Runs on the job's worker thread.
bool MovieDownload::save(const std::string& url) {
    if (!movie_.open())
        return false;
    HttpClient client;
    const ResumeState& resume = options_.resume;
    const long long held = movie_.file().size();
    if (resume.ranges.empty())
        return oneStream(client, url, held, resume.validator, resume.total);
    // Pieces are continued only from their record, in the file they were
    // written into (its size the total); anything else starts over.
    const std::optional<ByteRanges> done = ByteRanges::parse(resume.ranges, resume.total);
    if (done && !resume.validator.empty() && held == resume.total)
        return inPieces(client, url, resume.validator, resume.total, *done, true, {});
    return oneStream(client, url, held, {}, 0);
}

BodyReceiver* MovieDownload::takeOver() {
    // What is on disk is continued by a range, which this answer is not.
    if (!options_.resume.validator.empty())
        return nullptr;
    if (!movie_.open()) {
        failed_ = true;
        return nullptr;
    }
    // Bytes of unknown standing are started over, as save() does.
    if (movie_.file().size() != 0 && !movie_.file().restart()) {
        movie_.file().keep();
        reporter_.fail(Reason::SaveFailed);
        failed_ = true;
        return nullptr;
    }
    sendResumable(movie_.file(), {}, 0);
    takenOver_ = std::make_unique<MovieBody>(movie_, *this);
    return takenOver_.get();
}

// Runs on the job's worker thread.
bool MovieDownload::finishTakenOver(const HttpResponse& answer) {
    MovieBody& transfer = *takenOver_;
    if (pieces_ && transfer.cut && !reporter_.cancelled()) {
        const Pieces pieces = *std::exchange(pieces_, std::nullopt);
        ByteRanges done;
        done.add(0, movie_.file().size());
        HttpClient client;
        return inPieces(client, answer.address, pieces.validator, pieces.total, done, false,
                        answer.cookies);
    }
    pieces_.reset();
    return finish(transfer, answer, 0);
}

// Runs on the job's worker thread.
bool MovieDownload::oneStream(HttpClient& client, const std::string& url, long long held,
                              const std::string& validator, long long total) {
    StagedFile& file = movie_.file();
    HttpRequest request = HttpRequest::body(url, options_);
    request.from(held, validator, total);
    // Bytes that cannot be continued are started over in the same file.
    if (held != 0 && !request.ranged() && !file.restart()) {
        file.keep();
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    if (request.ranged())
        sendResumable(file, validator, total);
    else
        sendResumable(file, {}, 0);
    // A new file that may come in pieces: its first bytes alone, so that no
    // answer is cut when the pieces go (a server sends what it may at once,
    // and whatever it sent past the cut is fetched again).
    headAsked_ = held == 0 && !request.ranged() && piecesAllowed_ && options_.connections >= 2;
    if (headAsked_)
        request.head(headBytes);
    for (;;) {
        MovieBody transfer(movie_, *this);
        const HttpResponse answer = client.body(request, transfer);
        const bool head = std::exchange(headAsked_, false);
        const bool refused =
            std::exchange(headRefused_, false) ||
            (head && answer.failure == HttpResponse::Failure::ErrorStatus && answer.status == 416);
        if (refused && !reporter_.cancelled()) {
            // Ranges of a file not seen yet are not answered as asked: the
            // whole stream, as ever.
            piecesAllowed_ = false;
            if (!file.restart()) {
                file.keep();
                reporter_.fail(Reason::SaveFailed);
                return false;
            }
            request.from(0, {}, 0);
            continue;
        }
        const bool headWhole = answer.fit == HttpResponse::Fit::Head && answer.ok();
        if (pieces_ && !reporter_.cancelled() &&
            (answer.fit != HttpResponse::Fit::Head || headWhole)) {
            // The address the answer came from: no redirect again for each piece.
            const Pieces pieces = *std::exchange(pieces_, std::nullopt);
            ByteRanges done;
            if (headWhole)
                done.add(0, file.size());
            return inPieces(client, answer.address, pieces.validator, pieces.total, done, false,
                            answer.cookies);
        }
        pieces_.reset();
        if (std::exchange(restFollows_, false) && headWhole && !reporter_.cancelled()) {
            // The rest over this connection, as a continued file is.
            held = file.size();
            request.from(held, answer.validator, answer.total);
            sendResumable(file, answer.validator, answer.total);
            continue;
        }
        if (!changed_ || reporter_.cancelled())
            return finish(transfer, answer, held);
        // A server that ignores If-Range sent the rest of another version
        // of the file: what is on disk goes, and the whole stream is asked
        // for (unranged, which is never Changed).
        changed_ = false;
        if (!file.restart()) {
            file.keep();
            reporter_.fail(Reason::SaveFailed);
            return false;
        }
        sendResumable(file, {}, 0);
        request.from(0, {}, 0);
        held = 0;
    }
}

// Runs on the job's worker thread.
bool MovieDownload::inPieces(HttpClient& client, const std::string& url,
                             const std::string& validator, long long total, const ByteRanges& done,
                             bool recorded, std::vector<std::string> cookies) {
    StagedFile& file = movie_.file();
    // Recorded before the first piece is written: from here on the file is
    // continued only from a record of its pieces (of those on disk for sure).
    sendResumable(file, validator, total, recorded ? done.text() : ByteRanges().text());
    const bool sized = done.empty() ? file.restart() && file.presize(total)
                                    : file.size() == total || file.presize(total);
    if (!sized) {
        sendResumable(file, {}, 0);
        file.keep();
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    // The cookies the last answer held go with every piece.
    FetchBounds bounds = options_;
    if (!cookies.empty())
        bounds.cookies = std::move(cookies);
    ConnectionPool::Outcome outcome;
    {
        MoviePieces pieces(movie_, *this, validator, total);
        ConnectionPool pool(bounds, options_.connections);
        FileInPieces plan(url, validator, total, done, bounds, pieces, options_.connections);
        outcome = plan.fetch(pool);
        // The bar ends where the transfer did, whatever the pacer held back.
        pieces.flushProgress();
    }
    if (reporter_.cancelled())
        return movie_.stop();
    switch (outcome) {
    case ConnectionPool::Outcome::Whole:
        break;
    case ConnectionPool::Outcome::StartOver: {
        // Another version, another size, or ranges no longer taken: the
        // whole file again over one connection, never a mixed one.
        sendResumable(file, {}, 0);
        if (!file.restart()) {
            file.keep();
            reporter_.fail(Reason::SaveFailed);
            return false;
        }
        piecesAllowed_ = false;
        return oneStream(client, url, 0, {}, 0);
    }
    case ConnectionPool::Outcome::Stopped:
        return movie_.stop();
    case ConnectionPool::Outcome::Failed:
    case ConnectionPool::Outcome::WriteFailed:
        return movie_.settle(false, true);
    }
    const MovieSignature head = headOnDisk(file);
    const bool movie = isMovie(head) && file.size() == total;
    if (movie)
        movie_.containerSeen(head.container());
    return movie_.settle(movie, false);
}

// Runs on the job's worker thread.
bool MovieDownload::finish(MovieBody& transfer, const HttpResponse& answer, long long held) {
    const StagedFile& file = movie_.file();
    bool fetched = answer.ok();
    // A range starting at the stream's end: the file on disk is whole.
    if (answer.failure == HttpResponse::Failure::ErrorStatus && answer.rangeAtEnd) {
        fetched = true;
        transfer.started = true;
        transfer.head = headOnDisk(file);
        reporter_.progress(static_cast<double>(held), static_cast<double>(held));
    }
    // The bar ends where the transfer did, whatever the pacer held back.
    if (transfer.pacer.pending()) {
        reporter_.progress(static_cast<double>(transfer.pacer.total()),
                           static_cast<double>(transfer.pacer.now()));
        transfer.pacer.flushed();
    }
    if (reporter_.cancelled())
        return movie_.stop();
    // An empty body never reached the receiver: its answer is judged now.
    const bool whole = fetched && (transfer.started || bodyStarts(transfer, answer, nullptr, 0));
    // Exactly the size the first answer named: a body that ended early
    // (a clean close without a length) is no movie yet, however it ended.
    const long long expected = answer.expectedSize;
    const long long size = file.size();
    const bool cutShort = expected > 0 && size >= 0 && size < expected;
    const bool exact = expected <= 0 || size == expected;
    const bool ok = whole && exact && isMovie(transfer.head);
    if (ok && !transfer.containerChecked)
        movie_.containerSeen(transfer.head.container());
    // What may be continued stays: a transfer that broke off. A whole body
    // that is no movie never becomes one.
    return movie_.settle(ok, !whole || cutShort);
}
