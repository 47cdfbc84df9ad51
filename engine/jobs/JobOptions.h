#pragma once

#include "files/ResumeState.h"
#include "http/FetchBounds.h"
#include "jobs/SourceRef.h"
#include "jobs/SubtitleChoice.h"

#include <cstddef>
#include <memory>
#include <string>

// Everything a job is asked to do: a DownloadJob all of it, a ConvertJob its
// title, folders, bit rate, and the page (for the MP3's tags and cover) with
// the bounds it is fetched within. The job keeps its own copy, so later
// settings changes do not reach a running job, but for the shared speed limit.
struct JobOptions : FetchBounds {
    std::string pageUrl;
    // File title; the job makes it safe as a file name (FileTitle::safe).
    // Empty: the page's headline, or "video" when it has none.
    std::string title;
    // 1 to 4: 4 takes the smallest stream, the others the largest.
    int quality = 4;
    // The user's language ("de", "en-GB"): a stream's sound in it is taken
    // among equals. Empty: the manifest's own order.
    std::string language;
    // The subtitle tracks saved beside the movie (TITLE.LANG.vtt).
    SubtitleChoice subtitles;
    // The page's source to save, from 1 in PageOffer's order, instead of the
    // quality's choice or the stream map; 0: the quality's choice.
    int source = 0;
    // The page source the transfer is bound to (picked in a list, or saved
    // by an earlier run): found again by its label, preferring the same
    // address among equal labels; gone, the job fails with SourceGone. An
    // empty label binds nothing: the quality's choice.
    SourceRef boundSource;
    // Folders without a trailing "/".
    std::string movieFolder = ".";
    std::string musicFolder = ".";
    bool convert = false;
    // ffmpeg's -ab for the MP3.
    std::string bitRate = "256k";

    // The part file to write the movie into and what it holds, to continue
    // it. An empty part file: a unique temporary name. A name that is not a
    // regular file of ours, or that another job holds, is never used: the
    // job takes a unique one and says which (JobEvent::Kind::Resumable).
    ResumeState resume;
    // How many connections one file may be fetched over, when its server
    // allows ranges and the file is large enough (FileInPieces).
    int connections = 1;
};
