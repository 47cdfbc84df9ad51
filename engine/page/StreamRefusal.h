#pragma once

// Why a stream manifest cannot be saved, worst last: a reader that finds
// several keeps the worst (strongest) one.
enum class StreamRefusal {
    None,
    Unsupported, // not a playlist or manifest, an address that is not http(s), too many segments...
    Live,        // it has no end to save
    Protected,   // DRM
};

// The stronger of two refusals.
inline StreamRefusal worse(StreamRefusal a, StreamRefusal b) {
    return a < b ? b : a;
}
