#pragma once

#include <curl/curl.h>

// Owns one libcurl easy handle for one transfer; cleans it up on every path.
class CurlHandle {
public:
    CurlHandle();
    ~CurlHandle();
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;

    CURL* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Makes the handles. Tests replace it to act out a library that
    // cannot create one; set it only while no job is running.
    using Factory = CURL* (*)();
    static Factory factory;

private:
    CURL* handle_;
};
