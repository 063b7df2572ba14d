// The plug-in's message boxes as the desktop shows them: captions, texts and flags.
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

TEST_F(PluginDialogsTest, StartMessagesHaveTheirCaptionsTextsAndIcons) {
    PluginDialogs dialogs(nullptr);
    dialogs.ShowSaveFirst();
    dialogs.ShowFileAlreadyOpen(u"Haus Müller.skp");

    const auto shown = hostsim::desktop::ShownSoFar();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, u"Korvan TwinLink - Save project first");
    EXPECT_EQ(shown[0].text, u"Please save your project before starting Korvan TwinLink.");
    EXPECT_EQ(shown[0].flags, 64u);
    EXPECT_EQ(shown[1].caption, u"Korvan TwinLink - File already open");
    EXPECT_EQ(shown[1].text,
              u"Cannot start the TwinLink connection.\n\nFile \"Haus Müller.skp\" is being used by "
              u"another instance "
              u"of SketchUp.\n\nSave the file with a different name or stop other connections.");
    EXPECT_EQ(shown[1].flags, 16u);
}

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
