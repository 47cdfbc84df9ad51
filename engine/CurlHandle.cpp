#include "CurlHandle.h"

CurlHandle::Factory CurlHandle::factory = &curl_easy_init;

CurlHandle::CurlHandle() : handle_(factory ? factory() : nullptr) {}

CurlHandle::~CurlHandle() {
    if (handle_)
        curl_easy_cleanup(handle_);
}
