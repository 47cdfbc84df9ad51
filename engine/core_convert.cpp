#include "PartFile.h"
#include "ProcessRunner.h"
#include "core.h"

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

void core::convert() {
    status("Converting to mp3...");
    switch (encodeMp3(movieFile(), mp3Path, fileTitle, bitRate, cancelToken.get())) {
    case Encoded::Ok:
        send(JobEvent::Kind::Converted);
        send(JobEvent::Kind::Finished, "Complete! Thank you for using Quillmoth.");
        break;
    case Encoded::Failed:
        send(JobEvent::Kind::Failed, "Error: Could not convert to mp3.");
        break;
    case Encoded::Cancelled:
        send(JobEvent::Kind::Cancelled, cancelledText);
        break;
    }
}

bool core::converter(std::string moviePath, std::string mp3Path, std::string fname,
                     std::string type, const CancelToken* cancel) {
    // A transfer whose title was refused by its movie step may still be
    // converted on request: the title must not reach outside either folder.
    if (!staysInFolder(fname)) {
        return false;
    }
    // "128k": a bare 128 would ask the encoder for 128 bit/s.
    return encodeMp3(moviePath + "/" + fname + "." + type, mp3Path, fname, "128k", cancel) ==
           Encoded::Ok;
}
