#pragma once

#include <string>

class QTreeWidget;

// Fills the library list with the media files of the two download folders
// and turns a row's folder into an address for the Home pane.
class Library {
public:
    // The list belongs to the window; it must outlive this object.
    explicit Library(QTreeWidget* view);

    // mp3 files of the mp3 folder, then flv and mp4 files of the movie folder.
    void show(const std::string& moviePath, const std::string& mp3Path);
    // Appends one row per file of the folder matching the pattern ("*.ext").
    void helpShow(const std::string& folder, const std::string& pattern);
    // Sets Medias::loc to the folder of the row, when the row has one.
    void showFileFolder(int row);

private:
    QTreeWidget* view;
};
