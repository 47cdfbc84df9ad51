#include "app/search/SearchPage.h"

#include "app/search/RequestWatch.h"

#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

// What our scripts say on the console; a page saying the same only makes
// us read it again, or show a notice.
const QString ChangedMark = QStringLiteral("quillmoth:document-changed");
const QString ProtectedMark = QStringLiteral("quillmoth:protected-media");

QWebEngineScript script(const QString& name, const QString& source,
                        QWebEngineScript::InjectionPoint point, quint32 world) {
    QWebEngineScript made;
    made.setName(name);
    made.setSourceCode(source);
    made.setInjectionPoint(point);
    made.setWorldId(world);
    made.setRunsOnSubFrames(false);
    return made;
}

} // namespace

SearchPage::SearchPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), watch(new RequestWatch(this)) {
    setUrlRequestInterceptor(watch);
    // In a world of its own: the page's scripts cannot see or stop it.
    const QString observer =
        QStringLiteral("(function () {"
                       " var timer = null;"
                       " new MutationObserver(function () {"
                       "  clearTimeout(timer);"
                       "  timer = setTimeout(function () { console.info('%1'); }, %2);"
                       " }).observe(document, {childList: true, subtree: true, attributes: true,"
                       "  attributeFilter: ['src', 'content', 'type']});"
                       "})();")
            .arg(ChangedMark)
            .arg(settleMs);
    scripts().insert(script(QStringLiteral("quillmoth-observer"), observer,
                            QWebEngineScript::DocumentReady, QWebEngineScript::ApplicationWorld));
    // The key system request is the page's own call, so it is watched in the
    // page's world, before the page's scripts run.
    const QString keys = QStringLiteral("(function () {"
                                        " var asked = navigator.requestMediaKeySystemAccess;"
                                        " if (!asked) return;"
                                        " navigator.requestMediaKeySystemAccess = function () {"
                                        "  console.info('%1');"
                                        "  return asked.apply(navigator, arguments);"
                                        " };"
                                        "})();")
                             .arg(ProtectedMark);
    scripts().insert(script(QStringLiteral("quillmoth-keys"), keys,
                            QWebEngineScript::DocumentCreation, QWebEngineScript::MainWorld));
}

void SearchPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                          const QString& message, int line, const QString& source) {
    if (message == ChangedMark)
        emit documentChanged();
    else if (message == ProtectedMark)
        emit protectedMedia();
    else
        QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
}
