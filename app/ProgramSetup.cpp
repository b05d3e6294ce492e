#include "app/ProgramSetup.h"

#include "setup/ProgramHooks.h"

namespace app {

void installProgramServices() {
    setup::installProgramHooks();
}

} // namespace app
