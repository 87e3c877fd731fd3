// Writing a canvas as a PNG file, whole or not at all.
#pragma once
#include <cstdint>
#include <string>

namespace tools {

// Writes width x height pixels (0x00RRGGBB, row by row) to path, through symbolic
// links to their target. A file is written to a temporary one beside it that is
// renamed into place, so on failure or on any signal that ends the process nothing is
// left; a FIFO or a device is written directly. Returns the reason of a failure
// (empty on success).
std::string write_png(const std::string& path, const uint32_t* pixels, int width, int height);

// Null when this build writes pictures; else why it does not.
const char* pictures_unavailable();

}  // namespace tools
