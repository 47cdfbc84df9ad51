#pragma once

#include "Job.h"

#include <memory>
#include <string>

// One download: fetches a watch page, names the file after its headline
// when no title was asked for, picks a stream (StreamChoice), saves the
// movie (MovieDownload) and converts it to MP3 when asked (ConvertJob).
class DownloadJob : public Job {
public:
    // The title asked for is made safe as PageTitle::safe does; an empty
    // one means the page's headline, or "video" when it has none.
    DownloadJob(JobOptions options, int id, JobSink sink,
                std::shared_ptr<const CancelToken> cancel = {});

    void run() override;

    // The title a job finds for the page at options.pageUrl (fetched once
    // more): its headline, else og:title, the JSON-LD name or <title>; a
    // direct link's file name; "video" when there is none. Made safe as
    // one file name.
    static std::string pageTitle(const JobOptions& options, const CancelToken* cancel);
};
