// Writing a canvas as a PNG file, whole or not at all.
#pragma once
#include <cstdint>
#include <string>

namespace tools {

// Writes width x height pixels (0x00RRGGBB, row by row) to path through a temporary
// file that is renamed into place; on failure nothing is left under path and the
// reason is returned (empty on success).
std::string write_png(const std::string& path, const uint32_t* pixels, int width, int height);

}  // namespace tools
