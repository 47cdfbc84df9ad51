#pragma once

#include <string>
#include <vector>

// Runs ffmpeg from an argument vector (args[0] is "ffmpeg"; no shell) and
// waits for it; in workDir when one is given, so that output names stay
// relative and no folder name is ever read as an ffmpeg pattern. True when
// it exited 0.
bool runFfmpeg(std::vector<std::string> args, const std::string& workDir = {});
