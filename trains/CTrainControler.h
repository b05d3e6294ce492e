#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "model/Geometry.h"
#include "platform/ByteWriter.h"

namespace trains {

class CTrainItem;

// Owner of the running order of every vehicle on the layout: the list whose 1-based
// positions are the neighbour numbers of saved vehicle records. It reads and writes the
// trains chunk of the layout file. One per process (trainController).
class CTrainControler {
public:
    CTrainControler();
    ~CTrainControler();
    CTrainControler(const CTrainControler&) = delete;
    CTrainControler& operator=(const CTrainControler&) = delete;

    const std::vector<CTrainItem*>& vehicles() const { return vehicles_; }
    std::size_t vehicleCount() const { return vehicles_.size(); }
    // Appends unless absent or already listed.
    void addVehicle(CTrainItem* vehicle);
    // Removes its entry, keeping the order of the others.
    void removeVehicle(const CTrainItem* vehicle);
    // 1-based position of a vehicle among those saveChunk writes, 0 when it is not written.
    std::int32_t recordNumber(const CTrainItem* vehicle) const;

    // Reads a trains chunk (tag "TrnC"): places each vehicle on its recorded tile (tiles
    // shifted by `tileOffset`), relinks the trains, sets coupled vehicles at coupling
    // distance and deletes unusable vehicles. A chunk under 28 bytes or with another tag is
    // ignored; a record with another tag, or one reaching past the chunk, ends the reading.
    void loadChunk(std::span<const std::uint8_t> bytes, model::TilePos tileOffset);
    // The trains chunk: head and one record per vehicle standing on a valid position.
    std::vector<std::uint8_t> saveChunk() const;

private:
    std::vector<CTrainItem*> vehicles_;
};

// The controller, or null before it is created.
CTrainControler* trainController();
// The controller, created on first request; it lives until the process ends.
CTrainControler& getOrCreateTrainController();

} // namespace trains
