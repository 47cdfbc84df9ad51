#include "core.h"

#include <utility>

std::string core::title;
char core::errorBuffer[CURL_ERROR_SIZE];
long core::stallSeconds = 30;

core::core(const char* str, const char* str2, int x, StatusFn fp, ProgressFn fp2, std::string loc1,
           std::string loc2, int qual, bool sConvert)
    : pageUrl(str ? str : ""), fileTitle(str2 ? str2 : ""), jobId(x), quality(qual),
      convertToMp3(sConvert), moviePath(std::move(loc1)), mp3Path(std::move(loc2)), onStatus(fp),
      onProgress(fp2) {}
