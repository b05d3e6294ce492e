// Feeds arbitrary bytes to the layout file reader, trains included. The same bytes read from a
// file (chunk by chunk, the tiles through a window) must give what they give from memory: the
// same answer, the same warning and the same layout. A layout that is read is written and read
// back until its file no longer changes: a train that was turned takes its places from its new
// first vehicle on the first reload, so the second written file must already be the one every
// further write-read gives.
#include "model/CZarnoltDocument.h"
#include "persistence/LayoutFile.h"
#include "trains/TrainFileHandlers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <unistd.h>

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
    static const std::string path =
        "/tmp/zarnolt-fuzz-layout-" + std::to_string(::getpid()) + ".zrn";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::string fileWarning;
    const persistence::LayoutReadResult fromFile =
        persistence::readLayoutFile(*document, path, {}, &fileWarning);
    const std::vector<std::uint8_t> fileLayout = fromFile == persistence::LayoutReadResult::Read
                                                     ? persistence::buildLayoutFile(*document)
                                                     : std::vector<std::uint8_t>{};
    document->clear(false);
    std::string warning;
    const persistence::LayoutReadResult fromBytes =
        persistence::readLayoutBytes(*document, std::span(data, size), {}, {}, &warning);
    if (fromBytes != fromFile || warning != fileWarning) {
        std::abort();
    }
    if (fromBytes != persistence::LayoutReadResult::Read) {
        document->clear(false);
        return 0;
    }
    if (persistence::buildLayoutFile(*document) != fileLayout) {
        std::abort();
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
