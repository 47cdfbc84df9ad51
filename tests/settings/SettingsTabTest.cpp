// The Settings tab page: its control tree, and its save.
#include "SettingsFixture.h"

#include "support/TestFiles.h"
#include "toolkit/MessageBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTest>

#include <fstream>
#include <vector>

TEST_F(SettingsFixture, TabHoldsEveryControlByNameAndText) {
    start();
    QWidget* tabPage = page();
    ASSERT_NE(tabPage, nullptr);
    EXPECT_EQ(tabPage->objectName(), "settingsTab");

    // The groups sit in a scroll area (a small screen), Save below it.
    QWidget* groups = findControlAs<QWidget>(tabPage, "downloadsGroup")->parentWidget();
    QStringList order;
    for (QObject* child : groups->children())
        if (child->isWidgetType())
            order << child->objectName();
    EXPECT_EQ(order,
              QStringList({"conversionGroup", "libraryGroup", "qualityGroup", "downloadsGroup"}));
    EXPECT_EQ(findControlAs<QPushButton>(tabPage, "saveButton")->parentWidget(), tabPage);

    const struct {
        const char* box;
        const char* title;
    } boxes[] = {{"downloadsGroup", "Downloads"},
                 {"qualityGroup", "Quality"},
                 {"libraryGroup", "Library"},
                 {"conversionGroup", "Conversion"}};
    for (const auto& box : boxes) {
        auto* group = findControlAs<QGroupBox>(tabPage, box.box);
        ASSERT_NE(group, nullptr) << box.box;
        EXPECT_EQ(group->title(), box.title);
    }

    const struct {
        const char* box;
        const char* name;
        const char* text;
    } texts[] = {
        {"downloadsGroup", "movieFolderLabel", "Save movie files in"},
        {"downloadsGroup", "movieBrowseButton", "Browse"},
        {"downloadsGroup", "musicFolderLabel", "Save mp3 files in"},
        {"downloadsGroup", "musicBrowseButton", "Browse"},
        {"downloadsGroup", "notifyBox", "Notify me when a transfer ends"},
        {"qualityGroup", "qualityHighest", "Highest (MP4)"},
        {"qualityGroup", "qualityHigh", "High"},
        {"qualityGroup", "qualityMedium", "Medium"},
        {"qualityGroup", "qualityLow", "Low (Fastest - Recommended for mp3 conversion)"},
        {"libraryGroup", "showMoviesBox", "Movies"},
        {"libraryGroup", "showMusicBox", "Music"},
        {"conversionGroup", "autoConvertBox", "Automatically convert downloaded movies to mp3."},
    };
    for (const auto& entry : texts) {
        QObject* found = findControlPath(tabPage, {entry.box, entry.name});
        ASSERT_NE(found, nullptr) << entry.name;
        EXPECT_EQ(found->property("text").toString().remove('&'), entry.text) << entry.name;
    }
    EXPECT_NE(control<QLineEdit>("downloadsGroup", "movieFolderBox"), nullptr);
    EXPECT_NE(control<QLineEdit>("downloadsGroup", "musicFolderBox"), nullptr);
    auto* save = findControlAs<QPushButton>(tabPage, "saveButton");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text().remove('&'), "Save Settings");

    // The four radio buttons exclude each other.
    button("qualityGroup", "qualityHighest")->click();
    EXPECT_TRUE(button("qualityGroup", "qualityHighest")->isChecked());
    EXPECT_FALSE(button("qualityGroup", "qualityLow")->isChecked());
}

// Every control has a key of its own: its "&" letter or its label's (the
// rate goes with its check box).
TEST_F(SettingsFixture, EveryControlHasAnAccessKeyOfItsOwn) {
    start();
    QMap<QWidget*, QString> keys;
    for (QAbstractButton* button : page()->findChildren<QAbstractButton*>())
        keys[button] = QKeySequence::mnemonic(button->text()).toString();
    for (QLabel* label : page()->findChildren<QLabel*>())
        keys[label->buddy()] = QKeySequence::mnemonic(label->text()).toString();
    keys.remove(nullptr);
    const QList<QWidget*> boxes{page()->movieFolderBox(), page()->musicFolderBox(),
                                page()->maxRunningBox()};
    for (QWidget* box : boxes)
        EXPECT_TRUE(keys.contains(box)) << box->objectName().toStdString();
    const QStringList all = keys.values();
    EXPECT_FALSE(all.contains(QString())) << all.join(' ').toStdString();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), all.size())
        << all.join(' ').toStdString();
}

