#pragma once

#include <string>

class QTreeWidget;

// Fills the library list with the media files of the two download folders,
// movies and music each shown only when the user wants them listed, and
// turns a row into the file it stands for or the address of its folder.
class Library {
public:
    // The list belongs to the window; it must outlive this object.
    explicit Library(QTreeWidget* view);

    // Which kinds of files the list shows (the Settings tab's check boxes).
    void setShown(bool movies, bool music);
    void clear();
    // mp3 files of the mp3 folder, then flv and mp4 files of the movie folder.
    void show(const std::string& moviePath, const std::string& mp3Path);
    // Appends one row per file of the folder matching the pattern ("*.ext").
    void helpShow(const std::string& folder, const std::string& pattern);
    // Appends the row of one file unless its kind is hidden.
    void add(const std::string& title, const std::string& type, const std::string& folder);
    // The same for a file a transfer saved, unless the row is there already.
    void addOnce(const std::string& title, const std::string& type, const std::string& folder);

    // Path of the row's file, or an empty text.
    std::string mediaPath(int row) const;
    // Whether files of this type are listed now.
    bool shows(const std::string& type) const;

private:
    // The row exists and carries its folder (rows of transfers and of disk do).
    bool hasFolder(int row) const;
    QTreeWidget* view;
    bool showMovies = true;
    bool showMusic = true;
};
