#include "PartFile.h"
#include "ProcessRunner.h"
#include "core.h"

#include <memory>
#include <utility>

namespace {

enum class Encoded { Ok, Failed, Cancelled };

// Encodes the audio of input into mp3Dir/title.mp3. ffmpeg writes a
// temporary file of our own making, which replaces the target only when the
// encoder succeeded, so a failure never costs an earlier MP3. Both paths go
// to ffmpeg with the file: protocol, so no title or folder can be taken for
// an option or another protocol, and the input may only be a movie
// container read from that one file: a downloaded playlist or concat list
// naming other files is refused.
Encoded encodeMp3(const std::string& input, const std::string& mp3Dir, const std::string& title,
                  const std::string& bitRate, const CancelToken* cancel) {
    PartFile output(mp3Dir + "/" + title + ".mp3");
    if (output.open() != PartFile::Opened::Ok)
        return Encoded::Failed;

    ProcessRunner ffmpeg({"ffmpeg",
                          "-nostdin",
                          "-hide_banner",
                          "-loglevel",
                          "error",
                          "-protocol_whitelist",
                          "file",
                          "-format_whitelist",
                          "flv,mov,mp4,matroska,webm,mp3,aac",
                          "-i",
                          "file:" + input,
                          "-acodec",
                          "libmp3lame",
                          "-ac",
                          "2",
                          "-ab",
                          bitRate,
                          "-vn",
                          "-y",
                          "-f",
                          "mp3",
                          "file:" + output.tempPath()});
    ffmpeg.discardStdout(true);
    const int status = ffmpeg.run(cancel);
    if (status == ProcessRunner::Cancelled)
        return Encoded::Cancelled;
    if (status == 0 && output.size() > 0 && output.commit())
        return Encoded::Ok;
    return Encoded::Failed;
}

} // namespace

bool core::convert() {
    status("Converting to mp3...");
    // A title refused by the movie step may still come here from a
    // conversion job: it must not reach outside either folder.
    Encoded result = Encoded::Failed;
    if (cancelled())
        result = Encoded::Cancelled;
    else if (staysInFolder(fileTitle))
        result = encodeMp3(movieFile(), mp3Path, fileTitle, bitRate, cancelToken.get());
    switch (result) {
    case Encoded::Ok:
        send(JobEvent::Kind::Converted);
        send(JobEvent::Kind::Finished, "Complete! Thank you for using Quillmoth.");
        return true;
    case Encoded::Failed:
        send(JobEvent::Kind::Failed, convertFailedText);
        return false;
    case Encoded::Cancelled:
        send(JobEvent::Kind::Cancelled, cancelledText);
        return false;
    }
    return false;
}

std::unique_ptr<core> core::conversion(JobOptions options, const std::string& type, int id,
                                       JobSink sink, std::shared_ptr<const CancelToken> cancel) {
    options.convert = true;
    auto job = std::make_unique<core>(std::move(options), id, std::move(sink), std::move(cancel));
    job->conversionOnly = true;
    // The movie is read under the type its transfer saved it as.
    job->savedExtension = "." + type;
    return job;
}

// Runs on the job's worker thread, which owns the job from here on.
unsigned core::ConvertStaticEntryPoint(void* pThis) {
    std::unique_ptr<core> job(static_cast<core*>(pThis));
    if (job)
        job->convert();
    return 1;
}

bool core::converter(std::string moviePath, std::string mp3Path, std::string fname,
                     std::string type, const CancelToken* cancel) {
    // A transfer whose title was refused by its movie step may still be
    // converted on request: the title must not reach outside either folder.
    if (!staysInFolder(fname)) {
        return false;
    }
    return encodeMp3(moviePath + "/" + fname + "." + type, mp3Path, fname, onRequestBitRate,
                     cancel) == Encoded::Ok;
}
