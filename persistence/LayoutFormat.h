#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The fixed numbers of the layout file: tags, header fields and record sizes. Every number
// in the file is big-endian; every chunk and record starts with its tag and its total length.
namespace persistence {

inline constexpr std::string_view kLayoutMagic = "Zn02";
inline constexpr std::uint32_t kLayoutVersion = 0x00020000;
inline constexpr std::size_t kHeaderLength = 296;

// Header offsets.
inline constexpr std::size_t kHeaderFileLength = 4;
inline constexpr std::size_t kHeaderColumns = 8;
inline constexpr std::size_t kHeaderRows = 12;
inline constexpr std::size_t kHeaderVersion = 20;
inline constexpr std::size_t kHeaderTrackOffset = 24;
inline constexpr std::size_t kHeaderLandscapeOffset = 28;
inline constexpr std::size_t kHeaderTrainOffset = 32;
inline constexpr std::size_t kHeaderEnvironmentOffset = 36;

// Chunks.
inline constexpr std::string_view kTrackChunkTag = "TrkD";
inline constexpr std::string_view kLandscapeChunkTag = "LnI2";
inline constexpr std::string_view kLandscapeChunkOldTag = "LnIV";
inline constexpr std::string_view kTrainChunkTag = "TrnC";
inline constexpr std::string_view kEnvironmentChunkTag = "Cenv";
inline constexpr std::size_t kChunkHeadLength = 8;
inline constexpr std::size_t kTrackChunkHeadLength = 24;
inline constexpr std::size_t kLandscapeChunkHeadLength = 28;
inline constexpr std::size_t kEnvironmentChunkLength = 92;

// Records inside "TrkD".
inline constexpr std::string_view kTileRecordTag = "TrkP";
inline constexpr std::size_t kTileRecordHeadLength = 52;
inline constexpr std::string_view kTrackSectionTag = "trck";
inline constexpr std::size_t kTrackSectionHeadLength = 28;
inline constexpr std::size_t kLineRecordHeadLength = 20;
// Line points are tile-local (0 … 40 on a tile); a line with a point farther out than this is
// not taken, so that no coordinate difference or square overflows in the line geometry.
inline constexpr std::int32_t kMaxLinePointCoordinate = 10000;
inline constexpr std::string_view kStructureSectionTag = "tkSt";
inline constexpr std::size_t kStructureSectionHeadLength = 28;
inline constexpr std::string_view kControlItemTag = "tkOp";
inline constexpr std::size_t kControlSectionHeadLength = 8;
inline constexpr std::size_t kControlItemRecordLength = 56;

// Records inside "LnI2".
inline constexpr std::string_view kLandscapeRecordTag = "Lnd2";
inline constexpr std::string_view kLandscapeOldRecordTag = "LndI";

// Whether the four bytes at `data` are the tag.
inline bool isTag(const std::uint8_t* data, std::string_view tag) {
    return tag.size() == 4 && data[0] == static_cast<std::uint8_t>(tag[0]) &&
           data[1] == static_cast<std::uint8_t>(tag[1]) &&
           data[2] == static_cast<std::uint8_t>(tag[2]) &&
           data[3] == static_cast<std::uint8_t>(tag[3]);
}

} // namespace persistence
