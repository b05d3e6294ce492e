// Feeds arbitrary bytes to the wave reader and drains the sample data.
#include "sound/WaveFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sound::CWaveFile wave;
    if (wave.openBytes(std::vector<std::uint8_t>(data, data + size), "fuzz")) {
        std::vector<std::uint8_t> buffer(4096);
        while (wave.read(buffer) > 0) {
        }
        wave.rewind();
        wave.read(buffer);
    }
    return 0;
}
