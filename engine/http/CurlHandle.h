#pragma once

#include <curl/curl.h>

// Owns one libcurl easy handle for one transfer; cleans it up on every path.
class CurlHandle {
public:
    // What makes the handle: curl_easy_init, or in tests a library that
    // cannot make one (JobOptions::curlFactory).
    using Factory = CURL* (*)();

    explicit CurlHandle(Factory make = &curl_easy_init);
    ~CurlHandle();
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;

    CURL* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURL* handle_;
};
