// Feeds arbitrary bytes to the landscape record reader ("Lnd2" and the older "LndI"). A read
// record is written, read back and written again: the two records must be identical.
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    model::CLandscapeItem* item = model::createLandscapeItem();
    if (item->readRecord(std::span(data, size), false, 0, 0)) {
        (void)item->gridPoints(0.025, 1.0, 0.025);
        (void)item->heightAt(20.0, 20.0);
        model::TerrainRange range;
        (void)item->samplesUnderTile(model::TilePos{1, 1}, range);
        const std::vector<std::uint8_t> written = item->writeRecord();
        model::CLandscapeItem* again = model::createLandscapeItem();
        if (!again->readRecord(written, true, 0, 0) || again->writeRecord() != written) {
            std::abort();
        }
    }
    model::deleteAllLandscapeItems();
    return 0;
}
