#include "items/C3DItemObject.h"
#include "items/CAnimatable3DItemObject.h"
#include "items/ItemCatalogue.h"
#include "items/ItemRegistry.h"
#include "items/LegacyNames.h"
#include "platform/RenderLock.h"

#include "ItemTestSupport.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using namespace items;
using namespace itemtest;
namespace fs = std::filesystem;

namespace {

// A data folder with a catalogue and built-in items, made the process's data folder; the shared
// items and the catalogue are released before and after.
class SharedItemsTest : public ::testing::Test {
protected:
    SharedItemsTest() : env_("ZARNOLT_DATA", (folder_ / "data").string()) {
        fs::create_directories(data());
        releaseAllItems();
        resetCatalogue();
    }
    ~SharedItemsTest() override {
        releaseAllItems();
        resetCatalogue();
    }
    fs::path data() const { return folder_ / "data"; }
    void addCatalogueItem(const std::string& name, std::int32_t kind = 0) {
        writeFile(data() / "C3DItem_File" / "ストラクチャ" / name, simpleItemFile(kind));
    }

private:
    testsupport::TempFolder folder_;
    testsupport::ScopedEnv env_;
};

} // namespace

TEST_F(SharedItemsTest, OneObjectPerFileNameUntilReleased) {
    addCatalogueItem("House01.zn3", 2);
    C3DItemObject* first = getItemByFileName("House01.zn3");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->kind(), 2);
    EXPECT_EQ(first->registryKey(), "House01.zn3");
    EXPECT_TRUE(first->isLoaded());
    EXPECT_EQ(getItemByFileName("House01.zn3"), first);
    EXPECT_EQ(sharedItemCount(), 1u);

    // The release waits while another thread (a frame being drawn) holds the render lock.
    std::unique_lock<std::recursive_mutex> frame(platform::renderLock());
    std::thread releasing([] { releaseAllItems(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(sharedItemCount(), 1u);
    frame.unlock();
    releasing.join();
    EXPECT_FALSE(isLiveItem(first));
    EXPECT_EQ(sharedItemCount(), 0u);
    C3DItemObject* again = getItemByFileName("House01.zn3");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(isLiveItem(again));
}

TEST_F(SharedItemsTest, LegacyNamesFindOnlyLoadedItems) {
    addCatalogueItem("House01.zn3");
    // Not loaded yet, and the catalogue has no file of the Japanese name: none.
    EXPECT_EQ(getItemByFileName("家01.zn3"), nullptr);
    C3DItemObject* house = getItemByFileName("House01.zn3");
    ASSERT_NE(house, nullptr);
    EXPECT_EQ(getItemByFileName("家01.zn3"), house);
    EXPECT_EQ(getItemByFileName("\x89\xC6"
                                "01.zn3"),
              house);
    EXPECT_EQ(getItemByFileName("Missing.zn3"), nullptr);
}

TEST_F(SharedItemsTest, MisspeltDeckNameNeedsALoadableItem) {
    EXPECT_EQ(translateLegacyName("PassengerCar01Deck..zn3"), "");
    writeFile(data() / "C3DItem_File" / "PassengerCar01Deck.zn3", {'n', 'o', 't'});
    resetCatalogue();
    EXPECT_EQ(translateLegacyName("PassengerCar01Deck..zn3"), "");
    addCatalogueItem("PassengerCar01Deck.zn3", 102);
    fs::remove(data() / "C3DItem_File" / "PassengerCar01Deck.zn3");
    resetCatalogue();
    EXPECT_EQ(translateLegacyName("PassengerCar01Deck..zn3"), "PassengerCar01Deck.zn3");
    C3DItemObject* deck = getItemByFileName("PassengerCar01Deck..zn3");
    ASSERT_NE(deck, nullptr);
    EXPECT_EQ(deck->kind(), 102);
}

TEST_F(SharedItemsTest, BuiltinItemsAreSharedPerNumber) {
    writeFile(data() / "C3DItem_Buildin" / "128.zn3", simpleItemFile(5));
    writeFile(data() / "C3DItem_Buildin" / "129.zn3", {'b', 'a', 'd'});
    C3DItemObject* item = getBuiltinItem(128);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->kind(), 5);
    EXPECT_EQ(item->builtinNumber(), 128);
    EXPECT_TRUE(item->registryKey().empty());
    EXPECT_TRUE(item->isLoaded());
    EXPECT_EQ(getBuiltinItem(128), item);
    EXPECT_EQ(getBuiltinItem(129), nullptr);
    EXPECT_EQ(getBuiltinItem(130), nullptr);
    prepareAllItems(); // loads what exists of 128 … 138 and prepares it
    EXPECT_EQ(getBuiltinItem(128), item);
    releaseAllItems();
    EXPECT_FALSE(isLiveItem(item));
}

TEST_F(SharedItemsTest, NightItemsArePrefixed) {
    addCatalogueItem("night_House01.zn3", 9);
    addCatalogueItem("House02.zn3");
    C3DItemObject* night = getNightItem("House01.zn3");
    ASSERT_NE(night, nullptr);
    EXPECT_EQ(night->kind(), 9);
    EXPECT_EQ(getNightItem("House02.zn3"), nullptr);
}

TEST_F(SharedItemsTest, LoadFromPathEntersAnItemOwnedElsewhere) {
    writeFile(data() / "elsewhere" / "Tower01.zn3", simpleItemFile(1));
    {
        C3DItemObject own;
        ASSERT_TRUE(own.loadFromPath(data() / "elsewhere" / "Tower01.zn3"));
        EXPECT_EQ(own.sourcePath(), data() / "elsewhere" / "Tower01.zn3");
        EXPECT_EQ(getItemByFileName("Tower01.zn3"), &own);
    }
    // Destroyed by its owner: no longer handed out, and not in the catalogue either.
    EXPECT_EQ(getItemByFileName("Tower01.zn3"), nullptr);
    EXPECT_EQ(sharedItemCount(), 0u);
}

TEST(ItemAnimation, AdvancesByWholeIntervalsElapsed) {
    C3DItemObject frames[5];
    CAnimatable3DItemObject animation;
    for (C3DItemObject& frame : frames) {
        animation.addFrame(&frame);
    }
    animation.setInterval(0.1);
    animation.start(10.0);
    animation.advance(10.35);
    EXPECT_EQ(animation.currentFrame(), 3);
    animation.advance(10.40); // 0.05 s later: no whole interval
    EXPECT_EQ(animation.currentFrame(), 3);
    animation.advance(10.66); // 0.31 s after the last step: 3 more, wrapping
    EXPECT_EQ(animation.currentFrame(), 1);

    EXPECT_EQ(animation.frameForDrawing(10.70), &frames[1]);
    animation.stop();
    animation.advance(20.0);
    EXPECT_EQ(animation.currentFrame(), 1);

    CAnimatable3DItemObject empty;
    empty.start(0.0);
    EXPECT_EQ(empty.frameForDrawing(5.0), nullptr);
    EXPECT_EQ(empty.currentFrame(), 0);
}
