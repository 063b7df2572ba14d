// korvan-peer render: the peer's scene drawn with a depth buffer, one fixed light and blended
// transparency, checked pixel by pixel on squares whose look is known exactly.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <array>

#include "peer/software_rasteriser.h"
#include "peer/texture_image.h"
#include "peer_test_support.h"

namespace {

using namespace peer_test;
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
    scene.materials.push_back(Material(3, 0xFFC86432, 1.0f, FlatSquare(0, 1, kTowardsLight)));
    const RgbImage image = RenderScene(scene, FromAbove(), 64, 48);
    ASSERT_EQ(image.pixels.size(), 64u * 48 * 3);
    // At 5 m with 40 degrees the image is 3.64 m high: the 2 m square spans 26 of 48 rows.
    EXPECT_EQ(Pixel(image, 32, 24), (Rgb{200, 100, 50}));
    EXPECT_EQ(Pixel(image, 20, 13), (Rgb{200, 100, 50}));
    EXPECT_EQ(Pixel(image, 32, 5), kBackground);
    size_t covered = 0;
    for (uint32_t y = 0; y < 48; ++y) {
        for (uint32_t x = 0; x < 64; ++x) covered += Pixel(image, x, y) != kBackground;
    }
    EXPECT_EQ(covered, 26u * 26u);

    // A side seen from behind is not drawn (its other side is, in its own material); one that
    // faces the camera but is turned from the light keeps only its ambient share.
    PeerScene below;
    below.materials.push_back(Material(3, 0xFFC86432, 1.0f, FlatSquare(0, 1, {0, -1, 0})));
    EXPECT_EQ(Pixel(RenderScene(below, FromAbove(), 64, 48), 32, 24), kBackground);
    const Rgb dim = Pixel(RenderScene(below, ViewCamera{{0, -5, 0}, {0, 0, 0}, {0, 0, 1}, 40}, 64, 48), 32, 24);
    EXPECT_EQ(dim, (Rgb{60, 30, 15}));
}

TEST(PeerRender, TheWorldIsSeenAsSketchUpShowsItNotMirrored) {
    // Looking down with SketchUp's north (renderer +z) at the top of the image: a square to the
    // east (+x) lies right of the middle, one to the north above it.
    PeerScene scene;
    Batch east = FlatSquare(0, 0.5f, kTowardsLight), north = FlatSquare(0, 0.5f, kTowardsLight);
    for (size_t i = 0; i < east.positions.size(); i += 3) {
        east.positions[i] += 1.5f;
        north.positions[i + 2] += 1.5f;
    }
    scene.materials.push_back(Material(3, 0xFF0000FF, 1.0f, east));
    scene.materials.push_back(Material(4, 0xFFFF0000, 1.0f, north));
    const RgbImage image = RenderScene(scene, ViewCamera{{0, 5, 0}, {0, 0, 0}, {0, 0, 1}, 60}, 64, 48);
    EXPECT_EQ(Pixel(image, 32 + 12, 24), (Rgb{0, 0, 255}));
    EXPECT_EQ(Pixel(image, 32 - 12, 24), kBackground);
    EXPECT_EQ(Pixel(image, 32, 24 - 12), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(image, 32, 24 + 12), kBackground);
}

