#include "BrowserPane.h"

#include <QApplication>
#include <QDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Chromium has no media-player plug-in: each such <embed> plays its source in
// an HTML5 audio element instead. The page's own text is left as written.
const char* const EmbedPlayerScript = R"JS(
(function () {
  var embeds = document.querySelectorAll('embed');
  for (var i = 0; i < embeds.length; ++i) {
    var embed = embeds[i];
    var type = (embed.getAttribute('type') || '').toLowerCase();
    if (type !== 'application/x-mplayer2')
      continue;
    var audio = document.createElement('audio');
    audio.controls = true;
    audio.autoplay = true;
    audio.setAttribute('data-stands-for', 'embed');
    audio.src = embed.getAttribute('src') || '';
    embed.parentNode.replaceChild(audio, embed);
    var playing = audio.play();
    if (playing && playing.catch)
      playing.catch(function () {});
  }
})();
)JS";

} // namespace

BrowserPane::BrowserPane(QWidget* parent) : QWebEngineView(parent) {
    QWebEngineScript script;
    script.setName(QStringLiteral("quillmoth-embed-player"));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(QString::fromUtf8(EmbedPlayerScript));
    page()->scripts().insert(script);

    connect(this, &QWebEngineView::loadFinished, this, [this](bool) { emit navigated(url()); });
}

void BrowserPane::navigate(const QString& address) {
    // Plain paths (the player page) and full addresses are both accepted.
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath());
    load(url);
}

QString BrowserPane::currentAddress() const {
    const QUrl address = url();
    return address.isEmpty() ? QString() : address.toString();
}

void BrowserPane::documentHtml(std::function<void(const QString& html)> receiver) {
    // The callback runs later on the window's thread.
    page()->toHtml([receiver = std::move(receiver)](const QString& html) {
        if (receiver)
            receiver(html);
    });
}

void BrowserPane::allowAutoplay(bool allow) {
    settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !allow);
}

void prepareWebEngineEnvironment() {
    if (geteuid() == 0) {
        const char* existing = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
        std::string flags = existing ? existing : "";
        if (flags.find("--no-sandbox") == std::string::npos) {
            if (!flags.empty())
                flags += ' ';
            flags += "--no-sandbox";
            setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
        }
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
