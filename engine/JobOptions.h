#pragma once

#include "CurlHandle.h"

#include <cstddef>
#include <memory>
#include <string>

class SpeedLimit;

// Everything a job is asked to do: a DownloadJob all of it, a ConvertJob its
// title, folders, bit rate, and the page (for the MP3's tags and cover) with
// the bounds it is fetched within. The job keeps its own copy, so later
// settings changes do not reach a running job, but for the shared speed limit.
struct JobOptions {
    std::string pageUrl;
    // File title; the job makes it safe as a file name (PageTitle::safe).
    // Empty: the page's headline, or "video" when it has none.
    std::string title;
    // 1 to 4: 4 takes the smallest stream, the others the largest.
    int quality = 4;
    // Folders without a trailing "/".
    std::string movieFolder = ".";
    std::string musicFolder = ".";
    bool convert = false;
    // ffmpeg's -ab for the MP3.
    std::string bitRate = "256k";

    // The part file to write the movie into, a stable name per transfer so
    // that it can be found again (PartFile::stablePath); empty for a unique
    // temporary name. A name that is not a regular file of ours, or that
    // another job holds, is never used: the job takes a unique one and says
    // which (JobEvent::Kind::Resumable).
    std::string partFile;
    // What partFile holds, to continue it: the stream's validator (ETag or
    // Last-Modified) and total size when it began. Empty: start over.
    std::string validator;
    long long total = 0;

    // A transfer that receives nothing for this long fails.
    long stallSeconds = 30;
    // A watch page still coming after this long fails ("The page took too
    // long to load."); a picture after pictureDeadlineSeconds gives no
    // cover. Connecting and redirects count. 0: no deadline.
    long pageDeadlineSeconds = 60;
    long pictureDeadlineSeconds = 20;
    // The movie's low-speed floor: a transfer that averages below
    // lowSpeedBytes a second over lowSpeedSeconds fails as a stalled one
    // does (its part file kept). Time held back by the speed limit does not
    // count, and the floor is off while the transfer's share of the limit
    // (its rate over the transfers sharing it) is below lowSpeedMinShare
    // bytes a second. 0 bytes or seconds: no floor.
    long lowSpeedBytes = 1024;
    long lowSpeedSeconds = 60;
    long lowSpeedMinShare = 2048;
    // A watch page larger than this fails as a page fetch.
    std::size_t maxPageBytes = std::size_t{64} * 1024 * 1024;
    // The speed limit the movie transfer shares with every other one; null
    // for none. The one setting a running job follows when it changes.
    std::shared_ptr<SpeedLimit> speedLimit;
    // Makes the job's libcurl handles. Tests act out a library that cannot.
    CurlHandle::Factory curlFactory = &curl_easy_init;
};
