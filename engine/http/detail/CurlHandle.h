#pragma once

#include <curl/curl.h>

#include <functional>

// Owns one libcurl easy handle; cleans it up on every path. Private to the
// http room.
class CurlHandle {
public:
    // mayMake (empty: always) is asked first: false acts out a library that
    // cannot make a handle.
    explicit CurlHandle(const std::function<bool()>& mayMake = {});
    ~CurlHandle();
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;

    CURL* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURL* handle_;
};
