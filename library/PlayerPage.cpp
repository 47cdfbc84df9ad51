#include "library/PlayerPage.h"

#include "base/MediaFormat.h"
#include "library/Mp3Cover.h"
#include "library/SrtToVtt.h"
#include "library/SubtitleFiles.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QMap>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every page fills the pane without scroll bars, its content centred; the
// video keeps the picture's aspect inside whatever size the pane has.
const char* const PageStyle =
    "html, body { margin: 0; width: 100%; height: 100%; overflow: hidden; background: black; "
    "color: #eee; font: 16px sans-serif; } "
    "#container { box-sizing: border-box; width: 100%; height: 100%; display: flex; "
    "flex-direction: column; align-items: center; justify-content: center; gap: 1em; "
    "text-align: center; } "
    "#container p { margin: 0; padding: 0 2em; } "
    "video { display: block; width: 100%; height: 100%; object-fit: contain; } "
    "#title { font-size: 1.2em; font-weight: bold; } "
    "#container { position: relative; } "
    "#title.over { position: absolute; top: 0; left: 0; right: 0; margin: 0; padding: 0.5em 1em; "
    "background: rgba(0, 0, 0, 0.6); pointer-events: none; animation: fade 1s 5s forwards; } "
    "@keyframes fade { to { opacity: 0; } } "
    "#cover { max-width: 80%; max-height: 55%; min-height: 0; object-fit: contain; } "
    "audio { width: 90%; max-width: 40em; } progress { width: 60%; } "
    "[hidden] { display: none !important; }";

// The player's state follows its media element. Media events do not
// bubble, so they are caught on their way down, before the element exists.
const char* const PlayerScript = R"JS(
['loadedmetadata', 'playing', 'error'].forEach(function (type) {
  document.addEventListener(type, function (event) {
    var media = event.target;
    var container = document.getElementById('container');
    if (!(media instanceof HTMLMediaElement) || !container)
      return;
    var state = container.getAttribute('data-player-state');
    if (type === 'error') {
      container.setAttribute('data-player-state', 'error');
      media.hidden = true;
      // The message names the file.
      var title = document.getElementById('title');
      if (title)
        title.remove();
      container.appendChild(document.getElementById('failed').content);
    } else if (type === 'playing' && state !== 'error') {
      container.setAttribute('data-player-state', 'playing');
    } else if (type === 'loadedmetadata' && state === 'loading') {
      container.setAttribute('data-player-state', 'ready');
    }
  }, true);
});
)JS";

const char* const ProgressScript = R"JS(
function quillmothProgress(done, total) {
  var bar = document.getElementById('bar');
  var detail = document.getElementById('detail');
  if (total > 0) {
    bar.max = total;
    bar.value = Math.min(done, total);
    detail.textContent =
        detail.dataset.percent.replace('%1', Math.floor(100 * Math.min(done, total) / total));
  } else {
    bar.removeAttribute('value');
    detail.textContent = '';
  }
}
)JS";

// Text for an HTML element or a quoted attribute value.
std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The page's words in the user's language; the markup put in for %1 stays as it is.
std::string said(const char* english) {
    return QCoreApplication::translate("PlayerPage", english).toStdString();
}

std::string said(const char* english, const std::string& markup) {
    return QCoreApplication::translate("PlayerPage", english)
        .arg(QString::fromStdString(markup))
        .toStdString();
}

