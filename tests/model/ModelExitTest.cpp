#include <gtest/gtest.h>

#include <cstdlib>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

using namespace model;

// A program may end with a layout still on the board: the static containers must outlive the
// tiles, lines and control items they register, whatever order they were first used in.
TEST(ModelExit, ProgramMayExitWithALayoutStillOnTheBoard) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CTrackItem* tile = createTile({1, 1}, 0);
            tile->setShape(1);
            tile->addControlItem(KindPoint);
            createTile({2, 1}, 1)->setShape(2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
