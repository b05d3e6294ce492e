// zarnolt-datagen DATA_FOLDER [SAMPLES_FOLDER]: writes the built-in data pack "データ" into
// DATA_FOLDER and, when given, the sample layouts "サンプル" (laid with that pack) into
// SAMPLES_FOLDER, replacing what was there. Exit status 0 on success, 1 with a line on stderr
// on failure.
#include "tools/datagen/DataPack.h"
#include "tools/datagen/SampleLayouts.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: zarnolt-datagen DATA_FOLDER [SAMPLES_FOLDER]\n");
        return 1;
    }
    if (!datagen::generateDataPack(argv[1])) {
        return 1;
    }
    if (argc == 3 && !datagen::generateSampleLayouts(argv[2], argv[1])) {
        return 1;
    }
    return 0;
}