// title is escaped here; head script and body are markup.
std::string page(const std::string& title, const std::string& script, const std::string& body) {
    std::string text = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>";
    text += escaped(title);
    text += "</title><style>";
    text += PageStyle;
    text += "</style>";
    if (!script.empty()) {
        text += "<script>";
        text += script;
        text += "</script>";
    }
    text += "</head><body>\n";
    text += body;
    text += "\n</body></html>";
    return text;
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool keptInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string extensionOf(const std::string& path) {
    const std::string ext = fs::path(path).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

// A SubRip file larger than this is no subtitle file and is not read.
constexpr qint64 MaxSrtBytes = qint64{16} << 20;
// Where converted SubRip goes: beside the page, named by content, so that a
// file of an earlier page is never taken for it.
const char* const ConvertedPrefix = "player-";
const char* const ConvertedSuffix = ".vtt";

// "pt-BR" -> "pt".
std::string primaryLanguage(const std::string& code) {
    return lowered(code.substr(0, code.find_first_of("-_")));
}

// A language's name in itself, as most of its locales name it ("English",
// not "American English"), its first letter made a capital.
QString nativeName(QLocale::Language language) {
    QMap<QString, int> votes;
    for (const QLocale& locale :
         QLocale::matchingLocales(language, QLocale::AnyScript, QLocale::AnyTerritory))
        ++votes[locale.nativeLanguageName()];
    QString best;
    for (auto it = votes.cbegin(); it != votes.cend(); ++it)
        if (!it.key().isEmpty() && (best.isEmpty() || it.value() > votes.value(best)))
            best = it.key();
    return best.isEmpty() ? best : QLocale(language).toUpper(best.left(1)) + best.mid(1);
}

// A track's language as its name in that language ("Deutsch",
// "Português (Brasil)"); the code itself for one nobody knows.
std::string labelOf(const std::string& code) {
    if (code.empty())
        return said(QT_TRANSLATE_NOOP("PlayerPage", "Subtitles"));
    QString tag = QString::fromStdString(code);
    tag.replace(QLatin1Char('_'), QLatin1Char('-'));
    const QLocale locale(tag);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return code;
    QString name = nativeName(locale.language());
    if (name.isEmpty())
        return code;
    // A region only where the code names one ("en-GB", not "en").
    const QString region = tag.section(QLatin1Char('-'), 1, 1);
    if (region.size() == 2 || (region.size() == 3 && region.front().isDigit()))
        if (const QString territory = locale.nativeTerritoryName(); !territory.isEmpty())
            name += QStringLiteral(" (") + territory + QLatin1Char(')');
    return name.toStdString();
}

// The converted file's address, or empty when it could not be read or written.
std::string convertedSrt(const std::string& srt, const std::string& folder) {
    QFile in(QString::fromStdString(srt));
    if (in.size() > MaxSrtBytes || !in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = in.read(MaxSrtBytes);
    const std::string vtt = SrtToVtt::convert(std::string_view(bytes.constData(), bytes.size()));
    char name[32];
    std::snprintf(name, sizeof name, "%016zx", std::hash<std::string>{}(vtt));
    const std::string path = folder + ConvertedPrefix + name + ConvertedSuffix;
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(vtt.data(), static_cast<qint64>(vtt.size())) != static_cast<qint64>(vtt.size()) ||
        !out.commit())
        return {};
    return path;
}

// SubRip converted for earlier pages.
void removeConverted(const std::string& folder) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (name.starts_with(ConvertedPrefix) && name.ends_with(ConvertedSuffix)) {
            std::error_code ignored;
            fs::remove(entries->path(), ignored);
        }
    }
}

} // namespace

std::string PlayerPage::fileUrl(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    const std::string full = error ? path : absolute.string();

    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    if (full.empty() || full.front() != '/')
        url += '/';
    for (unsigned char c : full) {
        if (keptInUrl(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0x0F];
        }
    }
    return url;
}

std::string PlayerPage::mediaPath(const std::string& title, const std::string& folder,
                                  const std::string& type) {
    return withSlash(folder) + title + "." + type;
}

std::string PlayerPage::writeFor(const std::string& media, const std::string& dataFolder,
                                 const std::string& name, const std::string& original) {
    const std::string type = lowered(extensionOf(media));
    const bool video = type != "flv" && !MediaFormat::ofExtension(type).audio;
    std::string tracks;
    if (!dataFolder.empty()) {
        std::error_code error;
        fs::create_directories(dataFolder, error);
        removeConverted(withSlash(dataFolder));
        if (video)
            tracks = subtitleTracks(original.empty() ? media : original, withSlash(dataFolder));
    }
    return writePage(
        dataFolder,
        playerPage(media, name.empty() ? fs::path(media).filename().string() : name, tracks));
}

std::string PlayerPage::subtitleTracks(const std::string& movie, const std::string& dataFolder) {
    struct Shown {
        std::string address, language, label, named;
    };
    std::vector<Shown> shown;
    for (const SubtitleFiles::Track& track : SubtitleFiles::beside(movie)) {
        const std::string path = track.srt ? convertedSrt(track.path, dataFolder) : track.path;
        if (path.empty())
            continue;
        const std::string named = labelOf(track.language);
        // Two files of one language: each its own entry in the menu.
        const auto same = std::count_if(shown.begin(), shown.end(), [&](const Shown& earlier) {
            return earlier.named == named;
        });
        shown.push_back({fileUrl(path), track.language,
                         same == 0 ? named : named + " (" + std::to_string(same + 1) + ")", named});
    }
    const std::string window = primaryLanguage(QLocale().name().toStdString());
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (!shown[i].language.empty() && primaryLanguage(shown[i].language) == window) {
            chosen = i;
            break;
        }
    std::string tracks;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        tracks += "<track kind=\"subtitles\" src=\"" + shown[i].address + "\"";
        if (!shown[i].language.empty())
            tracks += " srclang=\"" + escaped(shown[i].language) + "\"";
        tracks += " label=\"" + escaped(shown[i].label) + "\"";
        tracks += i == chosen ? " default>" : ">";
    }
    return tracks;
}

