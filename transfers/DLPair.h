#pragma once

// One progress report of a transfer: bytes expected (0 while unknown) and
// bytes received so far. Never changed after it is built.
struct DLPair {
    DLPair(int index, double tot, double dwn) : tot(tot), dwn(dwn), index(index) {}

    double tot;
    double dwn;
    int index;
};
