#include "CurlHandle.h"

CurlHandle::CurlHandle(Factory make) : handle_(make ? make() : nullptr) {}

CurlHandle::~CurlHandle() {
    if (handle_)
        curl_easy_cleanup(handle_);
}
