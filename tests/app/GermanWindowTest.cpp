// The window under a German desktop: its own texts, the engine's and its figures.
#include "WindowFixture.h"

#include "app/desktop/Translations.h"
#include "app/window/HomeTab.h"
#include "app/window/TransfersTab.h"
#include "library/PlayerPage.h"
#include "toolkit/BrowserPane.h"
#include "transfers/PercentText.h"
#include "transfers/RateText.h"
#include "transfers/ReasonTexts.h"

#include <QAction>
#include <QMenuBar>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

class GermanWindowTest : public WindowTest {
protected:
    void SetUp() override {
        QLocale::setDefault(german);
        translations = std::make_unique<Translations>(german);
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        translations.reset();
        QLocale::setDefault(before);
    }

    const QLocale before;
    const QLocale german{QLocale::German, QLocale::Germany};
    std::unique_ptr<Translations> translations;
};

} // namespace

TEST_F(GermanWindowTest, ShowsGermanTextsAndDecimalCommas) {
    ASSERT_EQ(translations->language().left(2), QStringLiteral("de"));
    EXPECT_EQ(tabs()->tabText(2).remove(QLatin1Char('&')), QStringLiteral("Übertragungen"));
    EXPECT_EQ(window->menuBar()->actions().value(0)->text(), QStringLiteral("&Datei"));
    EXPECT_EQ(transferList()->model()->headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Geschwindigkeit"));
    EXPECT_EQ(ReasonTexts::text(Reason::Downloading),
              QStringLiteral("Wird heruntergeladen … [Geduld]"));
    EXPECT_EQ(ReasonTexts::text(Reason::Cancelled), QStringLiteral("Abgebrochen."));
    EXPECT_EQ(ReasonTexts::text(Reason::ConversionFailed),
              QStringLiteral("Fehler: Umwandlung in MP3 fehlgeschlagen."));
    // What a notification says, and the player's words, moved into the table.
    EXPECT_EQ(ReasonTexts::cause(Reason::SaveFailed),
              QStringLiteral("Video konnte nicht gespeichert werden."));
    EXPECT_EQ(ReasonTexts::text(Reason::PlayerPageUnwritten, "/d"),
              QStringLiteral("Die Wiedergabeseite konnte nicht in /d geschrieben werden."));
    EXPECT_EQ(RateText::rate(2.4e6), QStringLiteral("2,4 MB/s"));
    EXPECT_EQ(RateText::timeLeft(std::chrono::seconds(42)), QStringLiteral("noch 0:42"));
    // One way of writing a percentage; the menus' keys named in German;
    // Clear says that the file stays.
    EXPECT_EQ(PercentText::of(54), QStringLiteral("54\u00A0%"));
    EXPECT_NE(PlayerPage::preparingPage("Clip").find("\"%1\u00A0%\""), std::string::npos);
    TransfersTab* tab = window->transfersTab();
    EXPECT_EQ(tab->playAction()->shortcut().toString(QKeySequence::NativeText),
              QStringLiteral("Eingabe"));
    EXPECT_EQ(tab->clearAction()->text(), QStringLiteral("Aus der &Liste entfernen"));
    // The web engine's own menus, and the Home pane asks the site for German.
    EXPECT_EQ(QCoreApplication::translate("RenderViewContextMenuQt", "Back"),
              QStringLiteral("Zurück"));
    EXPECT_EQ(window->homeTab()->browser()->page()->profile()->httpAcceptLanguage().left(3),
              QStringLiteral("de,"));
    // The help comes in German too.
    window->findChild<QAction*>("helpContentsAction")->trigger();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return requestedAddress(window->homeTab()->browser()).ends_with("/quillmoth_de.html");
        },
        10000));
}

TEST(Translations, EnglishDesktopKeepsTheEnglishTexts) {
    const QLocale before;
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    QLocale::setDefault(american);
    const Translations english(american);
    EXPECT_TRUE(english.language().isEmpty());
    EXPECT_EQ(Translations::acceptLanguage().section(',', 0, 0), QStringLiteral("en"));
    EXPECT_EQ(ReasonTexts::text(Reason::Cancelled), QStringLiteral("Cancelled."));
    EXPECT_EQ(RateText::rate(2.4e6), QStringLiteral("2.4 MB/s"));
    QLocale::setDefault(before);
}
