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
#include <QWebEnginePage>

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
    connect(webBrowser2, &QWebEngineView::loadStarted, this, &SearchTab::navigationStarted);
    connect(webBrowser2, &QWebEngineView::urlChanged, this, &SearchTab::shownUrlChanged);
    connect(titleText, &QLineEdit::textEdited, this, &SearchTab::titleTyped);
    updateDownload();
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

namespace {

QUrl pageOf(const QUrl& address) {
    return address.adjusted(QUrl::RemoveFragment);
}

} // namespace

void SearchTab::webBrowser2_Navigated() {
    // The HTML arrives later on this thread; the tab may be gone by then,
    // or another navigation may have started.
    QPointer<SearchTab> self(this);
    const unsigned started = navigation;
    const QUrl page = pageOf(webBrowser2->url());
    webBrowser2->documentHtml([self, started, page](const QString& html) {
        if (!self)
            return;
        // A load still going means this HTML may be another page's.
        const BrowserPane* browser = self->webBrowser2;
        if (started == self->navigation && !browser->page()->isLoading() &&
            page == pageOf(browser->url())) {
            // What the user typed for this page outranks what the page says.
            if (!self->typed && self->titleFinder)
                self->titleFinder(narrow(html));
            if (!self->typed && !self->titleText->text().isEmpty())
                self->titlePage = page;
            self->updateDownload();
        }
        emit self->pageRead();
    });
    textBox1->setText(webBrowser2->currentAddress());
}

void SearchTab::navigationStarted() {
    // A title shown during a navigation would be saved with the next video.
    ++navigation;
    titleText->clear();
    titlePage.clear();
    typed = false;
    updateDownload();
}

void SearchTab::shownUrlChanged(const QUrl& address) {
    const QUrl page = pageOf(address);
    if (page == shownPage)
        return;
    shownPage = page;
    if (titlePage != page)
        navigationStarted();
}

void SearchTab::titleTyped() {
    typed = true;
    titlePage = pageOf(webBrowser2->url());
    updateDownload();
}

void SearchTab::updateDownload() {
    const bool current = !titlePage.isEmpty() && titlePage == pageOf(webBrowser2->url());
    downloadBtn->setEnabled(current && !titleText->text().trimmed().isEmpty());
}
