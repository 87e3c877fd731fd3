// The hook run before the program's thread waits.
#include "runtime/wait.h"

namespace runtime {

namespace {
void (*before_wait_hook)() = nullptr;
}  // namespace

void set_before_wait(void (*hook)()) { before_wait_hook = hook; }

void before_wait() {
    if (before_wait_hook != nullptr) before_wait_hook();
}

}  // namespace runtime
