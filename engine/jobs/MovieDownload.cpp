#include "MovieDownload.h"

#include "CurlHandle.h"
#include "FilePath.h"
#include "HttpFetch.h"
#include "MovieBody.h"
#include "MovieWriteContext.h"
#include "StagedFile.h"

#include <utility>

namespace {

// A body that is no movie: nothing at all, a web page (a login or error
// page answered with 200), or any other text (a JSON error, "access
// denied"). Judged by the file's first bytes, however many arrived now.
bool isMovie(const MovieBody& transfer) {
    return !transfer.head.empty() && !transfer.head.looksLikeMarkup() &&
           !transfer.head.looksLikeText();
}

// The signature learns the file's first bytes from the part file itself,
// when the answer's body is not where the file starts.
void headFromDisk(MovieBody& transfer) {
    char head[MovieSignature::headBytes];
    transfer.head = {};
    transfer.head.feed(head, transfer.file.readHead(head, sizeof head));
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

void MovieDownload::sendResumable(const StagedFile& file, std::string validator,
                                  long long total) const {
    if (!options_.partFile.empty())
        reporter_.resumable(file.tempPath(), std::move(validator), total);
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
        headFromDisk(transfer);
        break;
    case RangeRequest::Answer::StartOver: {
        // A page or an error text answered instead of the file costs
        // nothing of what is on disk.
        MovieSignature answer;
        answer.feed(first, n);
        if (answer.empty() || answer.looksLikeMarkup() || answer.looksLikeText())
            return false;
        // Never a file of two streams: what is on disk goes.
        if (!transfer.file.restart())
            return false;
    }
        [[fallthrough]];
    case RangeRequest::Answer::Fresh:
        transfer.head = {};
        sendResumable(transfer.file, transfer.range.validator(), transfer.range.total());
        break;
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
    const bool keepsPart = !options_.partFile.empty();
    StagedFile file(path());
    const StagedFile::Opened opened =
        keepsPart && FilePath::folderOf(options_.partFile) == options_.movieFolder
            ? file.open(options_.partFile)
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
    RangeRequest range(held, options_.validator, options_.total);
    // Bytes that cannot be continued are started over in the same file.
    if (held != 0 && !range.ranged() && !file.restart()) {
        file.keep();
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    if (range.ranged())
        sendResumable(file, options_.validator, options_.total);
    else
        sendResumable(file, {}, 0);
    {
        MovieBody transfer(file, *this);
        transfer.range = std::move(range);
        MovieWriteContext context{transfer, transfer.range};
        const CURLcode result = HttpFetch(options_).movie(curl.get(), url, context);
        if (!changed_ || reporter_.cancelled())
            return finish(curl.get(), file, transfer, result, held);
    }
    // A server that ignores If-Range sent the rest of another version of
    // the file: what is on disk goes, and the whole stream is asked for.
    changed_ = false;
    if (!file.restart()) {
        file.keep();
        reporter_.fail(Reason::SaveFailed);
        return false;
    }
    sendResumable(file, {}, 0);
    MovieBody transfer(file, *this);
    MovieWriteContext context{transfer, transfer.range};
    const CURLcode result = HttpFetch(options_).movie(curl.get(), url, context);
    return finish(curl.get(), file, transfer, result, 0);
}

// Runs on the job's worker thread.
bool MovieDownload::finish(CURL* curl, StagedFile& file, MovieBody& transfer, CURLcode result,
                           long long held) {
    const bool keepsPart = !options_.partFile.empty();
    long answered = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answered);
    // A range starting at the stream's end: the file on disk is whole.
    if (result == CURLE_HTTP_RETURNED_ERROR && transfer.range.complete(answered)) {
        result = CURLE_OK;
        transfer.started = true;
        headFromDisk(transfer);
        reporter_.progress(static_cast<double>(held), static_cast<double>(held));
    }
    // The bar ends where the transfer did, whatever the pacer held back.
    if (transfer.pacer.pending()) {
        reporter_.progress(static_cast<double>(transfer.pacer.total()),
                           static_cast<double>(transfer.pacer.now()));
        transfer.pacer.flushed();
    }
    if (reporter_.cancelled()) {
        if (keepsPart && reporter_.paused())
            file.keep();
        else
            file.discard();
        reporter_.stopped();
        return false;
    }
    // An empty body never called the writer: its answer is judged now.
    const bool whole = result == CURLE_OK && (transfer.started || bodyStarts(transfer, nullptr, 0));
    // Exactly the size the first answer named: a body that ended early
    // (a clean close without a length) is no movie yet, however it ended.
    const long long expected = transfer.range.expectedSize();
    const long long size = file.size();
    const bool cutShort = expected > 0 && size >= 0 && size < expected;
    const bool exact = expected <= 0 || size == expected;
    bool ok = whole && exact && isMovie(transfer);
    if (ok && !transfer.containerChecked)
        containerSeen(transfer.head.container());
    // The first bytes may have named another container than the quality rule.
    file.retarget(path());
    // A movie counts as saved only once every byte is on disk under its name.
    ok = ok && file.commit();
    if (!ok) {
        // What may be continued stays: a transfer that broke off, or a whole
        // movie that found every name taken. A whole body that is no movie
        // never becomes one.
        const bool continuable = !whole || cutShort || file.namesTaken();
        if (keepsPart && continuable)
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
