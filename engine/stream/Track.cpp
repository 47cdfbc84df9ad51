#include "Track.h"

#include <algorithm>

long long Track::byteBound() const {
    double bound = static_cast<double>(byteSlack);
    bool unranged = false;
    for (const std::vector<StreamSegment>* list : {&inits, &segments})
        for (const StreamSegment& s : *list) {
            if (s.part.range)
                bound += static_cast<double>(s.part.range->length);
            else
                unranged = true;
        }
    if (unranged)
        bound += static_cast<double>(bandwidth > 0 ? bandwidth : fallbackBandwidth) / 8 *
                 std::max(seconds, 1.0) * byteMargin;
    return bound >= 9e18 ? static_cast<long long>(9e18) : static_cast<long long>(bound);
}
