// The load's status texts: what SetStatus shows and stores, and the progress dots that follow a
// text while the tree is built.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "liveconnection/live_connection.h"
// Last: Ruby's headers turn memcpy into a macro that std::memcpy above must not meet.
#include "appearance/material_catalogue.h"
#include "scene/su_scene.h"

namespace {

using namespace korvan;

std::vector<std::u16string> shown;

void Record(std::u16string_view text) {
    shown.emplace_back(text);
}

class SceneLoadProgressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        shown.clear();
        scene.statusDisplay = Record;
    }

    // The dots are due whenever the next dot time lies in the past; the clock is not waited for.
    void DotsDue() { scene.nextDotTime = 0; }

    TwinLinkAPI::LiveConnection connection;
    MaterialCatalogue catalogue{&connection};
    SUScene scene{&connection, &catalogue, Qnil};
};

TEST_F(SceneLoadProgressTest, SetStatusShowsAndStoresTheTextAndArmsTheDotsOnlyForAText) {
    scene.SetStatus(u"loading hierarchy");
    EXPECT_EQ(scene.statusText, u"loading hierarchy");
    EXPECT_EQ(scene.statusStep, 0);
    scene.SetStatus(u"");
    EXPECT_EQ(scene.statusText, u"");
    EXPECT_EQ(scene.statusStep, -1);
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"loading hierarchy", u""}));
}

TEST_F(SceneLoadProgressTest, DotsCountFromOneToFiveThenStartOverWithNone) {
    scene.SetStatus(u"loading hierarchy");
    shown.clear();
    for (int i = 0; i < 7; ++i) {
        DotsDue();
        scene.ProgressDots();
    }
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"loading hierarchy.", u"loading hierarchy..",
                                                  u"loading hierarchy...", u"loading hierarchy....",
                                                  u"loading hierarchy.....", u"loading hierarchy",
                                                  u"loading hierarchy."}));
    // The next dot is 0.4 s away.
    EXPECT_GT(scene.nextDotTime, 0);
}

TEST_F(SceneLoadProgressTest, NoDotsBeforeTheirTimeNorAfterTheTextWasCleared) {
    scene.SetStatus(u"loading hierarchy");
    shown.clear();
    scene.nextDotTime = std::numeric_limits<int64_t>::max();
    scene.ProgressDots();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(scene.statusStep, 0);

    scene.SetStatus(u"");
    shown.clear();
    DotsDue();
    scene.ProgressDots();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(scene.statusStep, -1);
}

}  // namespace
