#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <string>
#include <vector>

// The My Library rows: the media files of the two download folders, movies
// and music each listed only when the user wants them, and the files
// transfers saved since. Shows a title and a type column; a row's folder is
// data of the row (FolderRole), not a column.
class Library : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, TypeColumn, ColumnCount };
    // The folder of the row's file.
    static constexpr int FolderRole = Qt::UserRole + 1;
    // The title as a search compares it (searchKey), made once per row.
    static constexpr int SearchKeyRole = Qt::UserRole + 2;

    explicit Library(QObject* parent = nullptr);

    // Which kinds of files are listed (the Settings tab's check boxes).
    void setShown(bool movies, bool music);
    // Whether files of this type are listed now.
    bool shows(const std::string& type) const;
    void clear();
    // mp3 files of the mp3 folder, then the movie folder's files of every
    // other format a download is saved as.
    void listFolders(const std::string& moviePath, const std::string& mp3Path);
    // Appends the row of one file unless its kind is hidden.
    void add(const std::string& title, const std::string& type, const std::string& folder);
    // The same for a file a transfer saved, unless the row is there already.
    void addOnce(const std::string& title, const std::string& type, const std::string& folder);

    // Path of the row's file, or an empty text.
    std::string mediaPath(int row) const;

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
        // Made at the first search, not for every file listed.
        mutable QString key;
    };
    // Appends the files directly in folder whose extension is extension,
    // whatever its letter case, sorted by name.
    void listFolder(const std::string& folder, const std::string& extension);
    void append(std::vector<Row> added);

    std::vector<Row> rows;
    bool showMovies = true;
    bool showMusic = true;
};
