// korvan-peer render: the peer's scene drawn with a depth buffer, one fixed light and blended
// transparency, checked pixel by pixel on squares whose look is known exactly.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <array>

#include "liveconnection/live_connection.h"
#include "peer/peer_commands.h"
#include "peer/software_rasteriser.h"
#include "peer_scene_support.h"

namespace {

using namespace TwinLinkAPI;
using korvan::peer::MaterialMesh;
using korvan::peer::PeerScene;
using korvan::peer::RenderScene;
using korvan::peer::RgbImage;
using korvan::peer::SceneMaterial;
using korvan::peer::ViewCamera;
using peer_test::Batch;
using Rgb = std::array<int, 3>;

// Normals that point straight at the light: such faces show their colour unchanged.
const std::vector<float> kTowardsLight = {0.35f, 1.0f, 0.55f};
const Rgb kBackground = {40, 44, 52};

SceneMaterial Material(uint32_t id, uint32_t colour, float opacity, const Batch& batch) {
    SceneMaterial material;
    material.id = id;
    material.colour = colour;
    material.opacity = opacity;
    MaterialMesh mesh{batch.positions, batch.normals, batch.uvs, batch.indices};
    material.mesh = std::make_shared<const MaterialMesh>(std::move(mesh));
    return material;
}

// Straight down on the squares, which lie in horizontal planes around the origin.
ViewCamera FromAbove() {
    return ViewCamera{{0, 5, 0}, {0, 0, 0}, {0, 0, -1}, 40};
}

Rgb Pixel(const RgbImage& image, uint32_t x, uint32_t y) {
    const uint8_t* p = &image.pixels[(size_t{y} * image.width + x) * 3];
    return {p[0], p[1], p[2]};
}

TEST(PeerRender, ASquareShowsItsColourWhereItIsAndTheBackgroundElsewhere) {
    PeerScene scene;
    scene.materials.push_back(
        Material(3, 0xFFC86432, 1.0f, peer_test::FlatSquare(0, 1, kTowardsLight)));
    const RgbImage image = RenderScene(scene, FromAbove(), 64, 48);
    ASSERT_EQ(image.pixels.size(), 64u * 48 * 3);
    // At 5 m with 40 degrees the image is 3.64 m high: the 2 m square spans 26 of 48 rows.
    EXPECT_EQ(Pixel(image, 32, 24), (Rgb{200, 100, 50}));
    EXPECT_EQ(Pixel(image, 20, 13), (Rgb{200, 100, 50}));
    EXPECT_EQ(Pixel(image, 0, 0), kBackground);
    EXPECT_EQ(Pixel(image, 32, 5), kBackground);
    EXPECT_EQ(Pixel(image, 63, 47), kBackground);
    size_t covered = 0;
    for (uint32_t y = 0; y < 48; ++y) {
        for (uint32_t x = 0; x < 64; ++x) covered += Pixel(image, x, y) != kBackground;
    }
    EXPECT_EQ(covered, 26u * 26u);

    // A face seen from behind is lit on the side that faces the camera; one turned from the
    // light keeps only its ambient share.
    PeerScene away;
    away.materials.push_back(Material(3, 0xFFC86432, 1.0f, peer_test::FlatSquare(0, 1, {0, 0, 1})));
    const Rgb dim = Pixel(RenderScene(away, FromAbove(), 64, 48), 32, 24);
    EXPECT_LT(dim[0], 200);
    EXPECT_GE(dim[0], 60);
    EXPECT_EQ(dim[0], 2 * dim[1]);
}

TEST(PeerRender, TheNearerSquareHidesTheFartherWhicheverIsDrawnFirst) {
    for (const bool nearFirst : {true, false}) {
        PeerScene scene;
        const SceneMaterial nearer =
            Material(3, 0xFF0000FF, 1.0f, peer_test::FlatSquare(1, 0.5f, kTowardsLight));
        const SceneMaterial farther =
            Material(4, 0xFFFF0000, 1.0f, peer_test::FlatSquare(0, 1, kTowardsLight));
        scene.materials = nearFirst ? std::vector{nearer, farther} : std::vector{farther, nearer};
        const RgbImage image = RenderScene(scene, FromAbove(), 64, 48);
        EXPECT_EQ(Pixel(image, 32, 24), (Rgb{0, 0, 255})) << nearFirst;
        EXPECT_EQ(Pixel(image, 21, 14), (Rgb{255, 0, 0})) << nearFirst;
        EXPECT_EQ(Pixel(image, 2, 2), kBackground) << nearFirst;
    }
}

TEST(PeerRender, TransparentSquaresBlendOverWhatLiesBehindOnce) {
    PeerScene scene;
    // The transparent square comes first in slot order, in front of an opaque one.
    scene.materials.push_back(
        Material(3, 0xFF00C800, 0.5f, peer_test::FlatSquare(1, 1.2f, kTowardsLight)));
    scene.materials.push_back(
        Material(4, 0xFFC80000, 1.0f, peer_test::FlatSquare(0, 0.5f, kTowardsLight)));
    const RgbImage image = RenderScene(scene, FromAbove(), 64, 48);
    EXPECT_EQ(Pixel(image, 32, 24), (Rgb{100, 100, 0}));
    // Over the background alone; every covered pixel blended exactly once, the diagonal too.
    const Rgb overBackground = {20, 122, 26};
    EXPECT_EQ(Pixel(image, 12, 6), overBackground);
    for (uint32_t y = 0; y < 48; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            const Rgb pixel = Pixel(image, x, y);
            EXPECT_TRUE(pixel == kBackground || pixel == overBackground ||
                        pixel == (Rgb{100, 100, 0}))
                << x << "," << y << ": " << pixel[0] << " " << pixel[1] << " " << pixel[2];
        }
    }
}

