#pragma once

#include <string>

// Every page the Home pane shows for playback: the player page for a media
// file, the page shown while a playable copy is made, and the page saying
// why a file cannot play. Stateless; the caller shows what it returns.
//
// Each page keeps its state in the data-player-state attribute of its
// #container element: loading, ready, playing, error or unsupported on the
// player page, preparing and failed on the other two. Names and reasons are
// escaped text, never markup or script.
class PlayerPage {
public:
    PlayerPage() = delete;

    // Writes <dataFolder>/player.html for the media file, replacing the
    // page before it in one step: the title above an <audio> element for
    // music (with an MP3's cover picture, Mp3Cover), or above a <video>
    // element for anything else, and a page saying it cannot play for FLV.
    // name is the file's name as the user knows it (a cached copy has
    // another); empty means the file name of media. A video carries the
    // subtitles saved beside original (the file media is a copy of; empty:
    // media itself), SubRip converted beside the page, the one in the
    // window's language shown, else the first. Returns the page's path, or
    // an empty text when the page could not be written.
    static std::string writeFor(const std::string& media, const std::string& dataFolder,
                                const std::string& name = {}, const std::string& original = {});

    // Shown while the file named name is made playable; progressScript
    // moves its bar.
    static std::string preparingPage(const std::string& name);
    // JavaScript for the preparing page: done of total (unknown when total
    // is 0). Does nothing on any other page.
    static std::string progressScript(double done, double total);
    // The file named name cannot play, and why.
    static std::string failurePage(const std::string& name, const std::string& reason);

    // The file a library row stands for: folder/title.type.
    static std::string mediaPath(const std::string& title, const std::string& folder,
                                 const std::string& type);

    // file:// URL of a path made absolute, every byte outside the unreserved
    // set and "/" percent-encoded. What is left (letters, digits, "-._~/%:")
    // needs no further escaping in an HTML attribute.
    static std::string fileUrl(const std::string& path);

private:
    static std::string playerPage(const std::string& media, const std::string& name,
                                  const std::string& tracks);
    // The <track> elements of the subtitles beside movie; SubRip is written
    // into dataFolder as WebVTT, and what earlier pages left there goes.
    static std::string subtitleTracks(const std::string& movie, const std::string& dataFolder);
    static std::string writePage(const std::string& dataFolder, const std::string& text);
};
