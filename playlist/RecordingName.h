#pragma once

#include <string>

// The extension of the file name in `path`, upper-cased (ASCII) with its dot:
// ".MOV" for "/a/b.mov". Empty when the name has no dot; a trailing dot
// gives ".". Dots in folder names do not count.
std::string UpperExtension(const std::string& path);

// Whether an upper-case extension (as UpperExtension gives it) is one of the
// recordings the player takes: ".MOV" or ".MP4".
bool IsRecordingExtension(const std::string& upperExt);
