// Start-up of the run-time services.
#include "runtime/startup.h"

#include "runtime/filedriver.h"
#include "runtime/platform.h"
#include "runtime/textfile.h"

namespace runtime {

void initialize() {
    platform::prepare_process();
    OPENSTDIO();
    INOUTRES = 0;
}

}  // namespace runtime
