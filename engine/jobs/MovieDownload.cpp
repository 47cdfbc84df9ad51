#include "MovieDownload.h"

#include "ByteRanges.h"
#include "CurlHandle.h"
#include "FilePath.h"
#include "HttpFetch.h"
#include "MovieBody.h"
#include "MoviePieces.h"
#include "MovieWriteContext.h"
#include "SegmentedFetch.h"
#include "StagedFile.h"

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
    : options_(options), reporter_(reporter), title_(std::move(title)),
      extension_(std::move(extension)) {}

std::string MovieDownload::path() const {
    return options_.movieFolder + "/" + title_ + extension_;
}

void MovieDownload::containerSeen(const std::string& container) {
    if (container.empty() || "." + container == extension_)
        return;
    extension_ = "." + container;
    reporter_.send(JobEvent::Kind::Container, container);
}

void MovieDownload::sendResumable(const StagedFile& file, std::string validator, long long total,
                                  std::string ranges) const {
    if (!options_.resume.partFile.empty())
        reporter_.resumable({.partFile = file.tempPath(),
                             .validator = std::move(validator),
                             .total = total,
                             .ranges = std::move(ranges)});
}

std::optional<MovieDownload::Pieces>
MovieDownload::piecesFor(const MovieBody& transfer, const char* first, std::size_t n) const {
    const RangeRequest& range = transfer.range;
    // A part continued from its size stays one stream: its record names no
    // pieces until the last byte.
    if (!piecesAllowed_ || options_.connections < 2 || range.ranged() || !range.acceptsRanges() ||
        range.total() < minPiecesTotal || range.validator().empty())
        return std::nullopt;
    // A page or a text is judged as one stream, as ever.
    MovieSignature answer;
    answer.feed(first, n);
    if (!isMovie(answer))
        return std::nullopt;
    return Pieces{range.validator(), range.total()};
}

// Runs on the job's worker thread.
bool MovieDownload::bodyStarts(MovieBody& transfer, const char* first, std::size_t n) {
    transfer.started = true;
    switch (transfer.range.answer()) {
    case RangeRequest::Answer::Refused:
        // The same request would be refused again: the next try starts over.
        sendResumable(transfer.file, {}, 0);
        return false;
    case RangeRequest::Answer::Changed:
        // Nothing of it is written: save() asks for the whole stream.
        changed_ = true;
        return false;
    case RangeRequest::Answer::Append:
        transfer.head = headOnDisk(transfer.file);
        break;
    case RangeRequest::Answer::StartOver:
    case RangeRequest::Answer::Fresh: {
        // Nothing of it is written: save() fetches the file in pieces.
        pieces_ = piecesFor(transfer, first, n);
        if (pieces_)
            return false;
        if (transfer.range.answer() == RangeRequest::Answer::Fresh) {
            transfer.head = {};
            sendResumable(transfer.file, transfer.range.validator(), transfer.range.total());
            break;
        }
        // A page or an error text answered instead of the file costs
        // nothing of what is on disk.
        MovieSignature answer;
        answer.feed(first, n);
        if (answer.empty() || answer.looksLikeMarkup() || answer.looksLikeText())
            return false;
        // Never a file of two streams: what is on disk goes.
        if (!transfer.file.restart())
            return false;
        transfer.head = {};
        sendResumable(transfer.file, transfer.range.validator(), transfer.range.total());
        break;
    }
    }
    transfer.containerChecked = transfer.head.containerKnown();
    if (transfer.containerChecked)
        containerSeen(transfer.head.container());
    return true;
}

// Runs on the job's worker thread.
bool MovieDownload::save(const std::string& url) {
    reporter_.step(Reason::Connecting);
    // A missing handle shows up as a failed transfer below.
    CurlHandle curl(options_.curlFactory);
    reporter_.step(Reason::Downloading);
    reporter_.send(JobEvent::Kind::Container, extension_.substr(1));

    // A part file is continued only beside its target: a rename cannot
    // leave the file system. Anywhere else the job takes a name of its own.
    const ResumeState& resume = options_.resume;
    const bool keepsPart = !resume.partFile.empty();
    StagedFile file(path());
    const StagedFile::Opened opened =
        keepsPart && FilePath::folderOf(resume.partFile) == options_.movieFolder
            ? file.open(resume.partFile)
            : file.open();
    switch (opened) {
    case StagedFile::Opened::Ok:
        break;
    case StagedFile::Opened::FolderUnusable:
        reporter_.fail(Reason::MovieFolderUnusable);
        return false;
    case StagedFile::Opened::NameRefused:
        reporter_.fail(Reason::InvalidTitle);
        return false;
    }

    const long long held = file.size();
    if (resume.ranges.empty())
        return oneStream(curl.get(), file, url, held, resume.validator, resume.total);
    // Pieces are continued only from their record, in the file they were
    // written into (its size the total); anything else starts over.
    const std::optional<ByteRanges> done = ByteRanges::parse(resume.ranges, resume.total);
    if (done && !resume.validator.empty() && held == resume.total)
        return inPieces(curl.get(), file, url, resume.validator, resume.total, *done);
    return oneStream(curl.get(), file, url, held, {}, 0);
}

