// The link descriptor: the host identity read from the SketchUp C API, and the entries and
// their kinds, as they reach Korvan's text.
#include <gtest/gtest.h>

#include "model/app.h"
#include "plugin/host_identity.h"
#include "plugin/link_descriptor.h"

namespace korvan {
namespace {

class PluginDescriptorTest : public ::testing::Test {
  protected:
    void TearDown() override {
        hostsim::App::Instance().edition = 2;
        hostsim::App::Instance().version = "17.3.116";
    }
};

TEST_F(PluginDescriptorTest, HostEditionNamesMakeAndProAndFallsBackToSketchUp) {
    hostsim::App& app = hostsim::App::Instance();
    const std::pair<int, std::u16string> expected[] = {{1, u"SketchUp Make"},
                                                       {2, u"SketchUp Pro"},
                                                       {0, u"SketchUp"},
                                                       {3, u"SketchUp"},
                                                       {-1, u"SketchUp"}};
    for (const auto& [edition, name] : expected) {
        app.edition = edition;
        EXPECT_EQ(HostEditionName(), name) << "edition " << edition;
    }
}

TEST_F(PluginDescriptorTest, HostVersionIsEmptyWhenItCannotBeRead) {
    EXPECT_EQ(HostVersion(), u"17.3.116");
    hostsim::App::Instance().version.clear();
    EXPECT_EQ(HostVersion(), u"");
}

TEST_F(PluginDescriptorTest, TheDescriptorCarriesHostPluginModelSizeTimeAndCameraInKeyOrder) {
    hostsim::App::Instance().edition = 1;
    // The path's UTF-16 bytes are the ones whose HashData Windows gives as A1FF82CD55929C54.
    const std::u16string path = {0x3351, 0xA74F, 0x1545, 0x52F0, 0x2B90, 0xF5E7, 0xE1FD, 0xA7A6};
    const TwinLinkAPI::DescriptorMap descriptor = BuildLinkDescriptor(path, u"5808", 123456, false);
    const TwinLinkAPI::DescriptorMap expected = {
        {u"cameraSync", {TwinLinkAPI::kVerbatimValue, u"0"}},
        {u"fileNameCrc", {TwinLinkAPI::kVerbatimValue, u"11673192577583193172"}},
        {u"format", {TwinLinkAPI::kEncodedValue, u"TL"}},
        {u"pluginVersion", {TwinLinkAPI::kEncodedValue, u"3.52.774"}},
        {u"time", {TwinLinkAPI::kVerbatimValue, u"123456"}},
        {u"toolName", {TwinLinkAPI::kEncodedValue, u"SketchUp Make"}},
        {u"toolVersion", {TwinLinkAPI::kEncodedValue, u"17.3.116"}},
        {u"vertexCount", {TwinLinkAPI::kVerbatimValue, u"5808"}},
    };
    EXPECT_EQ(descriptor, expected);
    EXPECT_EQ(TwinLinkAPI::BuildDescriptorText(BuildLinkDescriptor(u"D:/House.skp", u"0", -1, true))
                  .substr(0, 17),
              u"{\"cameraSync\":\"1\"");
    EXPECT_EQ(BuildLinkDescriptor(u"", u"0", -1, true).at(u"time").second, u"-1");
}

}  // namespace
}  // namespace korvan
