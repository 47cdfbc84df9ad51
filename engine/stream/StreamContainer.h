#pragma once

// What a track's segments are, once clear: what SegmentCheck looks for.
enum class StreamContainer {
    MpegTs,      // whole 188-byte packets
    PackedAudio, // ADTS, MP3 or AC-3 frames, perhaps after an ID3 tag
    Mp4,         // ISO-BMFF boxes (fragmented MP4, CMAF)
    WebM,        // EBML elements
};
