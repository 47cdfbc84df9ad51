#pragma once

#include "app/search/BrowserCookies.h"

#include <QObject>

#include <memory>
#include <string>

class QWebEngineProfile;
struct FetchBounds;

// The Search pane's browser profile: named and kept on disk in the data
// folder, so that a user who logs in to a site once stays logged in, and
// the cookies it holds mirrored for the downloads of its pages. Must
// outlive every page shown with it. Window thread only.
class SearchProfile : public QObject {
    Q_OBJECT
public:
    // storageFolder: where the profile keeps its cookies and storage.
    explicit SearchProfile(const QString& storageFolder, QObject* parent = nullptr);
    ~SearchProfile() override;

    QWebEngineProfile* profile() const { return webProfile.get(); }
    const BrowserCookies& cookies() const { return *mirror; }

    // What the browser would send with requests for pageUrl: its user
    // agent, the cookies for the page's host.
    void identify(const std::string& pageUrl, FetchBounds& bounds) const;

signals:
    // Once: the profile's stored cookies are in, or the wait for them is over.
    void settled();

private:
    std::unique_ptr<QWebEngineProfile> webProfile;
    BrowserCookies* mirror; // owned by this
};