// Limit download speed: off, or a rate in kB/s that is kept while off.
TEST_F(SettingsFixture, SpeedLimitIsABoxAndARate) {
    start();
    QCheckBox* limit = page()->speedLimitBox();
    QSpinBox* rate = page()->speedLimitRateBox();
    ASSERT_EQ(control<QCheckBox>("downloadsGroup", "speedLimitBox"), limit);
    EXPECT_EQ(limit->text(), "&Limit download speed");
    EXPECT_TRUE(
        control<QLabel>("downloadsGroup", "speedLimitNote")->text().contains("(HLS, DASH)"));
    EXPECT_FALSE(limit->isChecked());
    EXPECT_FALSE(rate->isEnabled());

    limit->click();
    EXPECT_TRUE(rate->isEnabled());
    EXPECT_TRUE(saveEnabled());
    page()->setSaveEnabled(false);
    rate->setValue(750);
    EXPECT_TRUE(saveEnabled()) << "a new rate is a change too";
    ASSERT_TRUE(save());
    EXPECT_EQ(store->load().speedLimit, 750);

    limit->click();
    EXPECT_EQ(page()->edited(settings).speedLimit, 0);
    page()->display(settings);
    EXPECT_TRUE(limit->isChecked());
    EXPECT_EQ(rate->value(), 750);
    EXPECT_FALSE(saveEnabled());

    // Saved off, the rate is still there at the next start.
    limit->click();
    ASSERT_TRUE(save());
    EXPECT_EQ(store->load().speedLimit, 0);
    start();
    EXPECT_FALSE(page()->speedLimitBox()->isChecked());
    EXPECT_EQ(page()->speedLimitRateBox()->value(), 750);
}

// A save checks both folders before it hands the values to the owner.
TEST_F(SettingsFixture, SaveChecksBothFoldersFirst) {
    start();
    QStringList asked, said;
    QList<QMessageBox::StandardButton> answers;
    MessageBox::setAsker([&](const QString& text, QMessageBox::StandardButtons) {
        asked << text;
        return answers.isEmpty() ? QMessageBox::NoButton : answers.takeFirst();
    });
    MessageBox::setSink([&](const QString& text) { said << text; });
    std::vector<Settings> saved;
    page()->setSave([&](const Settings& wanted) {
        saved.push_back(wanted);
        return true;
    });
    QLineEdit* movieBox = page()->movieFolderBox();
    auto type = [](QLineEdit* box, const QString& text) {
        box->clear();
        QTest::keyClicks(box, text);
    };

    // A folder that does not exist is offered to be created.
    const QString missing = home.path() + "/new/films";
    type(movieBox, missing);
    answers << QMessageBox::No;
    page()->saveButton()->click();
    ASSERT_EQ(asked, QStringList({"The folder \"" + missing + "\" does not exist. Create it?"}));
    EXPECT_FALSE(QDir(missing).exists());
    EXPECT_TRUE(saveEnabled());
    EXPECT_TRUE(saved.empty());
    answers << QMessageBox::Yes;
    page()->saveButton()->click();
    EXPECT_TRUE(QDir(missing).exists());
    EXPECT_FALSE(saveEnabled());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].movieFolder, missing.toStdString());
    EXPECT_EQ(saved[0].musicFolder, settings.musicFolder);

    // A file in a folder's place, and no folder at all, are refused.
    const QString file = home.path() + "/not a folder";
    std::ofstream(file.toStdString()) << "x";
    type(movieBox, file);
    page()->saveButton()->click();
    type(movieBox, QString());
    page()->saveButton()->click();
    EXPECT_EQ(said, QStringList({"Error: The folder \"" + file +
                                     "\" cannot be written. Choose another folder.",
                                 "Error: Choose a folder for the downloads."}));
    EXPECT_TRUE(saveEnabled());
    EXPECT_EQ(saved.size(), 1u);

    // An owner that cannot save keeps the changes pending; Discard shows
    // what was saved last.
    page()->setSave([](const Settings&) { return false; });
    type(movieBox, home.path());
    page()->saveButton()->click();
    EXPECT_EQ(said.last(), "Error: Could not save the settings.");
    EXPECT_TRUE(saveEnabled());
    answers << QMessageBox::Discard;
    EXPECT_TRUE(page()->settle(false));
    EXPECT_EQ(movieBox->text(), missing);
    EXPECT_FALSE(saveEnabled());
    MessageBox::setAsker({});
    MessageBox::setSink({});
}

