#include "DownloadItems.h"

#include <utility>

DownloadItems::DownloadItems(int id, int listID, std::string title, std::string status,
                             QProgressBar* pb)
    : id(id), title(std::move(title)), mp3Title(this->title), status(std::move(status)),
      listID(listID), pb(pb) {}
