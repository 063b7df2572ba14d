// The plug-in's message boxes as the desktop shows them: flags, caption and the answer. The texts
// of the start's messages are checked where a user meets them, in the host tests of the link.
#include "plugin/plugin_dialogs.h"

#include "desktop/desktop.h"
#include "platform_sandbox.h"

namespace korvan {
namespace {

class PluginDialogsTest : public twinlink::platform::testing::PlatformSandbox {
  protected:
    void SetUp() override {
        PlatformSandbox::SetUp();
        hostsim::desktop::Clear();
    }
    void TearDown() override {
        hostsim::desktop::Clear();
        PlatformSandbox::TearDown();
    }
};

TEST_F(PluginDialogsTest, ShowMessageReturnsTheButtonPressed) {
    PluginDialogs dialogs(nullptr);
    hostsim::desktop::QueueAnswer({hostsim::desktop::kIdNo, {}});
    EXPECT_EQ(dialogs.ShowMessage(u"Start Korvan now?", u"Korvan TwinLink - Korvan is not running",
                                  kMbYesNo | kMbIconQuestion),
              hostsim::desktop::kIdNo);
    const auto shown = hostsim::desktop::ShownSoFar();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].flags, 36u);
    EXPECT_EQ(shown[0].caption, u"Korvan TwinLink - Korvan is not running");
}

}  // namespace
}  // namespace korvan