// Connections per transfer: 4 until saved otherwise, under a key of its own
// (every earlier save wrote "connections" as 1, which stays as it was).
TEST_F(SettingsFixture, ConnectionsPerTransferHaveAKeyOfTheirOwn) {
    QDir().mkpath(QString::fromStdString(dataFolder));
    const std::string ini = dataFolder + "quillmoth.ini";
    testfiles::writeFile(ini, "[transfers]\nconnections=1\n");
    start();
    QSpinBox* box = page()->connectionsBox();
    ASSERT_EQ(control<QSpinBox>("downloadsGroup", "connectionsBox"), box);
    EXPECT_EQ(box->value(), 4);
    EXPECT_EQ(box->minimum(), 1);
    EXPECT_EQ(box->maximum(), 16);
    box->setValue(9);
    EXPECT_TRUE(saveEnabled());
    ASSERT_TRUE(save());
    EXPECT_EQ(store->load().connectionsPerTransfer, 9);
    const std::string saved = testfiles::readFile(ini);
    EXPECT_NE(saved.find("connectionsPerTransfer=9"), std::string::npos);
    EXPECT_NE(saved.find("connections=1"), std::string::npos);
    testfiles::writeFile(ini, "[transfers]\nconnectionsPerTransfer=17\n");
    EXPECT_EQ(store->load().connectionsPerTransfer, 4) << "out of range";
}

// Save subtitle tracks: off until checked, its languages (empty: all) editable
// only while it is; kept in quillmoth.ini, a code that is none refused.
TEST_F(SettingsFixture, SubtitlesAreABoxAndTheirLanguages) {
    start();
    QStringList said;
    MessageBox::setSink([&](const QString& text) { said << text; });
    page()->setSave([&](const Settings& wanted) { return store->save(wanted); });
    auto* box = control<QCheckBox>("downloadsGroup", "saveSubtitlesBox");
    auto* languages = control<QLineEdit>("downloadsGroup", "subtitleLanguagesBox");
    ASSERT_TRUE(box == page()->saveSubtitlesBox() && languages == page()->subtitleLanguagesBox());
    EXPECT_EQ(box->text().remove('&'), "Save subtitle tracks");
    EXPECT_FALSE(box->isChecked() || languages->isEnabled());

    box->click();
    EXPECT_TRUE(languages->isEnabled());
    EXPECT_TRUE(saveEnabled());
    // A code that is none: said, nothing saved, the change still pending.
    QTest::keyClicks(languages, "en; de");
    page()->saveButton()->click();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith("Error: \"en; de\" is not a list of language codes."))
        << said[0].toStdString();
    EXPECT_TRUE(saveEnabled());
    EXPECT_FALSE(store->load().saveSubtitles);

    languages->clear();
    QTest::keyClicks(languages, " en , pt-BR ");
    page()->saveButton()->click();
    EXPECT_EQ(said.size(), 1);
    EXPECT_FALSE(saveEnabled());
    EXPECT_EQ(languages->text(), "en,pt-BR") << "as kept";
    EXPECT_EQ(readConfig(), defaultConfig()) << "config.dat keeps its six lines";
    const std::string ini = testfiles::readFile(store->iniPath());
    EXPECT_NE(ini.find("[subtitles]\nlanguages=\"en,pt-BR\"\nsave=true\n"), std::string::npos)
        << ini;
    start();
    EXPECT_TRUE(settings.saveSubtitles && page()->subtitleLanguagesBox()->isEnabled());
    EXPECT_EQ(settings.subtitleLanguages, "en,pt-BR");

    // Off, the languages wait for it to be turned on again; written by hand
    // without quotes they read the same.
    page()->setSave([&](const Settings& wanted) { return store->save(wanted); });
    page()->saveSubtitlesBox()->click();
    EXPECT_FALSE(page()->subtitleLanguagesBox()->isEnabled());
    page()->saveButton()->click();
    settings = store->load();
    EXPECT_TRUE(!settings.saveSubtitles && settings.subtitleLanguages == "en,pt-BR");
    testfiles::writeFile(store->iniPath(), "[subtitles]\nsave=true\nlanguages=de,fr\n");
    settings = store->load();
    EXPECT_TRUE(settings.saveSubtitles && settings.subtitleLanguages == "de,fr");
    MessageBox::setSink({});
}
