// Show in Folder: the file selected in the desktop's file manager, over a
// file manager of our own on a private bus, or else its folder opened.
#include "FileManager.h"
#include "PrivateBus.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "gui/UrlCatcher.h"

#include <QDBusConnection>
#include <QTest>

#include <gtest/gtest.h>

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

TEST(FileManager, SelectsTheFileInTheDesktopsFileManagerOrOpensItsFolder) {
    PrivateBus bus;
    ASSERT_TRUE(bus.ready());
    const QString address = QString::fromStdString(bus.address());
    QDBusConnection client = QDBusConnection::connectToBus(address, "file-manager-client");
    QDBusConnection service = QDBusConnection::connectToBus(address, "file-manager-service");
    ASSERT_TRUE(client.isConnected() && service.isConnected());

    TempFolder folder;
    const QString path = QString::fromStdString(folder.path().string() + "/My #1 clip?.flv");
    testfiles::writeFile(path.toStdString(), "x");
    const QUrl folderUrl = QUrl::fromLocalFile(QString::fromStdString(folder.path().string()));
    UrlCatcher desktop("file");
    FileManager files(client);

    // No file manager on the bus: the folder opens.
    files.showItem(path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !desktop.urls.isEmpty(); }, 60000));
    EXPECT_EQ(desktop.urls, QList<QUrl>({folderUrl}));

    // With one, the file is shown selected and nothing else opens; a file
    // that is gone opens its folder.
    FakeFileManager fake;
    ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &fake,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
    files.showItem(path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fake.shown.isEmpty(); }, 60000));
    EXPECT_EQ(fake.shown, QStringList({QUrl::fromLocalFile(path).toString()}));
    files.showItem(QString::fromStdString(folder.path().string() + "/gone.flv"));
    EXPECT_EQ(desktop.urls, QList<QUrl>({folderUrl, folderUrl}));
    EXPECT_EQ(fake.shown.size(), 1);

    service.unregisterService("org.freedesktop.FileManager1");
    QDBusConnection::disconnectFromBus("file-manager-service");
    QDBusConnection::disconnectFromBus("file-manager-client");
}

#include "FileManagerTest.moc"
