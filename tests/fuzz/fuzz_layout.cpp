// Feeds arbitrary bytes to the layout file reader, trains included. A layout that is read is
// written and read back until its file no longer changes: a train that was turned takes its
// places from its new first vehicle on the first reload, so the second written file must
// already be the one every further write-read gives.
#include "model/CZarnoltDocument.h"
#include "persistence/LayoutFile.h"
#include "trains/TrainFileHandlers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

namespace {

std::vector<std::uint8_t> writeAndReadBack(model::CZarnoltDocument& document) {
    std::vector<std::uint8_t> written = persistence::buildLayoutFile(document);
    std::string warning;
    if (persistence::readLayoutBytes(document, written, {}, {}, &warning) !=
            persistence::LayoutReadResult::Read ||
        !warning.empty()) {
        std::abort(); // our own file must read without damage
    }
    return written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static model::CZarnoltDocument* const document = [] {
        setenv("ZARNOLT_CONFIG_DIR", "/tmp/zarnolt-fuzz-layout-config", 0);
        persistence::installLayoutFileHandlers();
        trains::installTrainFileHandlers();
        return new model::CZarnoltDocument(11, 11);
    }();
    if (persistence::readLayoutBytes(*document, std::span(data, size)) !=
        persistence::LayoutReadResult::Read) {
        document->clear(false);
        return 0;
    }
    writeAndReadBack(*document);
    const std::vector<std::uint8_t> second = writeAndReadBack(*document);
    if (persistence::buildLayoutFile(*document) != second) {
        std::abort();
    }
    // Nothing stays for the static destructors at exit.
    document->clear(false);
    return 0;
}
