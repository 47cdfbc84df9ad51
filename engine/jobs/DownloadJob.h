#pragma once

#include "Job.h"

#include <memory>

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
};
