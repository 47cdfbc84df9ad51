#include "transfers/list/JobFactory.h"

#include "files/StagedFile.h"
#include "jobs/ConvertJob.h"
#include "jobs/DownloadJob.h"

#include <filesystem>
#include <system_error>
#include <utility>

std::unique_ptr<Job> JobFactory::make(const TransferRecord& record, int id, JobSink sink,
                                      std::shared_ptr<const CancelToken> token,
                                      const Shared& shared, const Identity& identity) {
    JobOptions options;
    options.pageUrl = record.pageUrl;
    options.title = record.title;
    options.quality = record.quality;
    options.boundSource = record.source;
    options.movieFolder = record.movieFolder;
    options.musicFolder = record.musicFolder;
    options.convert = record.convert;
    if (identity)
        identity(record.pageUrl, options);
    if (convertsOnly(record)) {
        if (record.kind == TransferKind::Conversion)
            options.bitRate = ConvertJob::onRequestBitRate;
        // The very file the record saved, never one found again by its title.
        return std::make_unique<ConvertJob>(std::move(options), record.moviePath, record.fileTitle,
                                            id, std::move(sink), std::move(token));
    }
    options.resume = record.resume;
    if (options.resume.partFile.empty())
        options.resume.partFile = partFile(record);
    options.speedLimit = shared.limit;
    options.hostBudget = shared.hosts;
    options.connections = shared.connections;
    options.language = shared.language;
    return std::make_unique<DownloadJob>(std::move(options), id, std::move(sink), std::move(token));
}

bool JobFactory::convertsOnly(const TransferRecord& record) {
    return record.kind == TransferKind::Conversion ||
           (record.convert && !record.moviePath.empty() && record.mp3Path.empty());
}

bool JobFactory::movieKept(const TransferRecord& record) {
    std::error_code error;
    return !record.moviePath.empty() && std::filesystem::is_regular_file(record.moviePath, error);
}

bool JobFactory::movingBytes(const TransferRecord& record) {
    return record.state == TransferState::Running && !convertsOnly(record);
}

std::string JobFactory::partFile(const TransferRecord& record) {
    // A title still to come from the page must not make a hidden ".1.part".
    const std::string& name = record.fileTitle.empty() ? std::string("video") : record.fileTitle;
    return StagedFile::stablePath(record.movieFolder, name, std::to_string(record.id));
}
