#include "CurlHandle.h"

CurlHandle::CurlHandle(const std::function<bool()>& mayMake)
    : handle_(!mayMake || mayMake() ? curl_easy_init() : nullptr) {}

CurlHandle::~CurlHandle() {
    if (handle_)
        curl_easy_cleanup(handle_);
}
