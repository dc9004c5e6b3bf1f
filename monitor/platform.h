// The few services the monitor takes from the platform, beside the standard
// library. Each platform folder implements them; tests may replace them.
#pragma once

#include <cstdint>

// Blocks the thread for ms milliseconds.
void WaitMilliseconds(std::uint32_t ms);

// True when path names an existing file that can be opened for reading. The
// probe never creates, truncates or blocks, and a directory counts as absent.
bool FileExists(const char *path);

// Reads what std::system returned for the upload command: true only when an
// interpreter ran it and it ended with status 0.
bool UploadSucceeded(int systemResult);
