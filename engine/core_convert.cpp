#include "PartFile.h"
#include "ProcessRunner.h"
#include "core.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

// Encodes the audio of input into mp3Dir/title.mp3. ffmpeg writes a
// temporary file in the same folder which replaces the target only when the
// encoder succeeded, so a failure never costs an earlier MP3. Both paths go
// to ffmpeg with the file: protocol, so no title or folder can be taken for
// an option or another protocol.
bool encodeMp3(const std::string& input, const std::string& mp3Dir, const std::string& title,
               const char* bitRate) {
    const std::string target = mp3Dir + "/" + title + ".mp3";
    // Titles are unique within a run, so no other conversion writes this name.
    const std::string temp = target + PartFile::suffix;

    ProcessRunner ffmpeg({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-i",
                          "file:" + input, "-acodec", "libmp3lame", "-ac", "2", "-ab", bitRate,
                          "-vn", "-y", "-f", "mp3", "file:" + temp});
    ffmpeg.discardStdout(true);
    const int status = ffmpeg.run();

    struct stat st {};
    const bool produced = status == 0 && stat(temp.c_str(), &st) == 0 && st.st_size > 0;
    if (produced && std::rename(temp.c_str(), target.c_str()) == 0) {
        return true;
    }
    std::remove(temp.c_str());
    return false;
}

} // namespace

void core::convert() {
    send("Converting to mp3...");
    if (encodeMp3(movieFile(), mp3Path, fileTitle, "256k")) {
        send("setmp3");
        send("done");
        send("Complete! Thank you for using Quillmoth.");
    } else {
        send("done");
        send("Error: Could not convert to mp3.");
    }
}

bool core::converter(std::string moviePath, std::string mp3Path, std::string fname,
                     std::string type) {
    // A transfer whose title was refused by its movie step may still be
    // converted on request: the title must not reach outside either folder.
    if (!staysInFolder(fname)) {
        return false;
    }
    // "128k": a bare 128 would ask the encoder for 128 bit/s.
    return encodeMp3(moviePath + "/" + fname + "." + type, mp3Path, fname, "128k");
}