std::string PlayerPage::playerPage(const std::string& media, const std::string& name,
                                   const std::string& tracks) {
    const std::string type = extensionOf(media);
    if (lowered(type) == "flv") {
        // The pane cannot decode FLV; the program hands it playable copies,
        // so this means something went wrong on the way.
        return page(name, {},
                    "<div id=\"container\" data-player-state=\"unsupported\"><p>" +
                        said(QT_TRANSLATE_NOOP("PlayerPage",
                                               "\"%1\" is an FLV file, which this player cannot "
                                               "play. Convert it to MP3 from the Transfers tab, or "
                                               "open it in another media player."),
                             escaped(name)) +
                        "</p></div>");
    }
    const bool music = MediaFormat::ofExtension(type).audio;
    const std::string element = music ? "audio" : "video";
    // The title above the player; an MP3's cover picture where it has one.
    // Over a movie, which keeps the whole pane, until it fades.
    std::string shown = std::string("<p id=\"title\"") + (music ? "" : " class=\"over\"") + ">" +
                        escaped(fs::path(name).stem().string()) + "</p>";
    if (music)
        if (const Mp3Cover::Picture cover = Mp3Cover::read(media); !cover.type.empty())
            shown += "<img id=\"cover\" alt=\"\" src=\"data:" + cover.type + ";base64," +
                     QByteArray::fromStdString(cover.bytes).toBase64().toStdString() + "\">";
    return page(
        name, PlayerScript,
        "<div id=\"container\" data-player-state=\"loading\">" + shown + "<" + element +
            " controls autoplay src=\"" + fileUrl(media) + "\">" + tracks + "</" + element +
            "><template id=\"failed\"><p>" +
            said(QT_TRANSLATE_NOOP("PlayerPage", "\"%1\" could not be played."), escaped(name)) +
            "</p></template></div>");
}

std::string PlayerPage::preparingPage(const std::string& name) {
    // The percentage as the window's rows write it (the same translation).
    const std::string percent =
        QCoreApplication::translate("PercentText", QT_TRANSLATE_NOOP("PercentText", "%1%"))
            .toStdString();
    return page(said(QT_TRANSLATE_NOOP("PlayerPage", "Preparing…")), ProgressScript,
                "<div id=\"container\" data-player-state=\"preparing\"><div>" +
                    said(QT_TRANSLATE_NOOP("PlayerPage", "Preparing %1 for playback…"),
                         "<b id=\"name\">" + escaped(name) + "</b>") +
                    "</div><progress id=\"bar\"></progress><div id=\"detail\" data-percent=\"" +
                    escaped(percent) + "\"></div></div>");
}

std::string PlayerPage::progressScript(double done, double total) {
    // Numbers only reach the page, written the same whatever the locale.
    const auto number = [](double value) {
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, std::isfinite(value) ? value : 0.0,
                                       std::chars_format::fixed, 2);
        return std::string(text, end.ec == std::errc() ? end.ptr : text);
    };
    return "typeof quillmothProgress === 'function' && quillmothProgress(" + number(done) + ", " +
           number(total) + ");";
}

std::string PlayerPage::failurePage(const std::string& name, const std::string& reason) {
    return page(name, {},
                "<div id=\"container\" data-player-state=\"failed\"><p>" +
                    said(QT_TRANSLATE_NOOP("PlayerPage", "%1 cannot be played."), escaped(name)) +
                    "</p><p>" + escaped(reason) + "</p></div>");
}

std::string PlayerPage::writePage(const std::string& dataFolder, const std::string& text) {
    if (dataFolder.empty())
        return {};
    const std::string path = withSlash(dataFolder) + "player.html";
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    // A page that cannot be written has no address: showing an older page
    // under it would play the wrong file.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    const QByteArray bytes = QByteArray::fromStdString(text + '\n');
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {};
    return path;
}
