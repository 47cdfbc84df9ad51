#pragma once

#include "Job.h"
#include "Mp3Tags.h"

#include <memory>
#include <optional>
#include <string>

// Converts a saved movie's sound to MP3 with ffmpeg (Mp3Encoder): as a job
// of its own (a transfer's conversion asked for later, or the automatic one
// its download did not get to), and as a download job's last step.
class ConvertJob : public Job {
public:
    // Converts the movie at moviePath, exactly that file, into
    // options.musicFolder at options.bitRate: the MP3 named after fileTitle
    // (made safe as FileTitle::safe does; empty: the movie's own name),
    // tagged with options.title (empty: the file title) and options.pageUrl,
    // whose page is fetched again for its picture (the cover). The movie
    // folder and the quality are not used.
    ConvertJob(JobOptions options, std::string moviePath, std::string fileTitle, int id,
               JobSink sink, std::shared_ptr<const CancelToken> cancel = {});

    void run() override;

    // The movie it converts, and the title its MP3 is named after.
    const std::string& moviePath() const { return moviePath_; }
    const std::string& fileTitle() const { return fileTitle_; }

    // The conversion step: movie into options.musicFolder/title.mp3 (or the
    // next free name) at options.bitRate, tagged with tags and the cover
    // fetched from picture (an address, empty for none; nothing: the one
    // the page at options.pageUrl shows), reported through reporter from
    // Converting through its progress to the saved MP3 or the failure. Runs
    // on the worker thread.
    static void convert(const std::string& movie, const std::string& title, Mp3Tags tags,
                        const std::optional<std::string>& picture, const JobOptions& options,
                        const JobReporter& reporter);

    // ffmpeg's -ab of a conversion asked for after the transfer. "128k": a
    // bare 128 would ask the encoder for 128 bit/s.
    static constexpr const char* onRequestBitRate = "128k";

private:
    std::string moviePath_;
    std::string fileTitle_;
};
