#pragma once

// Turns a progress report (bytes expected, bytes received) into a range and
// a value a progress bar can hold: int-sized, value inside the range.
struct ProgressScale {
    int maximum = 0;
    int value = 0;

    // A total of 0 (not yet known) or an unusable one gives the busy range
    // 0..0. Totals beyond the int range are counted in larger units.
    static ProgressScale fit(double total, double received);

    bool busy() const { return maximum == 0; }
};
