#include "DashManifest.h"

#include "HtmlReader.h"
#include "IsoDuration.h"
#include "LanguageTag.h"
#include "QualityChoice.h"
#include "RelativeAddress.h"

#include <libxml/xmlreader.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>

namespace {

using Addressing = DashManifest::Addressing;
using Media = DashManifest::Media;

constexpr const char* xlinkNamespace = "http://www.w3.org/1999/xlink";

struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};

struct TextFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using OwnedText = std::unique_ptr<xmlChar, TextFree>;

std::string taken(xmlChar* text) {
    const OwnedText owned(text);
    return owned ? std::string(reinterpret_cast<const char*>(owned.get())) : std::string();
}

long long number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && value > 0 ? value : 0;
}

// ffmpeg's reading of a contentType or mimeType: "video" anywhere wins,
// then "audio", then "text"; a mimeType after a contentType.
Media mediaOf(const std::string& contentType, const std::string& mimeType) {
    Media media = Media::Other;
    for (const std::string* text : {&contentType, &mimeType}) {
        std::string lower;
        for (const char c : *text)
            lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower.find("video") != std::string::npos)
            media = Media::Video;
        else if (lower.find("audio") != std::string::npos)
            media = Media::Audio;
        else if (lower.find("text") != std::string::npos)
            media = Media::Text;
    }
    return media;
}

// What a Period, AdaptationSet or Representation passes down.
using Segments = DashSegmentList;

// A startNumber: 0 allowed, and room left for every number after it.
long long startNumberOf(const std::string& text) {
    long long value = 1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && value >= 0 ? std::min(value, LLONG_MAX / 2) : 1;
}

enum class Level { Mpd, Period, AdaptationSet, Representation };

struct Scope {
    Level level = Level::Mpd;
    int depth = 0;
    std::string inheritedBase; // what its BaseURLs are read against
    std::string base;          // what its content is read against
    bool ownBaseUrl = false;
    bool baseUrlInForce = false; // its own BaseURL or one of its Period's or AdaptationSet's
    Segments segments;
    std::string id, codecs, mimeType, contentType, componentType, language;
    std::string ownContentType, ownMimeType; // a Representation's own
    long long bandwidth = 0, width = 0, height = 0;
};

class Reader {
public:
    Reader(DashManifest& out, xmlTextReaderPtr reader, const std::string& address)
        : out(out), reader(reader), address(address) {}

    // False when reading must stop.
    bool node() {
        const int type = xmlTextReaderNodeType(reader);
        if (type == XML_READER_TYPE_DOCUMENT_TYPE || type == XML_READER_TYPE_ENTITY_REFERENCE ||
            type == XML_READER_TYPE_ENTITY)
            return stop(); // no DTD, no entities: what an MPD never needs
        const int depth = xmlTextReaderDepth(reader);
        if (type == XML_READER_TYPE_END_ELEMENT)
            return end(depth);
        if (type != XML_READER_TYPE_ELEMENT)
            return true;
        if (!start(depth))
            return false;
        return !xmlTextReaderIsEmptyElement(reader) || end(depth);
    }

    void finish() {
        if (!rootSeen || out.representations.empty())
            refuse(StreamRefusal::Unsupported);
    }

private:
    void refuse(StreamRefusal refusal) { out.refusal = worse(out.refusal, refusal); }

    bool stop() {
        refuse(StreamRefusal::Unsupported);
        return false;
    }

    std::string attribute(const char* name) {
        return taken(xmlTextReaderGetAttribute(reader, reinterpret_cast<const xmlChar*>(name)));
    }

    // Each address the manifest names must reach only http(s).
    void check(const std::string& reference) {
        if (!reference.empty() && !isHttpAddress(resolveAddress(scopes.back().base, reference)))
            refuse(StreamRefusal::Unsupported);
    }

