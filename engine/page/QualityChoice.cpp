#include "page/QualityChoice.h"

#include <algorithm>

std::size_t QualityChoice::choose(const std::vector<Candidate>& candidates, int quality) {
    bool anyVideo = false;
    for (const Candidate& c : candidates)
        anyVideo = anyVideo || !c.audio;
    // The videos, or the sounds when there is no video.
    const auto eligible = [anyVideo](const Candidate& c) { return c.audio != anyVideo; };
    bool byLines = false;
    bool byBandwidth = false;
    std::size_t first = candidates.size();
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (!eligible(candidates[i]))
            continue;
        first = std::min(first, i);
        byLines = byLines || candidates[i].lines > 0;
        byBandwidth = byBandwidth || candidates[i].bandwidth > 0;
    }
    if (!byLines && !byBandwidth)
        return first;
    const long long ceiling = !byLines ? 0 : quality == 2 ? 720 : quality == 3 ? 480 : 0;
    const auto better = [&](long long measure, long long than) {
        if (quality == 4)
            return measure < than;
        if (ceiling > 0 && (measure <= ceiling) != (than <= ceiling))
            return measure <= ceiling;
        // Under the ceiling the larger, over it the smaller.
        return ceiling > 0 && measure > ceiling ? measure < than : measure > than;
    };
    std::size_t chosen = first;
    long long chosenMeasure = 0;
    for (std::size_t i = first; i < candidates.size(); ++i) {
        const long long measure = byLines ? candidates[i].lines : candidates[i].bandwidth;
        if (!eligible(candidates[i]) || measure <= 0)
            continue;
        if (chosenMeasure == 0 || better(measure, chosenMeasure)) {
            chosen = i;
            chosenMeasure = measure;
        }
    }
    return chosen;
}
