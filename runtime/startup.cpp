// Start-up of the run-time services.
#include "runtime/startup.h"

#include "runtime/filedriver.h"
#include "runtime/signals.h"
#include "runtime/textfile.h"

namespace runtime {

void initialize() {
    catch_ending_signals();  // a signal from outside puts the terminal back too
    OPENSTDIO();
    INOUTRES = 0;
}

}  // namespace runtime
