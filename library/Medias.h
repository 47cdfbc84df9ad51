#pragma once

#include <string>

// Writes the player page for a media file. Stateless; the caller navigates to
// the address a writer returns.
class Medias {
public:
    Medias() = delete;

    // Writes <dataFolder>/tmp.html for the media file: the music page for MP3,
    // the movie page (jwplayer.js) for anything else. name is the file's name
    // as the user knows it (a cached copy has another); empty means the file
    // name of media. Returns the page's path, or an empty text when the page
    // could not be written.
    static std::string createMovie(const std::string& media, const std::string& dataFolder,
                                   const std::string& name = {});
    // The movie page alone, whatever the type.
    static std::string createMov(const std::string& media, const std::string& dataFolder,
                                 const std::string& name = {});

    // The file a library row stands for: folder/title.type.
    static std::string mediaPath(const std::string& title, const std::string& folder,
                                 const std::string& type);

    // jwplayer.js beside the program or in its installed data folder
    // (<bin>/../share/quillmoth); empty when neither holds it. Never the
    // working directory: the program may be started from anywhere.
    static std::string playerScript();

    // Media types by their extension, whatever its letter case: a file listed
    // as "Clip.MP4" plays like "Clip.mp4".
    static bool isMovieType(const std::string& type);
    static bool isMusicType(const std::string& type);

    // file:// URL of a path made absolute, every byte outside the unreserved
    // set and "/" percent-encoded. What is left (letters, digits, "-._~/%:")
    // needs no further escaping in an HTML attribute or a JavaScript string,
    // so the same text serves both.
    static std::string fileUrl(const std::string& path);
    // A JavaScript string literal (with its quotes) for any text: everything
    // but letters, digits, space and ".-_" as \uXXXX, so it may stand inside
    // an HTML <script> element too.
    static std::string scriptString(const std::string& text);

private:
    static std::string pagePath(const std::string& dataFolder);
    static std::string writePage(const std::string& dataFolder, const std::string& text);
};
