#include "transfers/ProgressScale.h"

#include <algorithm>
#include <climits>
#include <cmath>

ProgressScale ProgressScale::fit(double total, double received) {
    ProgressScale out;
    if (!std::isfinite(total) || total < 1.0)
        return out;
    // Received counts beyond the total (a server that sent more than it
    // announced) or garbage are pinned to the ends of the range.
    double done = std::isfinite(received) ? std::clamp(received, 0.0, total) : 0.0;
    double unit = 1.0;
    if (total > static_cast<double>(INT_MAX))
        unit = std::ceil(total / static_cast<double>(INT_MAX));
    out.maximum = static_cast<int>(std::min(std::floor(total / unit), double(INT_MAX)));
    out.value = static_cast<int>(std::min(std::floor(done / unit), double(out.maximum)));
    return out;
}
