// The window under a German desktop: its own texts, the engine's and its figures.
#include "WindowFixture.h"

#include "ConvertJob.h"
#include "EngineTexts.h"
#include "JobReporter.h"
#include "RateText.h"
#include "Translations.h"

#include <QMenuBar>

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
    EXPECT_EQ(tabs()->tabText(2), QStringLiteral("Übertragungen"));
    EXPECT_EQ(window->menuBar()->actions().value(0)->text(), QStringLiteral("&Datei"));
    EXPECT_EQ(transferList()->model()->headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Geschwindigkeit"));
    EXPECT_EQ(EngineTexts::translated("Downloading... [Patience]"),
              QStringLiteral("Wird heruntergeladen … [Geduld]"));
    EXPECT_EQ(EngineTexts::translated(JobReporter::cancelledText), QStringLiteral("Abgebrochen."));
    EXPECT_EQ(EngineTexts::translated(ConvertJob::failedText),
              QStringLiteral("Fehler: Umwandlung in MP3 fehlgeschlagen."));
    EXPECT_EQ(RateText::rate(2.4e6), QStringLiteral("2,4 MB/s"));
    EXPECT_EQ(RateText::timeLeft(std::chrono::seconds(42)), QStringLiteral("noch 0:42"));
}

TEST(Translations, EnglishDesktopKeepsTheEnglishTexts) {
    const QLocale before;
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    QLocale::setDefault(american);
    const Translations english(american);
    EXPECT_TRUE(english.language().isEmpty());
    EXPECT_EQ(EngineTexts::translated(JobReporter::cancelledText), QStringLiteral("Cancelled."));
    EXPECT_EQ(RateText::rate(2.4e6), QStringLiteral("2.4 MB/s"));
    QLocale::setDefault(before);
}