    bool start(int depth) {
        const std::string_view name(
            reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader)));
        if (!rootSeen) {
            rootSeen = true;
            if (name != "MPD")
                return stop();
            mpd();
            return true;
        }
        if (scopes.empty())
            return true;
        Segments& segments = scopes.back().segments;
        if (name == "Period") {
            period(depth);
        } else if (name == "AdaptationSet") {
            Scope& scope = push(Level::AdaptationSet, depth);
            scope.codecs = attribute("codecs");
            scope.mimeType = attribute("mimeType");
            scope.contentType = attribute("contentType");
            scope.language = attribute("lang");
            scope.width = number(attribute("width"));
            scope.height = number(attribute("height"));
        } else if (name == "Representation") {
            representation(depth);
        } else if (name == "ContentComponent" && scopes.back().level == Level::AdaptationSet) {
            if (scopes.back().componentType.empty())
                scopes.back().componentType = attribute("contentType");
        } else if (name == "ContentProtection") {
            out.contentProtection = true;
            refuse(StreamRefusal::Protected);
        } else if (name == "BaseURL") {
            baseUrl();
        } else if (name == "SegmentTemplate") {
            if (segments.addressing != Addressing::Template)
                otherAddressing(segments);
            segments.addressing = Addressing::Template;
            timing(segments);
            if (std::string media = attribute("media"); !media.empty())
                segments.media = std::move(media);
            if (std::string init = attribute("initialization"); !init.empty())
                segments.initialization = std::move(init);
            for (const char* a : {"media", "initialization", "index", "bitstreamSwitching"})
                check(attribute(a));
        } else if (name == "SegmentList") {
            if (segments.addressing != Addressing::List)
                otherAddressing(segments);
            segments.addressing = Addressing::List;
            timing(segments);
            segments.timeline.reset();
            segments.list = std::make_shared<std::vector<Segments::ListEntry>>();
            remote();
        } else if (name == "SegmentBase") {
            if (segments.addressing != Addressing::Base)
                otherAddressing(segments);
            segments.addressing = Addressing::Base;
            timing(segments);
            if (const std::string range = attribute("indexRange"); !range.empty())
                segments.indexRange = ranged(range);
        } else if (name == "SegmentTimeline") {
            segments.timeline = std::make_shared<Segments::Timeline>();
        } else if (name == "S") {
            return timelineEntry(segments);
        } else if (name == "SegmentURL") {
            const std::string media = attribute("media");
            check(media);
            check(attribute("index"));
            if (segments.list) {
                if (segments.list->size() >= DashManifest::maxEntries)
                    return stop();
                const std::string range = attribute("mediaRange");
                segments.list->push_back({media, range.empty() ? std::nullopt : ranged(range)});
            }
        } else if (name == "Initialization" || name == "RepresentationIndex") {
            const std::string source = attribute("sourceURL");
            check(source);
            if (name == "Initialization") {
                segments.initialization = source;
                if (const std::string range = attribute("range"); !range.empty())
                    segments.initRange = ranged(range);
            }
        }
        return true;
    }

    bool end(int depth) {
        if (scopes.empty() || scopes.back().depth != depth)
            return true;
        const bool ok = scopes.back().level != Level::Representation || representationEnd();
        scopes.pop_back();
        return ok;
    }

    Scope& push(Level level, int depth) {
        Scope scope = scopes.back();
        scope.level = level;
        scope.depth = depth;
        scope.inheritedBase = scope.base;
        scope.ownBaseUrl = false;
        scopes.push_back(std::move(scope));
        remote();
        return scopes.back();
    }

    // Remote elements (xlink:href) are not read here, so they cannot be
    // checked.
    void remote() {
        if (xmlTextReaderHasAttributes(reader) == 1 &&
            OwnedText(
                xmlTextReaderGetAttributeNs(reader, reinterpret_cast<const xmlChar*>("href"),
                                            reinterpret_cast<const xmlChar*>(xlinkNamespace))))
            refuse(StreamRefusal::Unsupported);
    }

    void mpd() {
        Scope scope;
        scope.inheritedBase = scope.base = address;
        scopes.push_back(std::move(scope));
        out.dynamic = attribute("type") == "dynamic";
        if (out.dynamic)
            refuse(StreamRefusal::Live);
        out.durationSeconds =
            isoDurationSeconds(attribute("mediaPresentationDuration")).value_or(0);
    }

    void period(int depth) {
        if (++out.periods > 1)
            refuse(StreamRefusal::Unsupported);
        const std::optional<double> start = isoDurationSeconds(attribute("start"));
        const std::optional<double> duration = isoDurationSeconds(attribute("duration"));
        periodSeconds = duration                  ? *duration
                        : out.durationSeconds > 0 ? out.durationSeconds - start.value_or(0)
                                                  : 0;
        push(Level::Period, depth);
    }

    void representation(int depth) {
        Scope& scope = push(Level::Representation, depth);
        scope.id = attribute("id");
        scope.bandwidth = number(attribute("bandwidth"));
        // Its own, else its AdaptationSet's, which the copy carries.
        if (std::string codecs = attribute("codecs"); !codecs.empty())
            scope.codecs = std::move(codecs);
        scope.ownMimeType = attribute("mimeType");
        if (!scope.ownMimeType.empty())
            scope.mimeType = scope.ownMimeType;
        scope.ownContentType = attribute("contentType");
        if (const long long w = number(attribute("width")))
            scope.width = w;
        if (const long long h = number(attribute("height")))
            scope.height = h;
    }

    void baseUrl() {
        Scope& scope = scopes.back();
        std::string text = taken(xmlTextReaderReadString(reader));
        const std::size_t first = text.find_first_not_of(" \t\r\n");
        if (first == std::string::npos)
            return;
        text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
        const std::string resolved = resolveAddress(scope.inheritedBase, text);
        if (!isHttpAddress(resolved)) {
            refuse(StreamRefusal::Unsupported);
            return;
        }
        if (!scope.ownBaseUrl)
            scope.base = resolved;
        scope.ownBaseUrl = true;
        if (scope.level != Level::Mpd)
            scope.baseUrlInForce = true;
    }

    // A level that names its segments another way inherits nothing of how
    // the level above named them.
    static void otherAddressing(Segments& segments) { segments = Segments{}; }

    // What the Segment* element's timescale and duration say, where they say.
    void timing(Segments& segments) {
        if (const long long t = number(attribute("timescale")))
            segments.timescale = t;
        if (const long long d = number(attribute("duration")))
            segments.duration = d;
        if (const std::string start = attribute("startNumber"); !start.empty())
            segments.startNumber = startNumberOf(start);
    }

    // A range as DASH writes it; one that cannot be read cannot be fetched.
    std::optional<ByteRange> ranged(const std::string& text) {
        auto range = ByteRange::inclusive(text);
        if (!range)
            refuse(StreamRefusal::Unsupported);
        return range;
    }

    bool timelineEntry(Segments& segments) {
        if (!segments.timeline)
            return true;
        Segments::Timeline& timeline = *segments.timeline;
        std::vector<Segments::TimelineEntry>& entries = timeline.entries;
        long long time = 0;
        if (!entries.empty())
            time = entries.back().time + entries.back().count * entries.back().duration;
        if (const std::string t = attribute("t"); !t.empty())
            time = number(t);
        const long long d = number(attribute("d"));
        long long repeat = 0;
        const std::string r = attribute("r");
        if (std::from_chars(r.data(), r.data() + r.size(), repeat).ec ==
                std::errc::result_out_of_range ||
            repeat >= static_cast<long long>(DashManifest::maxEntries))
            return stop(); // more repeats than any count holds
        long long n = repeat + 1;
        if (repeat < 0) {
            // Repeated to the period's end.
            if (periodSeconds <= 0 || d <= 0) {
                if (!out.dynamic)
                    refuse(StreamRefusal::Unsupported);
                n = 1;
            } else {
                const double left =
                    std::ceil((periodSeconds * static_cast<double>(segments.timescale) -
                               static_cast<double>(time)) /
                              static_cast<double>(d));
                if (left > static_cast<double>(DashManifest::maxEntries))
                    return stop();
                n = left < 1 ? 1 : static_cast<long long>(left);
            }
        }
        if (timeline.segments + static_cast<std::size_t>(n) > DashManifest::maxEntries ||
            (d > 0 && n > (LLONG_MAX - time) / d))
            return stop();
        entries.push_back({time, d, n});
        timeline.segments += static_cast<std::size_t>(n);
        return true;
    }

    bool representationEnd() {
        if (out.representations.size() >= DashManifest::maxEntries)
            return stop();
        const Scope& scope = scopes.back();
        const Scope& set = scopes[scopes.size() - 2];
        DashManifest::Representation rep;
        rep.id = scope.id;
        rep.bandwidth = scope.bandwidth;
        rep.width = scope.width;
        rep.height = scope.height;
        rep.codecs = scope.codecs;
        rep.mimeType = scope.mimeType;
        rep.contentType = scope.contentType;
        rep.media = mediaOf(scope.ownContentType, scope.ownMimeType);
        if (rep.media == Media::Other && set.level == Level::AdaptationSet)
            rep.media = mediaOf(set.contentType, set.mimeType);
        if (rep.media == Media::Other && set.level == Level::AdaptationSet)
            rep.media = mediaOf(set.componentType, {});
        if (rep.media != Media::Other)
            rep.streamIndex = streams[static_cast<int>(rep.media)]++;

        rep.language = scope.language;
        rep.segmentList = scope.segments;
        DashSegmentList& list = rep.segmentList;
        if (list.addressing == Addressing::None && scope.baseUrlInForce)
            list.addressing = Addressing::BaseUrlOnly;
        list.base = scope.base;
        list.id = rep.id;
        list.bandwidth = rep.bandwidth;
        list.periodSeconds = periodSeconds;
        rep.addressing = list.addressing;
        if (rep.addressing == Addressing::None)
            refuse(StreamRefusal::Unsupported);
        const std::size_t count = list.count();
        if (count > DashManifest::maxEntries)
            return stop();
        rep.segments = count;
        if (!list.addressesUsable())
            refuse(StreamRefusal::Unsupported);
        if (rep.segments == 0 && !out.dynamic)
            refuse(StreamRefusal::Unsupported);
        out.representations.push_back(std::move(rep));
        return true;
    }

    DashManifest& out;
    xmlTextReaderPtr reader;
    const std::string& address;
    std::vector<Scope> scopes;
    bool rootSeen = false;
    double periodSeconds = 0;
    std::size_t streams[4] = {};
};

