// Feeds arbitrary bytes to the layout file reader. A layout that is read is written, read
// back and written again: the two files must be identical.
#include "model/CZarnoltDocument.h"
#include "persistence/LayoutFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static model::CZarnoltDocument* const document = [] {
        setenv("ZARNOLT_CONFIG_DIR", "/tmp/zarnolt-fuzz-layout-config", 0);
        persistence::installLayoutFileHandlers();
        return new model::CZarnoltDocument(11, 11);
    }();
    if (persistence::readLayoutBytes(*document, std::span(data, size)) !=
        persistence::LayoutReadResult::Read) {
        document->clear(false);
        return 0;
    }
    const std::vector<std::uint8_t> written = persistence::buildLayoutFile(*document);
    if (persistence::readLayoutBytes(*document, written) != persistence::LayoutReadResult::Read ||
        persistence::buildLayoutFile(*document) != written) {
        std::abort();
    }
    // Nothing stays for the static destructors at exit.
    document->clear(false);
    return 0;
}
