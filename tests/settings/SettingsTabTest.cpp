// The Settings tab page: its control tree.
#include "SettingsFixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

TEST_F(SettingsFixture, TabHoldsEveryControlByNameAndText) {
    start();
    QWidget* tabPage = page();
    ASSERT_NE(tabPage, nullptr);
    EXPECT_EQ(tabPage->objectName(), "tabPage5");

    QStringList order;
    for (QObject* child : tabPage->children())
        if (child->isWidgetType())
            order << child->objectName();
    EXPECT_EQ(order,
              QStringList({"groupBox4", "groupBox3", "groupBox2", "groupBox1", "saveSettingsBtn"}));

    const struct {
        const char* box;
        const char* title;
    } boxes[] = {{"groupBox1", "Downloads"},
                 {"groupBox2", "Quality"},
                 {"groupBox3", "Library"},
                 {"groupBox4", "Conversion"}};
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
        {"groupBox1", "label4", "Save movie files in"},
        {"groupBox1", "movieBrowseBtn", "Browse"},
        {"groupBox1", "label5", "Save mp3 files in"},
        {"groupBox1", "mp3BorwseButton", "Browse"},
        {"groupBox1", "notifyCheck", "Notify me when a transfer ends"},
        {"groupBox2", "radioButton1", "Highest (MP4)"},
        {"groupBox2", "radioButton2", "High"},
        {"groupBox2", "radioButton3", "Medium"},
        {"groupBox2", "radioButton4", "Low (Fastest - Recommended for mp3 conversion)"},
        {"groupBox3", "movieCheck", "Movies"},
        {"groupBox3", "mp3Check", "Music"},
        {"groupBox4", "autoCheck", "Automatically convert downloaded movies to mp3."},
    };
    for (const auto& entry : texts) {
        QObject* found = findControlPath(tabPage, {entry.box, entry.name});
        ASSERT_NE(found, nullptr) << entry.name;
        EXPECT_EQ(found->property("text").toString(), entry.text) << entry.name;
    }
    EXPECT_NE(control<QLineEdit>("groupBox1", "movieTextSave"), nullptr);
    EXPECT_NE(control<QLineEdit>("groupBox1", "mp3SaveText"), nullptr);
    auto* save = findControlAs<QPushButton>(tabPage, "saveSettingsBtn");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "Save Settings");

    // The four radio buttons exclude each other.
    button("groupBox2", "radioButton1")->click();
    EXPECT_TRUE(button("groupBox2", "radioButton1")->isChecked());
    EXPECT_FALSE(button("groupBox2", "radioButton4")->isChecked());
}
