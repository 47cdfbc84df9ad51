#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTest>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <string>

// What a player page shows, read from the page itself: the player's state
// (data-player-state of #container) and text, its first media element, and
// the document's scroll size against the viewport.
namespace pageprobe {

inline const char* const Script = R"JS(
(function () {
  var container = document.getElementById('container');
  var media = document.querySelector('video, audio');
  var root = document.scrollingElement || document.documentElement ||
      {scrollWidth: 0, scrollHeight: 0};
  var box = media ? media.getBoundingClientRect() : null;
  return JSON.stringify({
    state: container ? (container.getAttribute('data-player-state') || '') : '',
    text: container ? container.textContent : '',
    kind: media ? media.tagName.toLowerCase() : '',
    source: media ? media.currentSrc : '',
    error: media && media.error ? media.error.code : 0,
    duration: media && isFinite(media.duration) ? media.duration : 0,
    time: media ? media.currentTime : 0,
    paused: media ? media.paused : true,
    running: media ? (!media.paused && !media.ended && media.readyState >= 3) : false,
    ended: media ? media.ended : false,
    title: document.title,
    scrollWidth: root.scrollWidth,
    scrollHeight: root.scrollHeight,
    viewWidth: window.innerWidth,
    viewHeight: window.innerHeight,
    mediaWidth: box ? box.width : 0,
    mediaHeight: box ? box.height : 0,
    fit: media ? getComputedStyle(media).objectFit : ''
  });
})()
)JS";

// The page's report; empty when the page's document was replaced before it
// answered (a replaced document never answers), or after limitMs.
inline QJsonObject probe(QWebEnginePage* page, int limitMs = 20000) {
    // Shared with the callback, which may still come after we gave up.
    struct Answer {
        QJsonObject result;
        bool done = false;
    };
    auto answer = std::make_shared<Answer>();
    bool replaced = false;
    const auto started =
        QObject::connect(page, &QWebEnginePage::loadStarted, [&] { replaced = true; });
    const auto finished =
        QObject::connect(page, &QWebEnginePage::loadFinished, [&] { replaced = true; });
    page->runJavaScript(QString::fromUtf8(Script), [answer](const QVariant& value) {
        answer->result = QJsonDocument::fromJson(value.toString().toUtf8()).object();
        answer->done = true;
    });
    (void)QTest::qWaitFor([&] { return answer->done || replaced; }, limitMs);
    QObject::disconnect(started);
    QObject::disconnect(finished);
    return answer->result;
}

// Probes until done(report) holds or limit passes; the last report. The
// limit only bounds a hang: a busy machine takes its time.
template <typename Done> QJsonObject waitFor(QWebEnginePage* page, Done done, int limitMs = 60000) {
    QJsonObject seen;
    (void)QTest::qWaitFor(
        [&] {
            seen = probe(page);
            return done(seen);
        },
        limitMs);
    return seen;
}

// The media element has started playing and knows its duration.
inline bool playing(const QJsonObject& seen) {
    return seen.value("state").toString() == "playing" && seen.value("duration").toDouble() > 0;
}

// The media element plays, or has played to its end: its player says so and
// its time moves (or moved), however long a busy machine took to start it.
inline bool played(const QJsonObject& seen) {
    return playing(seen) && (seen.value("running").toBool() || seen.value("ended").toBool());
}

// The player has settled one way or the other.
inline bool settled(const QJsonObject& seen) {
    const QString state = seen.value("state").toString();
    return playing(seen) || state == "error" || state == "unsupported" || state == "failed";
}

// Nothing scrolls: the document is exactly as large as the viewport.
inline bool fits(const QJsonObject& seen) {
    return seen.value("viewWidth").toInt() > 0 &&
           seen.value("scrollWidth").toInt() == seen.value("viewWidth").toInt() &&
           seen.value("scrollHeight").toInt() == seen.value("viewHeight").toInt();
}

// The local file the page's media element plays.
inline std::string source(const QJsonObject& seen) {
    return QUrl(seen.value("source").toString()).toLocalFile().toStdString();
}

inline std::string text(const QJsonObject& seen) {
    return QJsonDocument(seen).toJson(QJsonDocument::Compact).toStdString();
}

// Loads a local page and waits for it; false when it failed or took over a minute.
inline bool load(QWebEngineView& view, const std::string& path) {
    bool finished = false, ok = false;
    const auto connection =
        QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool success) {
            finished = true;
            ok = success;
        });
    view.load(QUrl::fromLocalFile(QString::fromStdString(path)));
    (void)QTest::qWaitFor([&] { return finished; }, 60000);
    QObject::disconnect(connection);
    return ok;
}

} // namespace pageprobe
