#pragma once

#include <ctime>
#include <string>

// The local time `t` as a capture's name: "%Y-%m-%d-%H-%M-%S".
std::string CaptureStamp(std::time_t t);

// Creates <folder>/<stamp>.JPG empty, exclusively and without following a
// symbolic link; when that name is taken (by a file, a folder or a link,
// dangling or not) it tries <stamp>-2.JPG, <stamp>-3.JPG, ... Returns the
// path created, or an empty string when no file could be created.
std::string CreateCaptureFile(const std::string& folder, const std::string& stamp);
