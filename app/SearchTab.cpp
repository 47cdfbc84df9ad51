#include "SearchTab.h"

#include "BrowserPane.h"
#include "SiteAddress.h"
#include "Text.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

const char* const SearchTab::Instructions =
    "1. Search for the video you want.\n\n2. When you are on the page that's playing your video "
    "the title will appear.\n\n3. Click Download.";

SearchTab::SearchTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabPage2"));
    splitContainer1 = new QSplitter(Qt::Horizontal, this);
    splitContainer1->setObjectName(QStringLiteral("splitContainer1"));
    splitContainer1->setHandleWidth(5);
    splitContainer1->addWidget(buildLeftPane());
    splitContainer1->addWidget(buildRightPane());
    splitContainer1->setStretchFactor(1, 1);
    splitContainer1->setSizes({155, 645});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitContainer1);

    connect(button1, &QPushButton::clicked, this, &SearchTab::button1_Click);
    // A line edit never takes a line break; Enter arrives as returnPressed.
    connect(textBox1, &QLineEdit::returnPressed, this, &SearchTab::textBox1_KeyPress);
    connect(webBrowser2, &BrowserPane::navigated, this, &SearchTab::webBrowser2_Navigated);
}

QWidget* SearchTab::buildLeftPane() {
    auto* pane = new QWidget;
    titleText = new QLineEdit(QStringLiteral("Title"), pane);
    titleText->setObjectName(QStringLiteral("titleText"));
    titleText->setMaxLength(256);
    downloadBtn = new QPushButton(QStringLiteral("Download"), pane);
    downloadBtn->setObjectName(QStringLiteral("downloadBtn"));
    downloadBtn->setFixedSize(129, 36);
    label2 = new QLabel(wide(Instructions), pane);
    label2->setObjectName(QStringLiteral("label2"));
    label2->setWordWrap(true);
    label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(titleText);
    layout->addWidget(downloadBtn);
    layout->addWidget(label2, 1);
    return pane;
}

QWidget* SearchTab::buildRightPane() {
    auto* pane = new QWidget;
    button1 = new QPushButton(QStringLiteral("Go"), pane);
    button1->setObjectName(QStringLiteral("button1"));
    QFont small = button1->font();
    small.setPixelSize(12);
    button1->setFont(small);
    textBox1 = new QLineEdit(SiteAddress::searchAddress(), pane);
    textBox1->setObjectName(QStringLiteral("textBox1"));
    webBrowser2 = new BrowserPane(pane);
    webBrowser2->setObjectName(QStringLiteral("webBrowser2"));

    auto* layout = new QGridLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(button1, 0, 0);
    layout->addWidget(textBox1, 0, 1);
    layout->addWidget(webBrowser2, 1, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
    return pane;
}

void SearchTab::button1_Click() {
    webBrowser2->navigate(textBox1->text());
}

void SearchTab::textBox1_KeyPress() {
    webBrowser2->navigate(textBox1->text());
}

void SearchTab::webBrowser2_Navigated() {
    // The HTML arrives later on this thread; the tab may be gone by then.
    QPointer<SearchTab> self(this);
    webBrowser2->documentHtml([self](const QString& html) {
        if (!self)
            return;
        if (self->titleFinder)
            self->titleFinder(narrow(html));
        emit self->pageRead();
    });
    textBox1->setText(webBrowser2->currentAddress());
}
