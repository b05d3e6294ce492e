#include "app/ProgramSetup.h"

#include "persistence/LayoutFile.h"
#include "trains/TrainFileHandlers.h"

namespace app {

void installProgramServices() {
    persistence::installLayoutFileHandlers();
    trains::installTrainFileHandlers();
}

} // namespace app
