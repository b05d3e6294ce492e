#include "sound/WaveFile.h"

#include "platform/AtomicFile.h"
#include "platform/Debug.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace sound {

namespace {

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

void putTag(std::vector<std::uint8_t>& out, std::string_view tag) {
    out.insert(out.end(), tag.begin(), tag.end());
}

std::uint16_t getU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

} // namespace

WaveFormat pcmFormat(std::uint16_t channels, std::uint32_t samplesPerSecond,
                     std::uint16_t bitsPerSample) {
    WaveFormat format;
    format.formatTag = kWaveFormatPcm;
    format.channels = channels;
    format.samplesPerSecond = samplesPerSecond;
    format.bitsPerSample = bitsPerSample;
    format.blockAlign = static_cast<std::uint16_t>(channels * ((bitsPerSample + 7) / 8));
    format.averageBytesPerSecond = samplesPerSecond * format.blockAlign;
    return format;
}

std::vector<std::uint8_t> encodeWave(const WaveFormat& format, std::span<const std::uint8_t> data) {
    const std::uint64_t padded = data.size() + (data.size() & 1);
    const std::uint64_t riffSize = 4 + (8 + kWaveFormatBytes) + 8 + padded;
    if (riffSize > std::numeric_limits<std::uint32_t>::max() - 8) {
        return {};
    }
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(riffSize + 8));
    putTag(out, "RIFF");
    putU32(out, static_cast<std::uint32_t>(riffSize));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putU32(out, kWaveFormatBytes);
    putU16(out, format.formatTag);
    putU16(out, format.channels);
    putU32(out, format.samplesPerSecond);
    putU32(out, format.averageBytesPerSecond);
    putU16(out, format.blockAlign);
    putU16(out, format.bitsPerSample);
    putU16(out, format.extraSize);
    putTag(out, "data");
    putU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) {
        out.push_back(0);
    }
    return out;
}

std::vector<std::uint8_t> pcm16Bytes(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> out;
    out.reserve(samples.size() * 2);
    for (std::int16_t sample : samples) {
        putU16(out, static_cast<std::uint16_t>(sample));
    }
    return out;
}

bool writeWaveFile(const fs::path& path, const WaveFormat& format,
                   std::span<const std::uint8_t> data) {
    const std::vector<std::uint8_t> bytes = encodeWave(format, data);
    if (bytes.empty()) {
        return false;
    }
    return platform::replaceFileContents(path, bytes).written;
}

// Random-access bytes of an opened wave: a file on disk or a copy in memory. Reads return
// the count actually delivered; seeking past the end is allowed and makes later reads short.
class CWaveFile::Source {
public:
    virtual ~Source() = default;
    virtual std::size_t read(std::uint8_t* destination, std::size_t count) = 0;
    virtual void seek(std::uint64_t position) = 0;
    virtual std::uint64_t position() const = 0;
    virtual std::uint64_t size() const = 0;
};

namespace {

class FileSource final : public CWaveFile::Source {
public:
    FileSource(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {}
    ~FileSource() override { std::fclose(file_); }

    std::size_t read(std::uint8_t* destination, std::size_t count) override {
        if (position_ >= size_) {
            return 0;
        }
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - position_));
        if (fseeko(file_, static_cast<off_t>(position_), SEEK_SET) != 0) {
            return 0;
        }
        const std::size_t got = std::fread(destination, 1, count, file_);
        position_ += got;
        return got;
    }
    void seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t position() const override { return position_; }
    std::uint64_t size() const override { return size_; }

private:
    std::FILE* file_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
};

class MemorySource final : public CWaveFile::Source {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t read(std::uint8_t* destination, std::size_t count) override {
        if (position_ >= bytes_.size()) {
            return 0;
        }
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - position_));
        std::memcpy(destination, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }
    void seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t position() const override { return position_; }
    std::uint64_t size() const override { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

} // namespace

CWaveFile::CWaveFile() = default;
CWaveFile::~CWaveFile() = default;

bool CWaveFile::isOpen() const {
    return file_ != nullptr;
}

void CWaveFile::close() {
    file_.reset();
    dataOffset_ = 0;
    dataLength_ = 0;
    bytesRead_ = 0;
}

bool CWaveFile::open(const fs::path& path) {
    close();
    format_ = {};
    path_ = path.string();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return fail(WaveError::Open);
    }
    std::error_code error;
    const bool regular = fs::is_regular_file(path, error);
    const std::uintmax_t size = regular ? fs::file_size(path, error) : 0;
    if (!regular || error) {
        std::fclose(file);
        return fail(WaveError::Open);
    }
    file_ = std::make_unique<FileSource>(file, size);
    return parse();
}

