#include "core.h"

#include "CurlHandle.h"

#include <memory>
#include <utility>

std::string core::title;
char core::errorBuffer[CURL_ERROR_SIZE];
long core::stallSeconds = 30;
std::size_t core::maxPageBytes = std::size_t{64} * 1024 * 1024;

core::core(const char* str, const char* str2, int x, StatusFn fp, ProgressFn fp2, std::string loc1,
           std::string loc2, int qual, bool sConvert)
    : pageUrl(str ? str : ""), fileTitle(str2 ? str2 : ""), jobId(x), quality(qual),
      convertToMp3(sConvert), moviePath(std::move(loc1)), mp3Path(std::move(loc2)), onStatus(fp),
      onProgress(fp2) {}

// Runs on the job's worker thread, which owns the job from here on.
unsigned core::ThreadStaticEntryPoint(void* pThis) {
    std::unique_ptr<core> job(static_cast<core*>(pThis));
    if (job)
        job->scrapeURL();
    return 1;
}

bool core::scrapeURL() {
    pageText.clear();
    send("Scraping URL...");
    {
        CurlHandle curl;
        if (!curl) {
            send("done");
            send("Error: Could not create request.");
            return false;
        }
        if (doCurl(curl.get(), pageUrl.c_str(), pageText) != CURLE_OK) {
            pageText.clear();
            send("done");
            send("Error: Could not make connection.");
            return false;
        }
        send("Initial response received!");
        send("Searching for download source...");
        if (!findDetails(curl.get())) {
            send("done");
            send("Error: Could not locate any movies to download.");
            return true;
        }
    }
    send("Found movie source!");
    if (download() && convertToMp3)
        convert();
    return true;
}

std::string core::movieExtension() const {
    return quality == 1 && streamCount > 3 ? ".mp4" : ".flv";
}

std::string core::movieFile() const {
    return moviePath + "/" + fileTitle + movieExtension();
}

bool core::staysInFolder(const std::string& title) {
    return title.find('/') == std::string::npos && title != "." && title != "..";
}

void core::send(const char* text) const {
    if (onStatus)
        onStatus(jobId, text);
}
