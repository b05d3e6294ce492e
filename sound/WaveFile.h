#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sound {

// The 18-byte format record of a wave file's "fmt " chunk (stored little-endian).
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    bool operator==(const WaveFormat&) const = default;
};

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::size_t kWaveFormatBytes = 18;

// The format record of integer PCM samples with the derived alignment and byte rate.
WaveFormat pcmFormat(std::uint16_t channels, std::uint32_t samplesPerSecond,
                     std::uint16_t bitsPerSample);

// A complete RIFF WAVE file: an 18-byte "fmt " chunk followed by a "data" chunk holding
// `data` (padded to an even length). Empty when the data is too long for a RIFF size.
std::vector<std::uint8_t> encodeWave(const WaveFormat& format, std::span<const std::uint8_t> data);
// Signed 16-bit samples as little-endian bytes, the data of a 16-bit PCM wave.
std::vector<std::uint8_t> pcm16Bytes(std::span<const std::int16_t> samples);
// Writes encodeWave(format, data) through the atomic file writer (platform/AtomicFile.h), so a
// failed write leaves any previous file intact. False on any failure.
bool writeWaveFile(const std::filesystem::path& path, const WaveFormat& format,
                   std::span<const std::uint8_t> data);

// Why the last open failed.
enum class WaveError { None, Open, Read, Data };

// A wave file opened for streaming its sample data (the sound player's source).
//
// Opening parses the RIFF header: "RIFF" with a size equal to the file length minus 8,
// "WAVE", chunks skipped up to "fmt " (a chunk of 18 bytes or more fills the format record;
// a shorter one fills what it holds and sets the extra size to 18), chunks skipped up to
// "data". Chunks of odd size are followed by their pad byte. A "data" chunk that claims more
// bytes than the file holds is cut to what is there, so reads never pass the end of the file.
// Every failure closes the file, writes "Error : ..." with the name to the debug output and
// is reported by lastError().
class CWaveFile {
public:
    CWaveFile();
    ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    bool open(const std::filesystem::path& path);
    // The same parse over bytes in memory (kept by the object); `name` stands in for the path
    // in messages.
    bool openBytes(std::vector<std::uint8_t> bytes, std::string name = "memory");
    void close();
    bool isOpen() const;

    // Copies at most destination.size() bytes of the sample data, never past its end, and
    // returns the count (0 at the end of the data or when nothing is open).
    std::size_t read(std::span<std::uint8_t> destination);
    // Back to the first byte of the sample data.
    void rewind();

    const WaveFormat& format() const { return format_; }
    const std::string& path() const { return path_; }
    std::int32_t dataOffset() const { return dataOffset_; }
    std::int32_t dataLength() const { return dataLength_; }
    std::int32_t bytesRead() const { return bytesRead_; }
    WaveError lastError() const { return lastError_; }

    class Source;

private:
    bool parse();
    bool fail(WaveError error);

    WaveFormat format_;
    std::string path_;
    std::unique_ptr<Source> file_;
    std::int32_t dataOffset_ = 0;
    std::int32_t dataLength_ = 0;
    std::int32_t bytesRead_ = 0;
    WaveError lastError_ = WaveError::None;
};

} // namespace sound
