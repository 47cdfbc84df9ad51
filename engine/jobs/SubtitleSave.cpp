#include "jobs/SubtitleSave.h"

#include "base/CancelToken.h"
#include "files/StagedFile.h"
#include "http/HttpClient.h"
#include "jobs/JobOptions.h"
#include "jobs/JobReporter.h"
#include "page/HlsPlaylist.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

constexpr std::string_view bom = "\xEF\xBB\xBF";
// The longest language a file name takes ("zh-Hant-TW", "sgn-BE-FR").
constexpr std::size_t maxLanguage = 35;

std::optional<std::string> fetchText(HttpClient& client, const std::string& url,
                                     const JobOptions& options, std::size_t room,
                                     const CancelToken* cancel) {
    HttpRequest request = HttpRequest::page(url, options);
    request.maxBytes = room;
    request.cancel = cancel;
    std::string text;
    if (!client.page(request, text).ok())
        return std::nullopt;
    return text;
}

// A WebVTT file's cues: what follows its header block.
std::string_view cuesOf(std::string_view vtt) {
    for (std::string_view end : {"\r\n\r\n", "\n\n"})
        if (const std::size_t at = vtt.find(end); at != std::string_view::npos)
            return vtt.substr(at + end.size());
    return {};
}

// An HLS rendition: its playlist's WebVTT segments, in order, as one file.
std::optional<std::string> joinedPlaylist(HttpClient& client, const SubtitleTrack& track,
                                          const JobOptions& options, const CancelToken* cancel) {
    const auto text = fetchText(client, track.url, options, SubtitleSave::maxBytes, cancel);
    if (!text)
        return std::nullopt;
    const HlsPlaylist playlist = HlsPlaylist::read(*text, track.url);
    if (playlist.master || playlist.refusal != StreamRefusal::None || playlist.segments.empty())
        return std::nullopt;
    std::string joined = "WEBVTT\n\n";
    for (const HlsPlaylist::Segment& segment : playlist.segments) {
        if (segment.key || segment.part.range || (cancel && cancel->cancelled()))
            return std::nullopt;
        const auto part = fetchText(client, segment.part.url, options,
                                    SubtitleSave::maxBytes - joined.size(), cancel);
        if (!part || !SubtitleSave::looksLike(SubtitleTrack::Form::WebVtt, *part))
            return std::nullopt;
        // Cues are blocks apart: each segment's end with a blank line.
        std::string_view cues = cuesOf(*part);
        while (!cues.empty() && (cues.back() == '\n' || cues.back() == '\r'))
            cues.remove_suffix(1);
        if (!cues.empty())
            joined.append(cues).append("\n\n");
        if (joined.size() > SubtitleSave::maxBytes)
            return std::nullopt;
    }
    return joined;
}

bool saveText(const std::string& target, const std::string& text, std::string& saved) {
    StagedFile file(target);
    if (file.open() != StagedFile::Opened::Ok ||
        file.write(text.data(), text.size()) != text.size() || !file.commit())
        return false;
    saved = file.target();
    return true;
}

} // namespace

std::string SubtitleSave::fileName(const std::string& title, const SubtitleTrack& track) {
    const std::string& code = track.language;
    const bool nameable = !code.empty() && code.size() <= maxLanguage &&
                          std::all_of(code.begin(), code.end(), [](char c) {
                              return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                     (c >= '0' && c <= '9') || c == '-' || c == '_';
                          });
    return title + (nameable ? "." + code : "") + std::string(track.extension());
}

bool SubtitleSave::looksLike(SubtitleTrack::Form form, const std::string& text) {
    std::string_view body(text);
    if (body.starts_with(bom))
        body.remove_prefix(bom.size());
    switch (form) {
    case SubtitleTrack::Form::WebVtt:
        return body.starts_with("WEBVTT") &&
               (body.size() == 6 || body[6] == ' ' || body[6] == '\t' || body[6] == '\n' ||
                body[6] == '\r');
    case SubtitleTrack::Form::Srt: {
        while (!body.empty() && (body.front() == '\n' || body.front() == '\r'))
            body.remove_prefix(1);
        const std::size_t digits = body.find_first_not_of("0123456789");
        return digits > 0 && digits != std::string_view::npos &&
               (body[digits] == '\n' || body[digits] == '\r') &&
               body.find("-->") != std::string_view::npos;
    }
    case SubtitleTrack::Form::Other:
        break;
    }
    return false;
}

// Runs on the job's worker thread.
std::vector<std::string> SubtitleSave::save(const std::vector<SubtitleTrack>& tracks,
                                            const JobOptions& options, const std::string& title,
                                            const JobReporter& reporter) {
    std::vector<std::string> saved;
    HttpClient client;
    for (const SubtitleTrack& track : tracks) {
        if (track.form == SubtitleTrack::Form::Other || !options.subtitles.wants(track.language))
            continue;
        if (reporter.cancelled())
            break;
        const std::optional<std::string> text =
            track.carrier == SubtitleTrack::Carrier::HlsPlaylist
                ? joinedPlaylist(client, track, options, reporter.cancelToken())
                : fetchText(client, track.url, options, maxBytes, reporter.cancelToken());
        std::string name;
        if (!text || !looksLike(track.form, *text) ||
            !saveText(options.movieFolder + "/" + fileName(title, track), *text, name)) {
            reporter.step(Reason::SubtitlesFailed);
            continue;
        }
        saved.push_back(std::move(name));
    }
    return saved;
}