void quiet(void*, xmlErrorPtr) {}

} // namespace

DashManifest DashManifest::read(std::string_view text, const std::string& address) {
    DashManifest out;
    if (text.size() > maxBytes || text.size() > INT_MAX) {
        out.refusal = StreamRefusal::Unsupported;
        return out;
    }
    HtmlReader::initOnce();
    // No network, no DTD loaded, no entity substituted: a manifest that
    // needs any of them is refused.
    const std::unique_ptr<xmlTextReader, ReaderFree> reader(xmlReaderForMemory(
        text.data(), static_cast<int>(text.size()), address.c_str(), nullptr,
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA));
    if (!reader) {
        out.refusal = StreamRefusal::Unsupported;
        return out;
    }
    xmlTextReaderSetStructuredErrorHandler(reader.get(), &quiet, nullptr);
    Reader reading(out, reader.get(), address);
    int status = 0;
    while ((status = xmlTextReaderRead(reader.get())) == 1)
        if (!reading.node())
            return out;
    if (status < 0)
        out.refusal = worse(out.refusal, StreamRefusal::Unsupported);
    reading.finish();
    return out;
}

namespace {

// The representations of one kind, and the quality's choice among them;
// of sound, among those that match language best.
std::optional<std::size_t> chosen(const std::vector<DashManifest::Representation>& representations,
                                  Media media, int quality, std::string_view language = {}) {
    int best = 0;
    for (const DashManifest::Representation& r : representations)
        if (r.media == media)
            best = std::max(best, LanguageTag::match(r.language, language));
    std::vector<QualityChoice::Candidate> candidates;
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < representations.size(); ++i) {
        const DashManifest::Representation& r = representations[i];
        if (r.media != media || LanguageTag::match(r.language, language) < best)
            continue;
        candidates.push_back({false, media == Media::Video ? r.height : 0, r.bandwidth});
        indices.push_back(i);
    }
    if (candidates.empty())
        return std::nullopt;
    return indices[QualityChoice::choose(candidates, quality)];
}

} // namespace

std::optional<std::size_t> DashManifest::chooseVideo(int quality) const {
    return chosen(representations, Media::Video, quality);
}

std::optional<std::size_t> DashManifest::chooseAudio(int quality, std::string_view language) const {
    return chosen(representations, Media::Audio, quality, language);
}
