#pragma once

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed, so that
// no file the program opens later takes one of their numbers: a status line
// written to "stdout" must never land in a movie. Call it first in main,
// before anything opens a file or starts a thread. False when a closed
// descriptor could not be filled; the program should then stop.
bool fillStandardDescriptors();
