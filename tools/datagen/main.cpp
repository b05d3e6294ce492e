// zarnolt-datagen OUTPUT_FOLDER: writes the built-in data pack "データ" into OUTPUT_FOLDER,
// replacing what was there. Exit status 0 on success, 1 with a line on stderr on failure.
#include "tools/datagen/DataPack.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zarnolt-datagen OUTPUT_FOLDER\n");
        return 1;
    }
    return datagen::generateDataPack(argv[1]) ? 0 : 1;
}
