#include "CurlHandle.h"
#include "MemoryBlock.h"
#include "PartFile.h"
#include "core.h"

// Runs on the job's worker thread.
bool core::download() {
    send("Requesting connection to download movie...");
    pageText.clear();
    pageText.shrink_to_fit();
    // A missing handle shows up as a failed transfer below.
    CurlHandle curl;
    send("Downloading... [Patience]");

    const std::string extension = movieExtension();
    PartFile file(movieFile());
    send(extension == ".mp4" ? "setmp4" : "setflv");

    if (!staysInFolder(fileTitle) || !file.open()) {
        send("done");
        send("Error: Invalid Title - Go back to search & change title. ");
        return false;
    }

    MemoryBlock block{file, jobId, onProgress};
    bool ok = doCurl(curl.get(), streamUrl.c_str(), block) == CURLE_OK;
    // A movie counts as saved only once every byte is on disk under its name.
    ok = ok && file.commit();
    if (ok) {
        send("Download Complete!");
    } else {
        file.discard();
        send("done");
        send("Error: Could not save movie.");
    }
    if (!convertToMp3)
        send("done");
    return ok;
}
