#include "sound/WaveFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using sound::CWaveFile;
using sound::WaveError;
using Bytes = std::vector<std::uint8_t>;

void putU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void putTag(Bytes& out, std::string_view tag) {
    out.insert(out.end(), tag.begin(), tag.end());
}

void putChunk(Bytes& out, std::string_view tag, const Bytes& body, bool pad = true) {
    putTag(out, tag);
    putU32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) {
        out.push_back(0);
    }
}

// The fmt record of 8-bit mono PCM at 8000 Hz, `size` bytes long (16 or 18 and more).
Bytes formatBody(std::size_t size) {
    // Made at its full size first: growing a 16-byte vector draws a false array-bounds
    // warning from GCC 12 at -O3.
    Bytes body(std::max<std::size_t>(size, 16), 0);
    const std::uint8_t pcm[16] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0};
    std::copy(pcm, pcm + 16, body.begin());
    body.resize(size);
    if (size >= 18) {
        body[16] = 0x22;
    }
    return body;
}

// "RIFF", the size the file length gives, "WAVE", then the chunks.
Bytes riff(const Bytes& chunks) {
    Bytes out;
    putTag(out, "RIFF");
    putU32(out, static_cast<std::uint32_t>(chunks.size() + 4));
    putTag(out, "WAVE");
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

Bytes readAll(CWaveFile& wave, std::size_t piece) {
    Bytes out;
    Bytes buffer(piece);
    while (std::size_t got = wave.read(buffer)) {
        out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<long>(got));
    }
    return out;
}

TEST(WaveWriter, WritesTheExactBytesOfASmallFile) {
    const auto format = sound::pcmFormat(1, 8000, 16);
    const std::vector<std::int16_t> samples = {1, -2, 0x1234};
    const Bytes expected = {'R', 'I', 'F',  'F',  44, 0, 0, 0, 'W', 'A',  'V',  'E',  'f',
                            'm', 't', ' ',  18,   0,  0, 0, 1, 0,   1,    0,    0x40, 0x1F,
                            0,   0,   0x80, 0x3E, 0,  0, 2, 0, 16,  0,    0,    0,    'd',
                            'a', 't', 'a',  6,    0,  0, 0, 1, 0,   0xFE, 0xFF, 0x34, 0x12};
    EXPECT_EQ(sound::encodeWave(format, sound::pcm16Bytes(samples)), expected);
}

TEST(WaveWriter, PadsAnOddDataChunkAndReadsBack) {
    const auto format = sound::pcmFormat(2, 22050, 8);
    const Bytes data = {1, 2, 3, 4, 5};
    const Bytes file = sound::encodeWave(format, data);
    EXPECT_EQ(file.size(), 46u + 6u);
    CWaveFile wave;
    ASSERT_TRUE(wave.openBytes(file));
    EXPECT_EQ(wave.format(), format);
    EXPECT_EQ(wave.dataLength(), 5);
    EXPECT_EQ(readAll(wave, 2), data);
}

TEST(WaveWriter, WriteIntoAMissingFolderFailsAndLeavesNothing) {
    testsupport::TempFolder folder;
    const auto path = folder / "missing" / "sound.wav";
    EXPECT_FALSE(sound::writeWaveFile(path, sound::pcmFormat(1, 8000, 8), Bytes{1, 2}));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST(WaveFile, ReadsInPiecesNeverPastTheDataAndRewinds) {
    testsupport::TempFolder folder;
    Bytes data(1000);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7);
    }
    Bytes file = sound::encodeWave(sound::pcmFormat(1, 11025, 8), data);
    const auto path = folder / "sound.wav";
    ASSERT_TRUE(sound::writeWaveFile(path, sound::pcmFormat(1, 11025, 8), data));

    CWaveFile wave;
    ASSERT_TRUE(wave.open(path));
    EXPECT_EQ(wave.dataOffset(), 46);
    EXPECT_EQ(readAll(wave, 300), data);
    EXPECT_EQ(wave.bytesRead(), 1000);
    Bytes buffer(10);
    EXPECT_EQ(wave.read(buffer), 0u);
    wave.rewind();
    EXPECT_EQ(wave.bytesRead(), 0);
    ASSERT_EQ(wave.read(buffer), 10u);
    EXPECT_EQ(buffer, Bytes(data.begin(), data.begin() + 10));
}

TEST(WaveFile, SkipsOtherChunksBeforeTheFormatAndTheData) {
    Bytes chunks;
    putChunk(chunks, "LIST", {'a', 'b', 'c'}); // odd size: followed by a pad byte
    putChunk(chunks, "fmt ", formatBody(18));
    putChunk(chunks, "fact", {9, 9, 9, 9});
    putChunk(chunks, "data", {10, 20, 30});
    CWaveFile wave;
    ASSERT_TRUE(wave.openBytes(riff(chunks)));
    EXPECT_EQ(wave.format().samplesPerSecond, 8000u);
    EXPECT_EQ(wave.format().extraSize, 0x22);
    EXPECT_EQ(readAll(wave, 64), (Bytes{10, 20, 30}));
}

