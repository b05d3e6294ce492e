#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "sound/AudioOut.h"
#include "sound/CPlaySound.h"
#include "sound/SteamSound.h"
#include "sound/WaveFile.h"

namespace {

using sound::CPlaySound;
using sound::SilentAudioOut;

// A mono 16-bit wave of `samples` samples at 8000 Hz (16000 bytes a second), every sample 1000.
std::vector<std::uint8_t> waveOf(std::size_t samples) {
    const std::vector<std::int16_t> data(samples, 1000);
    return sound::encodeWave(sound::pcmFormat(1, 8000, 16), sound::pcm16Bytes(data));
}

// A player on the silent output whose time is the test's clock.
struct Rig {
    std::atomic<std::uint64_t> now{1000};
    SilentAudioOut* out = nullptr;
    std::unique_ptr<CPlaySound> player;

    explicit Rig(std::size_t samples) {
        auto silent = std::make_unique<SilentAudioOut>([this] { return now.load(); });
        out = silent.get();
        player = std::make_unique<CPlaySound>(std::move(silent));
        EXPECT_TRUE(player->loadWaveBytes(waveOf(samples), "steam"));
        EXPECT_TRUE(player->openDevice(0, player->waveFile()->format()));
    }
    void advance(std::uint64_t ms) {
        now += ms;
        out->pump();
    }
};

TEST(CPlaySoundTest, PlaysThroughThreeBuffersAndStopsRewoundAtTheEnd) {
    // 40000 bytes: three full buffers of 12288 and one of 3136; 12288 bytes last 768 ms.
    Rig rig(20000);
    EXPECT_EQ(rig.player->state(), 0);
    ASSERT_TRUE(rig.player->play());
    EXPECT_EQ(rig.player->state(), 1);
    EXPECT_EQ(rig.player->queued(), 3);
    EXPECT_EQ(rig.out->bytesWritten(), 3u * 12288u);
    rig.advance(767);
    EXPECT_EQ(rig.player->queued(), 3); // nothing has finished yet
    rig.advance(1);
    EXPECT_EQ(rig.player->queued(), 3); // the first came back and the last piece went out
    EXPECT_EQ(rig.out->bytesWritten(), 40000u);
    EXPECT_EQ(rig.player->waveFile()->bytesRead(), 40000);
    rig.advance(768 * 2);
    EXPECT_EQ(rig.player->queued(), 1);
    EXPECT_EQ(rig.player->state(), 1);
    rig.advance(196);
    EXPECT_EQ(rig.player->queued(), 0);
    EXPECT_EQ(rig.player->state(), 0);
    EXPECT_EQ(rig.player->waveFile()->bytesRead(), 0); // rewound for the next play
    // Playing again starts from the beginning.
    ASSERT_TRUE(rig.player->play());
    EXPECT_EQ(rig.out->bytesWritten(), 40000u + 3u * 12288u);
}

TEST(CPlaySoundTest, StopReturnsEveryBufferAndRewinds) {
    Rig rig(20000);
    ASSERT_TRUE(rig.player->play());
    rig.advance(800);
    ASSERT_TRUE(rig.player->stop());
    EXPECT_EQ(rig.player->state(), 0);
    EXPECT_EQ(rig.player->queued(), 0);
    EXPECT_EQ(rig.out->pending(), 0u);
    EXPECT_EQ(rig.player->waveFile()->bytesRead(), 0);
    EXPECT_TRUE(rig.player->stop()); // stopping a stopped player succeeds
}

TEST(CPlaySoundTest, WithoutDeviceOrWaveFilePlayingFails) {
    auto silent = std::make_unique<SilentAudioOut>([] { return std::uint64_t{0}; });
    CPlaySound player(std::move(silent));
    ASSERT_EQ(player.devices().size(), 1u);
    EXPECT_EQ(player.devices()[0].id, -1);
    EXPECT_FALSE(player.play());
    EXPECT_FALSE(player.stop());
    EXPECT_EQ(player.getVolume(), 0u);
    player.setVolume(0x1234);
    EXPECT_EQ(player.getVolume(), 0u);
    EXPECT_FALSE(player.openDevice(1, sound::pcmFormat(1, 8000, 16)));
    EXPECT_FALSE(player.openDevice(-1, sound::pcmFormat(1, 8000, 16)));
    ASSERT_TRUE(player.openDevice(0, sound::pcmFormat(1, 8000, 16)));
    EXPECT_FALSE(player.play()); // no wave file
    EXPECT_EQ(player.state(), 0);
    EXPECT_FALSE(player.loadWaveBytes({'R', 'I', 'F', 'F'}, "short"));
    EXPECT_EQ(player.waveFile(), nullptr);
}

TEST(CPlaySoundTest, VolumeIsAGainOnTheStreamsSamples) {
    Rig rig(20000);
    EXPECT_EQ(rig.player->getVolume(), 0xFFFFFFFFu);
    rig.player->setVolume(sound::kVolumeQuarter);
    ASSERT_TRUE(rig.player->play());
    const auto bytes = rig.out->lastWrite();
    ASSERT_GE(bytes.size(), 2u);
    const auto first = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
    EXPECT_EQ(first, 1000 * 0x4000 / 0xFFFF);

    const struct {
        std::uint16_t channels;
        std::uint16_t bits;
        std::vector<std::uint8_t> in;
        std::uint32_t volume;
        std::vector<std::uint8_t> out;
    } cases[] = {
        // 16-bit stereo: left full, right half.
        {2, 16, {0x10, 0x27, 0x10, 0x27}, 0x8000FFFFu, {0x10, 0x27, 0x88, 0x13}},
        // 16-bit mono, negative sample, half.
        {1, 16, {0x18, 0xFC}, 0x80008000u, {0x0C, 0xFE}},
        // 8-bit mono around the middle 128.
        {1, 8, {228, 28, 128}, 0x80008000u, {178, 78, 128}},
        // Full volume leaves the bytes.
        {1, 16, {0x01, 0x80}, 0xFFFFFFFFu, {0x01, 0x80}},
        // Silence.
        {1, 16, {0x10, 0x27}, 0u, {0, 0}},
    };
    for (const auto& c : cases) {
        auto bytesIn = c.in;
        CPlaySound::applyGain(bytesIn, sound::pcmFormat(c.channels, 8000, c.bits), c.volume);
        EXPECT_EQ(bytesIn, c.out) << c.channels << " " << c.bits << " " << c.volume;
    }
}

TEST(CPlaySoundTest, CompletionsFromAnotherThreadWhileTheViewPlaysAndStops) {
    // The silent output's own thread returns the buffers on the monotonic clock.
    auto player = std::make_unique<CPlaySound>(std::make_unique<SilentAudioOut>());
    ASSERT_TRUE(player->loadWaveBytes(waveOf(600), "short"));
    ASSERT_TRUE(player->openDevice(0, player->waveFile()->format()));
    for (int i = 0; i < 50; ++i) {
        player->play();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (i % 3 == 0) {
            player->stop();
        }
        player->setVolume(i % 2 ? sound::kVolumeHalf : sound::kVolumeFull);
    }
    EXPECT_TRUE(player->stop());
    EXPECT_EQ(player->state(), 0);
    player.reset();
}

using Vehicle = sound::SteamSoundInputs::Vehicle;

TEST(SteamSoundTest, DecisionAndVolumeTable) {
    const Vehicle runningSteam{true, true, false, 50};
    const Vehicle blockedSteam{true, true, true, 50};
    const Vehicle haltedSteam{true, false, false, 0};
    const Vehicle standingSteam{true, true, false, 0};
    const Vehicle electric{false, true, false, 80};
    const struct {
        const char* name;
        bool noSound;
        sound::SteamSoundInputs in;
        bool wanted;
        std::uint32_t volume;
    } cases[] = {
        {"one blocked, one running",
         false,
         {true, {blockedSteam, runningSteam}, true, 0, false},
         true,
         sound::kVolumeHalf},
        {"running one halted",
         false,
         {true, {blockedSteam, haltedSteam}, true, 0, false},
         false,
         0},
        {"standing steam", false, {true, {standingSteam}, true, 1, true}, false, 0},
        {"electric camera train",
         false,
         {true, {electric, runningSteam}, true, 1, false},
         true,
         sound::kVolumeQuarter},
        {"steam camera train",
         false,
         {true, {runningSteam}, true, 2, true},
         true,
         sound::kVolumeFull},
        {"walking", false, {true, {runningSteam}, true, 5, true}, true, sound::kVolumeHalf},
        {"no renderer", false, {true, {runningSteam}, false, 1, true}, true, 0},
        {"only electric", false, {true, {electric}, true, 1, false}, false, 0},
        {"no controller", false, {false, {runningSteam}, true, 1, true}, false, 0},
        {"no sound", true, {true, {runningSteam}, true, 2, true}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto d = sound::decideSteamSound(c.noSound, c.in);
        EXPECT_EQ(d.wanted, c.wanted);
        EXPECT_EQ(d.volume, c.volume);
    }
}

TEST(SteamSoundTest, TicksStartStopAndSetTheVolumeOnlyWhenStarting) {
    std::atomic<std::uint64_t> now{0};
    auto silent = std::make_unique<SilentAudioOut>([&] { return now.load(); });
    SilentAudioOut* out = silent.get();
    auto player = std::make_unique<CPlaySound>(std::move(silent));
    ASSERT_TRUE(player->loadWaveBytes(waveOf(20000), "steam"));
    ASSERT_TRUE(player->openDevice(0, player->waveFile()->format()));
    sound::SteamSound steam(std::move(player), false);

    sound::SteamSoundInputs in{true, {{true, true, false, 10}}, true, 1, false};
    steam.tick(in);
    EXPECT_EQ(steam.player().state(), 1);
    EXPECT_EQ(steam.player().getVolume(), sound::kVolumeQuarter);
    // While it plays, a change of camera changes nothing.
    in.cameraTrainIsSteam = true;
    steam.tick(in);
    EXPECT_EQ(steam.player().getVolume(), sound::kVolumeQuarter);
    // The file ends; the next tick starts it again at the new volume.
    for (int i = 0; i < 30; ++i) {
        now += 100;
        out->pump();
    }
    ASSERT_EQ(steam.player().state(), 0);
    steam.tick(in);
    EXPECT_EQ(steam.player().state(), 1);
    EXPECT_EQ(steam.player().getVolume(), sound::kVolumeFull);
    // The locomotive halts: the sound stops at the next tick.
    in.vehicles[0].active = false;
    steam.tick(in);
    EXPECT_EQ(steam.player().state(), 0);
    EXPECT_EQ(out->pending(), 0u);
}

TEST(SteamSoundTest, NoSoundIsKeptFromConstruction) {
    auto player = std::make_unique<CPlaySound>(
        std::make_unique<SilentAudioOut>([] { return std::uint64_t{0}; }));
    ASSERT_TRUE(player->loadWaveBytes(waveOf(20000), "steam"));
    ASSERT_TRUE(player->openDevice(0, player->waveFile()->format()));
    sound::SteamSound steam(std::move(player), true);
    const sound::SteamSoundInputs in{true, {{true, true, false, 10}}, true, 2, true};
    steam.tick(in);
    EXPECT_EQ(steam.player().state(), 0);
    EXPECT_TRUE(steam.noSound());
}

} // namespace
