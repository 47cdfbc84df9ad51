#include "CurlHandle.h"
#include "MemoryBlock.h"
#include "PartFile.h"
#include "core.h"

namespace {

const char* const kInvalidTitle = "Error: Invalid Title - Go back to search & change title. ";
const char* const kFolderUnusable = "Error: Could not write to the movie folder.";
const char* const kSaveFailed = "Error: Could not save movie.";

// A body that is no movie: nothing at all, a web page (a login or error
// page answered with 200), any other text (a JSON error, "access denied"),
// or part of a file we never asked a part of.
bool isMovie(const MemoryBlock& block, CURL* curl) {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status != 206 && !block.head.empty() && !block.head.looksLikeMarkup() &&
           !block.head.looksLikeText();
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void core::containerSeen(const std::string& container) {
    if (container.empty() || "." + container == savedExtension)
        return;
    savedExtension = "." + container;
    send(JobEvent::Kind::Container, container);
}

// Runs on the job's worker thread.
bool core::download() {
    status("Requesting connection to download movie...");
    pageText.clear();
    pageText.shrink_to_fit();
    // A missing handle shows up as a failed transfer below.
    CurlHandle curl;
    status("Downloading... [Patience]");

    savedExtension = movieExtension();
    send(JobEvent::Kind::Container, savedExtension.substr(1));

    if (!staysInFolder(fileTitle)) {
        send(JobEvent::Kind::Failed, kInvalidTitle);
        return false;
    }
    PartFile file(movieFile());
    switch (file.open()) {
    case PartFile::Opened::Ok:
        break;
    case PartFile::Opened::FolderUnusable:
        send(JobEvent::Kind::Failed, kFolderUnusable);
        return false;
    case PartFile::Opened::NameRefused:
        send(JobEvent::Kind::Failed, kInvalidTitle);
        return false;
    }

    MemoryBlock block{file, *this};
    const CURLcode result = doCurl(curl.get(), streamUrl.c_str(), block);
    // The bar ends where the transfer did, whatever the pacer held back.
    if (block.pacer.pending()) {
        progress(static_cast<double>(block.pacer.total()), static_cast<double>(block.pacer.now()));
        block.pacer.flushed();
    }
    if (cancelled()) {
        file.discard();
        send(JobEvent::Kind::Cancelled, cancelledText);
        return false;
    }
    bool ok = result == CURLE_OK && isMovie(block, curl.get());
    if (ok && !block.containerChecked)
        containerSeen(block.head.container());
    // The first bytes may have named another container than the quality rule.
    file.retarget(movieFile());
    // A movie counts as saved only once every byte is on disk under its name.
    ok = ok && file.commit();
    if (!ok) {
        file.discard();
        send(JobEvent::Kind::Failed, kSaveFailed);
        return false;
    }
    // The name may have taken a "(1)": the conversion and the window follow it.
    const std::string saved = fileNameOf(file.target());
    fileTitle = saved.substr(0, saved.size() - savedExtension.size());
    send(JobEvent::Kind::Saved, saved);
    status("Download Complete!");
    if (!convertToMp3)
        send(JobEvent::Kind::Finished);
    return true;
}
