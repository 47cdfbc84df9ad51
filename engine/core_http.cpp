#include "DownloadJob.h"
#include "MovieTransfer.h"
#include "PageBuffer.h"

namespace {

// Concurrent transfers must not share one error buffer, and its text is
// never read, so each thread registers its own.
thread_local char transferErrors[CURL_ERROR_SIZE];

constexpr long movieBufferBytes = 256 * 1024;

// Options shared by both transfer forms. The bounds make a redirect loop, a
// host that never answers and a server that stops sending end as a failed
// transfer.
void setCommonOptions(CURL* curl, const char* url) {
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, transferErrors);
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_HEADER, 0L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, DownloadJob::maxRedirects);
    // Both addresses come from the web: never let them reach local files,
    // FTP logins or any other protocol.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // A compressed body is decoded rather than saved as it came.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, DownloadJob::connectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, DownloadJob::stallSeconds);
    // Time-outs must not use signals on worker threads.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
}

// Runs on the transfer's thread (libcurl callback): a non-zero answer aborts.
int pageProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const CancelToken*>(clientp);
    return cancel && cancel->cancelled() ? 1 : 0;
}

} // namespace

CURLcode DownloadJob::fetchPage(CURL* curl, const char* url, std::string& text,
                                const CancelToken* cancel) {
    if (!curl)
        return CURLE_FAILED_INIT;
    setCommonOptions(curl, url);
    // An announced size over the bound fails before any byte arrives;
    // pageWriter enforces it for bodies without a length.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxPageBytes));
    PageBuffer page{text};
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DownloadJob::pageWriter);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &page);
    if (cancel) {
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<CancelToken*>(cancel));
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &pageProgress);
    }
    const CURLcode result = curl_easy_perform(curl);
    // The handle outlives this call: no pointer to page may stay in it.
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    // One answer for a page too large, whether announced or found by pageWriter.
    return result == CURLE_WRITE_ERROR && page.tooLarge ? CURLE_FILESIZE_EXCEEDED : result;
}

CURLcode DownloadJob::fetchMovie(CURL* curl, const char* url, MovieTransfer& transfer) {
    if (!curl)
        return CURLE_FAILED_INIT;
    setCommonOptions(curl, url);
    // An error status must not be saved as the movie.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    // libcurl's 16 KiB default means a receive and a write call per 16 KiB;
    // a larger buffer takes a sixth of the system calls on a fast link.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, movieBufferBytes);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &DownloadJob::movieProgress);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DownloadJob::movieWriter);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    // Ranged or not, the answer's headers say what its body is.
    transfer.range.apply(curl);
    const CURLcode result = curl_easy_perform(curl);
    transfer.range.release(curl);
    return result;
}

// Runs on the transfer's thread (libcurl callback).
size_t DownloadJob::pageWriter(char* data, size_t size, size_t nmemb, void* buffer) {
    auto* page = static_cast<PageBuffer*>(buffer);
    if (!page)
        return 0;
    const size_t n = size * nmemb;
    // Taking less than offered makes libcurl end the transfer with an error.
    if (n > maxPageBytes || page->text.size() > maxPageBytes - n) {
        page->tooLarge = true;
        return 0;
    }
    page->text.append(data, n);
    return n;
}

// Runs on the transfer's thread (libcurl callback).
size_t DownloadJob::movieWriter(void* ptr, size_t size, size_t nmemb, void* data) {
    auto* transfer = static_cast<MovieTransfer*>(data);
    if (!transfer)
        return 0;
    const size_t n = size * nmemb;
    // Taking nothing of an answer that is not the file asked for ends it.
    if (!transfer->started &&
        !transfer->job.bodyStarts(*transfer, static_cast<const char*>(ptr), n))
        return 0;
    transfer->head.feed(static_cast<const char*>(ptr), n);
    if (!transfer->containerChecked && transfer->head.containerKnown()) {
        transfer->containerChecked = true;
        transfer->job.containerSeen(transfer->head.container());
    }
    return transfer->file.write(ptr, n);
}

// Runs on the transfer's thread (libcurl callback).
int DownloadJob::movieProgress(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                               curl_off_t) {
    auto* transfer = static_cast<MovieTransfer*>(clientp);
    if (!transfer)
        return 0;
    if (transfer->job.cancelled())
        return 1;
    // Counted over the whole file: a continued one has bytes on disk already.
    const curl_off_t before = transfer->range.bodyOffset();
    const curl_off_t total = dltotal > 0 ? before + dltotal : 0;
    const curl_off_t now = before + dlnow;
    if (transfer->pacer.due(total, now))
        transfer->job.progress(static_cast<double>(total), static_cast<double>(now));
    return 0;
}