TEST(PeerRender, GeometryBehindTheEyeIsCutAway) {
    // Standing 1 m above a large floor, looking at the horizon: the floor fills the lower half
    // and nothing of it shows above the horizon.
    PeerScene scene;
    scene.materials.push_back(
        Material(3, 0xFF808080, 1.0f, peer_test::FlatSquare(0, 1000, kTowardsLight)));
    const RgbImage image = RenderScene(scene, ViewCamera{{0, 1, 0}, {0, 1, -10}, {0, 1, 0}, 60},
                                       64, 48);
    for (uint32_t x = 0; x < 64; ++x) {
        EXPECT_EQ(Pixel(image, x, 47), (Rgb{128, 128, 128})) << x;
        EXPECT_EQ(Pixel(image, x, 20), kBackground) << x;
    }
}

class PeerRenderCommandTest : public liveconnection_test::PrivateStateTest {};

TEST_F(PeerRenderCommandTest, WritesThePngOfTheLinkAndFitsTheCameraByDefault) {
    LiveConnection host;
    ASSERT_EQ(host.Host(u"C:\\Models\\Render.skp", 8), 0);
    peer_test::PutMaterialWithBatch(host, u"Floor", 0xFFC86432, 1.0f,
                                    peer_test::FlatSquare(3, 1, kTowardsLight));
    const std::filesystem::path png = root / "out.png";
    {
        peer_test::PeerProcess peer({"render", "--link", "C:\\Models\\Render.skp", "--out",
                                     png.string(), "--size", "64x48", "--eye", "0,8,0",
                                     "--target", "0,3,0", "--up", "0,0,-1", "--fov", "40"},
                                    root / "stderr.txt");
        const std::string line = peer.ReadRest();
        EXPECT_EQ(peer.Wait(), korvan::peer::kExitDone) << peer.ErrorText();
        EXPECT_EQ(line.rfind(R"({"link":"C:\\Models\\Render.skp","out":")" + png.string() +
                                 R"(","width":64,"height":48,"camera":{"eye":[0,8,0],)"
                                 R"("target":[0,3,0],"up":[0,0,-1],"fieldOfView":40},)"
                                 R"("milliseconds":)",
                             0),
                  0u)
            << line;
        EXPECT_NE(line.find(R"(,"materials":1,"triangles":2,"problems":[]})"), std::string::npos)
            << line;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(png.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    EXPECT_EQ(channels, 3);
    const auto at = [&](int x, int y) {
        const stbi_uc* p = pixels + (y * width + x) * 3;
        return Rgb{p[0], p[1], p[2]};
    };
    EXPECT_EQ(at(32, 24), (Rgb{200, 100, 50}));
    EXPECT_EQ(at(0, 0), kBackground);
    stbi_image_free(pixels);

    // Without camera options the whole square is in view, the middle of the image on it.
    peer_test::PeerProcess fitted(
        {"render", "--link", "C:\\Models\\Render.skp", "--out", png.string(), "--size", "80x60"},
        root / "stderr.txt");
    fitted.ReadRest();
    EXPECT_EQ(fitted.Wait(), korvan::peer::kExitDone);
    pixels = stbi_load(png.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(at(40, 30), (Rgb{200, 100, 50}));
    for (const auto& [x, y] : {std::pair{0, 0}, {79, 0}, {0, 59}, {79, 59}})
        EXPECT_EQ(at(x, y), kBackground);
    stbi_image_free(pixels);
}

}  // namespace