// Runs on the job's worker thread.
bool MovieDownload::oneStream(CURL* curl, StagedFile& file, const std::string& url, long long held,
                              const std::string& validator, long long total) {
    RangeRequest range(held, validator, total);
    // Bytes that cannot be continued are started over in the same file.
    if (held != 0 && !range.ranged() && !file.restart()) {
        file.keep();
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    if (range.ranged())
        sendResumable(file, validator, total);
    else
        sendResumable(file, {}, 0);
    for (;;) {
        MovieBody transfer(file, *this);
        transfer.range = std::move(range);
        MovieWriteContext context{transfer, transfer.range};
        const CURLcode result = HttpFetch(options_).movie(curl, url, context);
        if (pieces_ && !reporter_.cancelled()) {
            // The address the answer came from: no redirect again for each piece.
            const Pieces pieces = *std::exchange(pieces_, std::nullopt);
            return inPieces(curl, file, HttpFetch::finalAddress(curl, url), pieces.validator,
                            pieces.total, ByteRanges());
        }
        if (!changed_ || reporter_.cancelled())
            return finish(curl, file, transfer, result, held);
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
        range = RangeRequest();
        held = 0;
    }
}

// Runs on the job's worker thread.
bool MovieDownload::inPieces(CURL* curl, StagedFile& file, const std::string& url,
                             const std::string& validator, long long total,
                             const ByteRanges& done) {
    // Recorded before the first piece is written: from here on the file is
    // continued only from a record of its pieces.
    sendResumable(file, validator, total, done.text());
    if (done.empty() && (!file.restart() || !file.presize(total))) {
        sendResumable(file, {}, 0);
        file.keep();
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    // The cookies the last answer set go with every piece.
    FetchBounds bounds = options_;
    bounds.cookies = HttpFetch::cookies(curl);
    if (bounds.cookies.empty())
        bounds.cookies = options_.cookies;
    SegmentedFetch::Outcome outcome;
    {
        MoviePieces pieces(file, *this, validator, total);
        SegmentedFetch fetch(bounds, options_.connections);
        outcome = fetch.run(url, validator, total, done, pieces);
        // The bar ends where the transfer did, whatever the pacer held back.
        pieces.flushProgress();
    }
    if (reporter_.cancelled())
        return stop(file);
    switch (outcome) {
    case SegmentedFetch::Outcome::Whole:
        break;
    case SegmentedFetch::Outcome::StartOver: {
        // Another version, another size, or ranges no longer taken: the
        // whole file again over one connection, never a mixed one.
        sendResumable(file, {}, 0);
        if (!file.restart()) {
            file.keep();
            reporter_.fail(Reason::SaveFailed);
            return false;
        }
        piecesAllowed_ = false;
        return oneStream(curl, file, url, 0, {}, 0);
    }
    case SegmentedFetch::Outcome::Stopped:
        return stop(file);
    case SegmentedFetch::Outcome::Failed:
    case SegmentedFetch::Outcome::WriteFailed:
        return settle(file, false, true);
    }
    const MovieSignature head = headOnDisk(file);
    const bool movie = isMovie(head) && file.size() == total;
    if (movie)
        containerSeen(head.container());
    return settle(file, movie, false);
}

// Runs on the job's worker thread.
bool MovieDownload::finish(CURL* curl, StagedFile& file, MovieBody& transfer, CURLcode result,
                           long long held) {
    long answered = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answered);
    // A range starting at the stream's end: the file on disk is whole.
    if (result == CURLE_HTTP_RETURNED_ERROR && transfer.range.complete(answered)) {
        result = CURLE_OK;
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
        return stop(file);
    // An empty body never called the writer: its answer is judged now.
    const bool whole = result == CURLE_OK && (transfer.started || bodyStarts(transfer, nullptr, 0));
    // Exactly the size the first answer named: a body that ended early
    // (a clean close without a length) is no movie yet, however it ended.
    const long long expected = transfer.range.expectedSize();
    const long long size = file.size();
    const bool cutShort = expected > 0 && size >= 0 && size < expected;
    const bool exact = expected <= 0 || size == expected;
    const bool ok = whole && exact && isMovie(transfer.head);
    if (ok && !transfer.containerChecked)
        containerSeen(transfer.head.container());
    // What may be continued stays: a transfer that broke off. A whole body
    // that is no movie never becomes one.
    return settle(file, ok, !whole || cutShort);
}

// Runs on the job's worker thread.
bool MovieDownload::settle(StagedFile& file, bool movie, bool continuable) {
    // The first bytes may have named another container than the quality rule.
    file.retarget(path());
    // A movie counts as saved only once every byte is on disk under its name.
    if (!movie || !file.commit()) {
        // A whole movie that found every name taken may be continued too.
        if (!options_.resume.partFile.empty() && (continuable || file.namesTaken()))
            file.keep();
        else
            file.discard();
        // Title.flv and Title(1).flv to Title(99).flv all exist, or the bytes failed.
        reporter_.fail(file.namesTaken() ? Reason::NamesTaken : Reason::SaveFailed);
        return false;
    }
    // The name may have taken a "(1)": the conversion and the window follow it.
    const std::string saved = FilePath::fileNameOf(file.target());
    title_ = saved.substr(0, saved.size() - extension_.size());
    reporter_.send(JobEvent::Kind::Saved, saved);
    reporter_.step(Reason::Downloaded);
    return true;
}

// Runs on the job's worker thread.
bool MovieDownload::stop(StagedFile& file) {
    if (!options_.resume.partFile.empty() && reporter_.paused())
        file.keep();
    else
        file.discard();
    reporter_.stopped();
    return false;
}
