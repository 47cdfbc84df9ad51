#include "jobs/StreamDownload.h"

#include "http/BodyReceiver.h"
#include "http/ConnectionPool.h"
#include "http/HttpClient.h"
#include "jobs/StreamParts.h"
#include "media/StreamJoin.h"
#include "stream/SegmentQueue.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// An AES-128 key is 16 bytes.
constexpr std::size_t keyBytes = 16;

// The keys of the segments still to fetch, by address: each fetched once,
// as every other request is. False when one cannot be had.
bool fetchKeys(const TrackPlan& plan, const std::vector<SegmentReceiver::Done>& done,
               const FetchBounds& bounds, const CancelToken* cancel,
               std::map<std::string, std::string>& keys) {
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const Track& track = plan.tracks[t];
        const auto need = [&](const StreamSegment& part) {
            if (!part.key || keys.count(part.key->url))
                return true;
            HttpRequest request = HttpRequest::page(part.key->url, bounds);
            request.maxBytes = keyBytes;
            request.cancel = cancel;
            std::string key;
            if (!HttpClient::fetchPage(request, key).ok() || key.size() != keyBytes)
                return false;
            keys.emplace(part.key->url, std::move(key));
            return true;
        };
        for (std::size_t i = t < done.size() ? done[t].count : 0; i < track.segments.size(); ++i) {
            const StreamSegment& segment = track.segments[i];
            if (!need(segment) || (segment.init && *segment.init < track.inits.size() &&
                                   !need(track.inits[*segment.init])))
                return false;
        }
    }
    return true;
}

// Takes the answer's first byte only, to learn its size: a server that
// sends the whole file instead is not read.
class FirstByte : public BodyReceiver {
public:
    explicit FirstByte(const CancelToken* cancel) : cancel_(cancel) {}
    bool begins(const HttpResponse& head, const char*, std::size_t) override {
        return head.status == 206;
    }
    std::size_t take(const char*, std::size_t n) override { return n; }
    void progress(std::int64_t, std::int64_t) override {}
    bool stopping() const override { return cancel_ && cancel_->cancelled(); }

private:
    const CancelToken* cancel_;
};

// A track of one whole file (a DASH SegmentBase, a BaseURL alone) comes as
// byte ranges of it, so that no connection holds more than a piece in
// memory. Its size is asked first; a server that does not answer ranges
// has it fetched whole.
void splitWholeFiles(TrackPlan& plan, const FetchBounds& bounds, const CancelToken* cancel) {
    for (Track& track : plan.tracks) {
        if (track.segments.size() != 1 || track.segments[0].part.range || track.segments[0].key)
            continue;
        const StreamSegment whole = track.segments[0];
        HttpRequest request = HttpRequest::body(whole.part.url, bounds);
        request.segment(0, 1);
        FirstByte first(cancel);
        HttpClient client;
        const HttpResponse probed = client.body(request, first);
        const long long size = probed.total;
        // Pieces only from a server that answered the range as one.
        if (probed.status != 206 || size <= StreamDownload::wholeFilePiece)
            continue;
        track.segments.clear();
        for (long long at = 0; at < size; at += StreamDownload::wholeFilePiece) {
            StreamSegment piece = whole;
            const long long length = std::min(StreamDownload::wholeFilePiece, size - at);
            piece.part.range = ByteRange{at, length};
            piece.seconds = whole.seconds * static_cast<double>(length) / static_cast<double>(size);
            piece.piece = at > 0 ? StreamSegment::Piece::Later : StreamSegment::Piece::First;
            track.segments.push_back(std::move(piece));
        }
    }
}

} // namespace

StreamDownload::StreamDownload(const JobOptions& options, const JobReporter& reporter,
                               std::string title, std::string extension)
    : options_(options), reporter_(reporter), joinOptions_([&options] {
          JobOptions join = options;
          join.resume = {};
          return join;
      }()),
      movie_(joinOptions_, reporter, std::move(title), std::move(extension), false) {}

// Runs on the job's worker thread.
bool StreamDownload::save(const TrackPlan& stream, const std::vector<std::string>& cookies) {
    if (!movie_.open())
        return false;
    FetchBounds bounds = options_;
    bounds.cookies = cookies;
    TrackPlan plan = stream;
    splitWholeFiles(plan, bounds, reporter_.cancelToken());
    if (reporter_.cancelled())
        return movie_.stop();
    StreamParts parts(options_, reporter_, movie_.path(), plan.fingerprint());
    if (!parts.open(plan.tracks.size()))
        return movie_.fail(Reason::SaveFailed, false);
    const auto stopped = [&] {
        if (reporter_.paused())
            parts.keep();
        else
            parts.discard();
        return movie_.stop();
    };
    std::map<std::string, std::string> keys;
    if (!fetchKeys(plan, parts.continued(), bounds, reporter_.cancelToken(), keys)) {
        if (reporter_.cancelled())
            return stopped();
        parts.keep();
        return movie_.fail(Reason::SaveFailed, false);
    }

    ConnectionPool::Outcome outcome;
    {
        ConnectionPool pool(bounds, options_.connections);
        SegmentQueue queue(plan.tracks, parts.continued(), std::move(keys), bounds, parts,
                           options_.connections);
        outcome = queue.fetch(pool);
        // The bar ends where the transfer did, whatever the pacer held back.
        parts.flushProgress();
    }
    if (reporter_.cancelled() || outcome == ConnectionPool::Outcome::Stopped)
        return stopped();
    if (outcome != ConnectionPool::Outcome::Whole) {
        // What came whole stays for a later try.
        parts.keep();
        return movie_.fail(Reason::SaveFailed, false);
    }

    StreamJoin::Request join{{}, plan.seconds, plan.soundOnly};
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const Track::Content content = plan.tracks[t].content;
        join.parts.push_back(
            {parts.path(t), content != Track::Content::Sound, content != Track::Content::Picture});
    }
    StagedFile& file = movie_.file();
    switch (StreamJoin::run(join, file.tempPath(), reporter_.cancelToken())) {
    case StreamJoin::Outcome::Ok:
        break;
    case StreamJoin::Outcome::Cancelled:
        return stopped();
    case StreamJoin::Outcome::FfmpegMissing:
        parts.keep();
        return movie_.fail(Reason::FfmpegMissing, false);
    case StreamJoin::Outcome::Failed:
    case StreamJoin::Outcome::CheckFailed:
        // Every segment was checked on its way in: segments that do not
        // join into the stream are not worth continuing.
        parts.discard();
        return movie_.fail(Reason::SaveFailed, false);
    }
    // The bar ends full at the file's size.
    const auto size = static_cast<double>(file.size());
    reporter_.progress(size, size);
    if (!movie_.settle(true, false)) {
        parts.keep();
        return false;
    }
    parts.discard();
    return true;
}
