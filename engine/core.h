#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>
#include <vector>

// Status and progress callbacks of a job. Both are called on the job's
// worker thread; the text of a StatusFn call is valid only for the call.
using StatusFn = void (*)(int jobId, const char* text);
using ProgressFn = void (*)(int jobId, double total, double received);

struct MemoryBlock;

// One download job: fetches a watch page, picks a stream, saves the movie
// and optionally converts it to MP3. Created on the window's thread, then
// owned and destroyed by its worker thread (ThreadStaticEntryPoint).
class core {
public:
    core(const char* str, const char* str2, int x, StatusFn fp, ProgressFn fp2, std::string loc1,
         std::string loc2, int qual, bool sConvert);

    // Thread entry: runs the pipeline on pThis, then deletes it.
    static unsigned ThreadStaticEntryPoint(void* pThis);

    bool scrapeURL();

    // HTTP layer.
    static CURLcode doCurl(CURL* curl, const char* url, std::string& buf);
    CURLcode doCurl(CURL* curl, const char* url, MemoryBlock& buf);
    // writer's buffer is the receiving std::string.
    static size_t writer(char* data, size_t size, size_t nmemb, void* buffer);
    static size_t writer3(void* ptr, size_t size, size_t nmemb, void* data);
    static int progress_callback(void* clientp, curl_off_t dltotal, curl_off_t dlnow,
                                 curl_off_t ultotal, curl_off_t ulnow);

    // Stream map and quality choice.
    bool findDetails(CURL* curl);
    bool splitUrls(std::string map);
    static bool my_sort(const std::string& a, const std::string& b);
    void setUrl();

    // Title extraction (window thread).
    static std::string findTitle(const char* html);

    // Movie step and conversion.
    bool download();
    void convert();
    static bool converter(std::string moviePath, std::string mp3Path, std::string fname,
                          std::string type);

    // Extension of the movie file, with its dot: ".mp4" or ".flv".
    std::string movieExtension() const;
    // Path of the movie file: folder, title and extension.
    std::string movieFile() const;
    // A title names one file inside its folder: no "/", not "." or "..".
    static bool staysInFolder(const std::string& title);
    // Sends one status text through onStatus, if there is one.
    void send(const char* text) const;

    static std::string title;
    static char errorBuffer[CURL_ERROR_SIZE];

    // A transfer that receives nothing for this long fails. Tests shorten it.
    static long stallSeconds;
    // A watch page larger than this fails as a page fetch. Tests shorten it.
    static std::size_t maxPageBytes;
    static constexpr long maxRedirects = 10;
    static constexpr long connectSeconds = 30;

    std::string pageUrl;
    std::string fileTitle;
    int jobId;
    int quality;
    int streamCount = 0;
    bool convertToMp3;
    std::string moviePath;
    std::string mp3Path;
    std::vector<std::string> streams;
    std::string pageText;
    std::string streamUrl;
    StatusFn onStatus;
    ProgressFn onProgress;
};
