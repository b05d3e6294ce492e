#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace editing {

// The registered clipboard and drag-and-drop format names.
inline constexpr std::string_view kTrackItemFormat = "CTrackItem";         // one tile block
inline constexpr std::string_view kTerrainItemFormat = "CTerrainItem";     // one "Lnd2" record
inline constexpr std::string_view kTrackTypeItemFormat = "CTrackTypeItem"; // a catalogue piece

// Where the editing commands put and take named byte payloads. The editor backs it with the
// system clipboard; the core never assumes what else lies on it.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's contents by one payload under one format name.
    virtual void put(std::string_view format, std::span<const std::uint8_t> payload) = 0;
    // The payload under the format, or nothing when the clipboard does not hold it.
    virtual std::optional<std::vector<std::uint8_t>> take(std::string_view format) const = 0;
    bool holds(std::string_view format) const { return take(format).has_value(); }
};

// A clipboard in memory, for tests and for running without a window system.
class MemoryClipboard final : public Clipboard {
public:
    void put(std::string_view format, std::span<const std::uint8_t> payload) override;
    std::optional<std::vector<std::uint8_t>> take(std::string_view format) const override;

private:
    std::map<std::string, std::vector<std::uint8_t>, std::less<>> contents_;
};

} // namespace editing