// The BMP the plug-in writes: 54 bytes of header, rows top-down, padded to four bytes.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> bytes(54);
    const auto put = [&](size_t at, uint32_t v, size_t n) {
        for (size_t i = 0; i < n; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put(2, static_cast<uint32_t>(54 + pixels.size()), 4);
    put(10, 54, 4), put(14, 40, 4), put(18, static_cast<uint32_t>(width), 4), put(22, static_cast<uint32_t>(-height), 4);
    put(26, 1, 2), put(28, bits, 2), put(34, static_cast<uint32_t>(pixels.size()), 4);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

TEST(PeerTexture, AnInMemoryBmpIsCheckedThenDecodedAndSampledFromItsLowerLeftCorner) {
    // 2 x 2, blue-green-red per pixel; top row red, green; bottom row blue, white.
    const std::vector<uint8_t> pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    std::string fault;
    const auto image = DecodeTextureBmp(Bmp(2, 2, 24, pixels), &fault);
    ASSERT_NE(image, nullptr) << fault;
    EXPECT_EQ((std::array{image->width, image->height}), (std::array{2u, 2u}));
    using Texel = std::array<double, 3>;
    EXPECT_EQ(image->Sample(0.25, 0.25), (Texel{0, 0, 255}));   // lower left
    EXPECT_EQ(image->Sample(0.75, 0.25), (Texel{255, 255, 255}));
    EXPECT_EQ(image->Sample(0.25, 0.75), (Texel{255, 0, 0}));   // upper left
    EXPECT_EQ(image->Sample(1.75, -0.25), (Texel{0, 255, 0})) << "repeats both ways";

    const std::vector<std::pair<std::vector<uint8_t>, std::string>> broken = {
        {std::vector<uint8_t>(20), "texture image of 20 bytes has no BMP header"},
        {Bmp(2, -2, 24, pixels), "texture image is not top-down with a positive width"},
        {Bmp(2, 2, 8, pixels), "texture image has 8 bits per pixel"},
        {Bmp(3, 2, 24, pixels), "texture image pixels do not fit its declared sizes"},
    };
    for (const auto& [bytes, expected] : broken) {
        EXPECT_EQ(DecodeTextureBmp(bytes, &fault), nullptr) << expected;
        EXPECT_EQ(fault, expected);
    }
    std::vector<uint8_t> notBmp = Bmp(2, 2, 24, pixels);
    notBmp[0] = 'P';
    EXPECT_EQ(DecodeTextureBmp(notBmp, &fault), nullptr);
    EXPECT_EQ(fault, "texture image does not start with \"BM\"");
}

TEST(PeerRender, ATexturedSquareShowsItsPictureTheRightWayRound) {
    std::string fault;
    const std::vector<uint8_t> pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    SceneMaterial floor = Material(3, 0x00FFFFFF, 1.0f, FlatSquare(0, 1, kTowardsLight));
    floor.texture = DecodeTextureBmp(Bmp(2, 2, 24, pixels), &fault);
    ASSERT_NE(floor.texture, nullptr) << fault;
    PeerScene scene;
    scene.materials.push_back(floor);
    // From above with north up: the picture's lower left lies to the south-west, lower left.
    const RgbImage image = RenderScene(scene, ViewCamera{{0, 5, 0}, {0, 0, 0}, {0, 0, 1}, 40}, 64, 48);
    EXPECT_EQ(Pixel(image, 26, 30), (Rgb{0, 0, 255}));
    EXPECT_EQ(Pixel(image, 38, 30), (Rgb{255, 255, 255}));
    EXPECT_EQ(Pixel(image, 26, 18), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(image, 38, 18), (Rgb{0, 255, 0}));
}

TEST(PeerRender, TheNearerSquareHidesTheFartherWhicheverIsDrawnFirst) {
    for (const bool nearFirst : {true, false}) {
        PeerScene scene;
        const SceneMaterial nearer =
            Material(3, 0xFF0000FF, 1.0f, FlatSquare(1, 0.5f, kTowardsLight));
        const SceneMaterial farther =
            Material(4, 0xFFFF0000, 1.0f, FlatSquare(0, 1, kTowardsLight));
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
    scene.materials.push_back(Material(3, 0xFF00C800, 0.5f, FlatSquare(1, 1.2f, kTowardsLight)));
    scene.materials.push_back(Material(4, 0xFFC80000, 1.0f, FlatSquare(0, 0.5f, kTowardsLight)));
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
    scene.materials.push_back(Material(3, 0xFF808080, 1.0f, FlatSquare(0, 1000, kTowardsLight)));
    const RgbImage image =
        RenderScene(scene, ViewCamera{{0, 1, 0}, {0, 1, -10}, {0, 1, 0}, 60}, 64, 48);
    for (uint32_t x = 0; x < 64; ++x) {
        EXPECT_EQ(Pixel(image, x, 47), (Rgb{128, 128, 128})) << x;
        EXPECT_EQ(Pixel(image, x, 20), kBackground) << x;
    }
}

using PeerRenderCommandTest = PeerTest;

TEST_F(PeerRenderCommandTest, WritesThePngOfTheLinkAndFitsTheCameraByDefault) {
    PutMaterial(host, u"Floor", 0xFFC86432, 1.0f, FlatSquare(3, 1, kTowardsLight));
    const std::filesystem::path png = root / "out.png";

    const auto [line, exitCode] =
        Run({"render", "--link", kLink, "--out", png.string(), "--size", "64x48", "--eye", "0,8,0",
             "--target", "0,3,0", "--up", "0,0,-1", "--fov", "40.5"});
    EXPECT_EQ(exitCode, kExitDone) << ReadFile(ErrorFile());
    EXPECT_THAT(line, StartsWith(std::string("{") + kLinkJson + R"(,"out":)" + JsonQuoted(png.string()) +
                                 R"(,"width":64,"height":48,"camera":{"from":"fitted","eye":[0,8,0],)"
                                 R"("target":[0,3,0],"up":[0,0,-1],"fieldOfView":40.5},)"
                                 R"("milliseconds":)"));
    EXPECT_THAT(line, HasSubstr(R"(,"materials":1,"triangles":2,"problems":[]})"));

    // The camera printed is the one drawn with. Without camera options the whole square is in
    // view, the middle of the image on it.
    EXPECT_EQ(Run({"render", "--link", kLink, "--out", png.string(), "--size", "80x60"}).second,
              kExitDone);
    // The PNG read back: an RGB image of the size asked for.
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(png.string().c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    const RgbImage fitted{80, 60, std::vector<uint8_t>(pixels, pixels + width * height * 3)};
    stbi_image_free(pixels);
    ASSERT_EQ((std::array{width, height, channels}), (std::array{80, 60, 3}));
    EXPECT_EQ(Pixel(fitted, 40, 30), (Rgb{200, 100, 50}));
    for (const auto& [x, y] : {std::pair{0u, 0u}, {79u, 0u}, {0u, 59u}, {79u, 59u}})
        EXPECT_EQ(Pixel(fitted, x, y), kBackground);
}

// SketchUp's camera as the plug-in writes it: eye and line of sight in the renderer's axes.
korvan::CameraRecord SentCamera(korvan::ProjectionKind kind, std::array<float, 3> eye, std::array<float, 3> direction) {
    korvan::CameraRecord camera{};
    camera.projection = static_cast<uint32_t>(kind);
    camera.fieldOfView = kind == korvan::ProjectionKind::Perspective ? 30 : 0;
    std::copy(eye.begin(), eye.end(), camera.eye);
    std::copy(direction.begin(), direction.end(), camera.direction);
    camera.up[2] = -1;
    return camera;
}

TEST_F(PeerRenderCommandTest, DrawsFromSketchUpsPerspectiveCameraUnlessTheCommandLineSaysOtherwise) {
    PutMaterial(host, u"Floor", 0xFFC86432, 1.0f, FlatSquare(3, 1, kTowardsLight));
    const std::filesystem::path png = root / "out.png";
    const auto cameraDrawn = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments{"render", "--link", kLink, "--out", png.string(), "--size", "8x6"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const auto [line, exitCode] = Run(arguments);
        EXPECT_EQ(exitCode, kExitDone) << ReadFile(ErrorFile());
        const size_t from = line.find(R"("camera":)"), to = line.find(R"(,"milliseconds")");
        return from == std::string::npos || to == std::string::npos ? line : line.substr(from, to - from);
    };

    const korvan::CameraRecord above = SentCamera(korvan::ProjectionKind::Perspective, {0.5f, 9, 0}, {0, -1, 0});
    host.SendView(false, &above);  // followed or not, it is where SketchUp looks from
    EXPECT_EQ(cameraDrawn({}), R"("camera":{"from":"link","eye":[0.5,9,0],"target":[0.5,8,0],)"
                               R"("up":[0,0,-1],"fieldOfView":30})");
    EXPECT_EQ(cameraDrawn({"--eye", "0,4,0", "--fov", "50"}),
              R"("camera":{"from":"link","eye":[0,4,0],"target":[0,3,0],"up":[0,0,-1],"fieldOfView":50})");

    // A parallel camera, and one without a line of sight, cannot be drawn through: the scene is
    // framed as without a camera.
    const std::string fitted = cameraDrawn({"--up", "0,0,-1"});
    for (const korvan::CameraRecord& unusable : {SentCamera(korvan::ProjectionKind::Parallel, {0.5f, 9, 0}, {0, -1, 0}),
                                         SentCamera(korvan::ProjectionKind::Perspective, {0.5f, 9, 0}, {0, 0, 0})}) {
        host.SendView(false, &unusable);
        EXPECT_THAT(cameraDrawn({}), StartsWith(R"("camera":{"from":"fitted","eye":[)"));
    }
}

}  // namespace