TEST(WaveFile, ShortFormatChunkSetsTheExtraSizeTo18AndLongOneIsSkipped) {
    for (std::size_t size : {16u, 20u}) {
        Bytes chunks;
        putChunk(chunks, "fmt ", formatBody(size));
        putChunk(chunks, "data", {7, 8});
        CWaveFile wave;
        ASSERT_TRUE(wave.openBytes(riff(chunks))) << size;
        EXPECT_EQ(wave.format().bitsPerSample, 8) << size;
        EXPECT_EQ(wave.format().extraSize, size < 18 ? 18 : 0x22) << size;
        EXPECT_EQ(readAll(wave, 1), (Bytes{7, 8})) << size;
    }
}

TEST(WaveFile, DataChunkLongerThanTheFileIsCutToWhatIsThere) {
    Bytes chunks;
    putChunk(chunks, "fmt ", formatBody(18));
    putTag(chunks, "data");
    putU32(chunks, 0xFFFFFFF0u);
    chunks.insert(chunks.end(), {1, 2, 3, 4});
    CWaveFile wave;
    ASSERT_TRUE(wave.openBytes(riff(chunks)));
    EXPECT_EQ(wave.dataLength(), 4);
    EXPECT_EQ(readAll(wave, 3), (Bytes{1, 2, 3, 4}));
}

TEST(WaveFile, DamagedFilesFailWithTheirKindAndMessage) {
    Bytes good;
    putChunk(good, "fmt ", formatBody(18));
    putChunk(good, "data", {1, 2});
    const Bytes file = riff(good);

    Bytes wrongSize = file;
    wrongSize[4] += 1;
    Bytes notRiff = file;
    notRiff[0] = 'X';
    Bytes notWave = file;
    notWave[8] = 'X';
    Bytes noData;
    putChunk(noData, "fmt ", formatBody(18));
    putChunk(noData, "LIST", {1, 2, 3, 4});
    Bytes noFormat;
    putChunk(noFormat, "data", {1, 2});
    Bytes shortFormat;
    putTag(shortFormat, "fmt ");
    putU32(shortFormat, 18);
    shortFormat.insert(shortFormat.end(), {1, 0, 1, 0});
    Bytes hugeSkip;
    putTag(hugeSkip, "JUNK");
    putU32(hugeSkip, 0xFFFFFFFFu);

    struct Case {
        const char* name;
        Bytes bytes;
        WaveError error;
    };
    const std::vector<Case> cases = {
        {"empty", {}, WaveError::Read},
        {"three bytes", {'R', 'I', 'F'}, WaveError::Read},
        {"RIFF size not the length minus 8", wrongSize, WaveError::Data},
        {"no RIFF tag", notRiff, WaveError::Data},
        {"no WAVE tag", notWave, WaveError::Data},
        {"ends before the data chunk", riff(noData), WaveError::Read},
        {"no format chunk", riff(noFormat), WaveError::Read},
        {"format record cut short", riff(shortFormat), WaveError::Read},
        {"chunk size beyond the file", riff(hugeSkip), WaveError::Read},
    };
    testsupport::ScopedEnv debug("ZARNOLT_DEBUG", "1");
    for (const Case& c : cases) {
        CWaveFile wave;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(wave.openBytes(c.bytes, "bad.wav")) << c.name;
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(wave.lastError(), c.error) << c.name;
        EXPECT_FALSE(wave.isOpen()) << c.name;
        const char* expected = c.error == WaveError::Read
                                   ? "Error : Can't read wave file (bad.wav)\n"
                                   : "Error : Wrong wave data (bad.wav)\n";
        EXPECT_EQ(message, expected) << c.name;
        Bytes buffer(4);
        EXPECT_EQ(wave.read(buffer), 0u) << c.name;
    }
}

TEST(WaveFile, MissingFileOrFolderFailsToOpen) {
    testsupport::TempFolder folder;
    testsupport::ScopedEnv debug("ZARNOLT_DEBUG", "1");
    for (const auto& path : {folder / "missing.wav", folder.path()}) {
        CWaveFile wave;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(wave.open(path));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Error : Can't open wave file (" + path.string() + ")\n");
        EXPECT_EQ(wave.lastError(), WaveError::Open);
    }
}

TEST(WaveFile, ReopeningForgetsThePreviousFile) {
    CWaveFile wave;
    ASSERT_TRUE(wave.openBytes(sound::encodeWave(sound::pcmFormat(1, 8000, 8), Bytes{1, 2, 3})));
    EXPECT_FALSE(wave.openBytes(Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(wave.dataLength(), 0);
    ASSERT_TRUE(wave.openBytes(sound::encodeWave(sound::pcmFormat(1, 8000, 8), Bytes{9})));
    EXPECT_EQ(readAll(wave, 8), Bytes{9});
}

} // namespace
