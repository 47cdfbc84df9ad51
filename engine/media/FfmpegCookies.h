#pragma once

#include <ctime>
#include <string>
#include <vector>

// Our cookies as ffmpeg's -cookies text: one Set-Cookie value a line, each
// with its domain and path, so that ffmpeg's http sends it only to its own
// host. ffmpeg's http has its quirks, which shape the text:
//  - a cookie's domain is matched as the end of the address's host with
//    its port as written ("host:8080"; so "example.com" also reaches a
//    host named "myexample.com", which nothing here can prevent), and
//    every domain takes the port the playlist's address names, if any (a
//    stream's parts mostly come from its playlist's server);
//  - a cookie without a path is never sent, so each has one;
//  - after the first answer only one cookie of each name is left, so of
//    cookies sharing a name the one for the playlist's host is kept (else
//    the first).
// Secure cookies go only when every input is https.
class FfmpegCookies {
public:
    // lines: Netscape cookie-file lines as FetchBounds keeps them ("#HttpOnly_"
    // ones too); anything else, expired cookies (at now) and cookies that
    // cannot be written as a Set-Cookie value are left out. inputs: the
    // addresses ffmpeg reads, the playlist first.
    static std::string text(const std::vector<std::string>& lines,
                            const std::vector<std::string>& inputs, std::time_t now);
};