bool CWaveFile::openBytes(std::vector<std::uint8_t> bytes, std::string name) {
    close();
    format_ = {};
    path_ = std::move(name);
    file_ = std::make_unique<MemorySource>(std::move(bytes));
    return parse();
}

bool CWaveFile::fail(WaveError error) {
    file_.reset();
    dataOffset_ = 0;
    dataLength_ = 0;
    bytesRead_ = 0;
    lastError_ = error;
    const char* pattern = error == WaveError::Open   ? "Error : Can't open wave file (%s)\n"
                          : error == WaveError::Read ? "Error : Can't read wave file (%s)\n"
                                                     : "Error : Wrong wave data (%s)\n";
    char text[64 + 4096];
    std::snprintf(text, sizeof text, pattern, path_.c_str());
    platform::debugOut(text);
    return false;
}

bool CWaveFile::parse() {
    Source& file = *file_;
    std::uint8_t word[4];
    auto readWord = [&] { return file.read(word, 4) == 4; };
    auto isTag = [&](std::string_view tag) { return std::memcmp(word, tag.data(), 4) == 0; };
    // Steps over the chunk whose tag has just been read, with its pad byte.
    auto skipChunk = [&] {
        if (!readWord()) {
            return false;
        }
        const std::uint64_t size = getU32(word);
        file.seek(file.position() + size + (size & 1));
        return true;
    };

    if (!readWord()) {
        return fail(WaveError::Read);
    }
    if (!isTag("RIFF")) {
        return fail(WaveError::Data);
    }
    if (!readWord()) {
        return fail(WaveError::Read);
    }
    if (file.size() != std::uint64_t{getU32(word)} + 8) {
        return fail(WaveError::Data);
    }
    if (!readWord()) {
        return fail(WaveError::Read);
    }
    if (!isTag("WAVE")) {
        return fail(WaveError::Data);
    }

    for (;;) {
        if (!readWord()) {
            return fail(WaveError::Read);
        }
        if (isTag("fmt ")) {
            break;
        }
        if (!skipChunk()) {
            return fail(WaveError::Read);
        }
    }
    if (!readWord()) {
        return fail(WaveError::Read);
    }
    const std::uint32_t formatSize = getU32(word);
    std::uint8_t record[kWaveFormatBytes] = {};
    const std::size_t wanted = std::min<std::size_t>(formatSize, kWaveFormatBytes);
    if (file.read(record, wanted) != wanted) {
        return fail(WaveError::Read);
    }
    format_.formatTag = getU16(record);
    format_.channels = getU16(record + 2);
    format_.samplesPerSecond = getU32(record + 4);
    format_.averageBytesPerSecond = getU32(record + 8);
    format_.blockAlign = getU16(record + 12);
    format_.bitsPerSample = getU16(record + 14);
    format_.extraSize = formatSize >= kWaveFormatBytes ? getU16(record + 16) : 18;
    file.seek(file.position() + (formatSize - wanted) + (formatSize & 1));

    for (;;) {
        if (!readWord()) {
            return fail(WaveError::Read);
        }
        if (isTag("data")) {
            break;
        }
        if (!skipChunk()) {
            return fail(WaveError::Read);
        }
    }
    if (!readWord()) {
        return fail(WaveError::Read);
    }
    const std::uint64_t offset = file.position();
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return fail(WaveError::Data);
    }
    const std::uint64_t available = file.size() - offset;
    const std::uint64_t length = std::min<std::uint64_t>(
        {getU32(word), available,
         static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())});
    dataOffset_ = static_cast<std::int32_t>(offset);
    dataLength_ = static_cast<std::int32_t>(length);
    bytesRead_ = 0;
    lastError_ = WaveError::None;
    return true;
}

std::size_t CWaveFile::read(std::span<std::uint8_t> destination) {
    if (!file_) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(
        destination.size(), static_cast<std::size_t>(dataLength_ - bytesRead_));
    file_->seek(static_cast<std::uint64_t>(dataOffset_) + static_cast<std::uint64_t>(bytesRead_));
    const std::size_t got = file_->read(destination.data(), count);
    bytesRead_ += static_cast<std::int32_t>(got);
    return got;
}

void CWaveFile::rewind() {
    bytesRead_ = 0;
    if (file_) {
        file_->seek(static_cast<std::uint64_t>(dataOffset_));
    }
}

} // namespace sound
