#include "media/CoverArt.h"

#include "files/FilePath.h"
#include "files/StagedFile.h"
#include "media/FfmpegArguments.h"
#include "media/ProcessRunner.h"

#include <filesystem>
#include <system_error>

namespace {

bool startsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

} // namespace

CoverArt::CoverArt() = default;
CoverArt::~CoverArt() = default;

std::string CoverArt::format(std::string_view head) {
    if (startsWith(head, "\xFF\xD8\xFF"))
        return "jpeg_pipe";
    if (startsWith(head, "\x89PNG\r\n\x1A\n"))
        return "png_pipe";
    if (startsWith(head, "GIF87a") || startsWith(head, "GIF89a"))
        return "gif";
    if (head.size() >= 12 && startsWith(head, "RIFF") && head.substr(8, 4) == "WEBP")
        return "webp_pipe";
    if (head.size() >= 14 && startsWith(head, "BM"))
        return "bmp_pipe";
    return {};
}

bool CoverArt::make(const std::string& picture, const CancelToken* cancel) {
    cover.reset();
    const std::string demuxer = format(picture);
    if (demuxer.empty())
        return false;

    const std::string folder = FilePath::temporaryFolder();
    StagedFile downloaded(folder + "/quillmoth-picture");
    if (downloaded.open() != StagedFile::Opened::Ok ||
        downloaded.write(picture.data(), picture.size()) != picture.size())
        return false;
    auto jpeg = std::make_unique<StagedFile>(folder + "/quillmoth-cover.jpg");
    if (jpeg->open() != StagedFile::Opened::Ok)
        return false;
    ProcessRunner ffmpeg(
        FfmpegArguments::coverJpeg(downloaded.tempPath(), demuxer, jpeg->tempPath()));
    ffmpeg.discardStdout(true);
    ffmpeg.discardStderr(true);
    if (ffmpeg.run(cancel) != 0 || jpeg->size() <= 0)
        return false;
    cover = std::move(jpeg);
    return true;
}

std::string CoverArt::jpeg() const {
    return cover ? cover->tempPath() : std::string();
}
