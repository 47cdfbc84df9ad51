#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// The My Library rows: the media files of the two download folders and of
// every folder the program saved into before, movies and music each listed
// only when the user wants them, and the files transfers saved since. Each
// row shows its title, type, folder, size and time of change; SortRole gives
// the value a column sorts on (bytes, a time, the text), never its display.
class Library : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, TypeColumn, FolderColumn, SizeColumn, ModifiedColumn, ColumnCount };
    // The folder of the row's file.
    static constexpr int FolderRole = Qt::UserRole + 1;
    // The title as a search compares it (searchKey), made once per row.
    static constexpr int SearchKeyRole = Qt::UserRole + 2;
    // What a column sorts on: the size in bytes, the time in milliseconds
    // since the epoch, the text of the others.
    static constexpr int SortRole = Qt::UserRole + 3;

    explicit Library(QObject* parent = nullptr);

    // Which kinds of files are listed (the Settings tab's check boxes).
    void setShown(bool movies, bool music);
    // Whether files of this type are listed now.
    bool shows(const std::string& type) const;
    void clear();
    // mp3 files of the mp3 folder, then the movie folder's files of every
    // other format a download is saved as, then the media of each earlier
    // folder that is neither.
    void listFolders(const std::string& moviePath, const std::string& mp3Path,
                     const std::vector<std::string>& earlier = {});
    // Appends the row of one file unless its kind is hidden.
    void add(const std::string& title, const std::string& type, const std::string& folder);
    // The same for a file a transfer saved, unless the row is there already.
    void addOnce(const std::string& title, const std::string& type, const std::string& folder);

    // Path of the row's file, or an empty text.
    std::string mediaPath(int row) const;
    // The row of the file at path, or -1.
    int rowOf(const std::string& path) const;
    // The row's file went (to the trash).
    void removeFile(int row);
    // The row's file is now named title.type in its folder.
    void renameFile(int row, const std::string& title);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString title;
        QString type;
        QString folder;
        // -1 and 0 while unknown.
        std::int64_t size = -1;
        std::int64_t modifiedMs = 0;
        // Made at the first search, not for every file listed.
        mutable QString key;
    };
    static Row rowFor(const std::string& title, const std::string& type, const std::string& folder);
    // Appends the files directly in folder whose extension is one of
    // extensions, whatever its letter case, sorted by name within each.
    void listFolder(const std::string& folder, const std::vector<std::string>& extensions);
    void append(std::vector<Row> added);
    QVariant shown(const Row& row, int column) const;
    QVariant sortValue(const Row& row, int column) const;

    std::vector<Row> rows;
    bool showMovies = true;
    bool showMusic = true;
};
