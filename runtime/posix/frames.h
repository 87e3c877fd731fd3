// The POSIX back end's use of the unwinder: the handler of an exception nobody catches.
#pragma once

namespace runtime {

// Installed at start-up: memory the allocator could not obtain is error 203, any other
// exception error 217, each at the program's own call below the library's frames.
[[noreturn]] void uncaught_exception();

}  // namespace runtime
