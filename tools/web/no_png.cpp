// No PNG library for WebAssembly here: the trace tool's pictures are refused.
#include "tools/png.h"

namespace tools {

const char* pictures_unavailable() { return "--png and --frames-png are not available in this build"; }

std::string write_png(const std::string&, const uint32_t*, int, int) { return pictures_unavailable(); }

}  // namespace tools
