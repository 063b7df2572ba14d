// korvan-peer export: the scene as glTF 2.0 (read back with a small JSON reader of the test's
// own, its embedded buffer decoded and compared with the batches written) and as OBJ with MTL.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <variant>

#include "liveconnection/live_connection.h"
#include "peer/peer_commands.h"
#include "peer_scene_support.h"

namespace {

using namespace TwinLinkAPI;
using peer_test::Batch;

// Just enough JSON to walk a glTF file: objects, arrays, strings without escapes beyond \" and
// \\, numbers, true, false, null.
struct Json {
    std::variant<std::nullptr_t, bool, double, std::string, std::vector<Json>,
                 std::map<std::string, Json>>
        value;
    const Json& operator[](const std::string& key) const {
        return std::get<std::map<std::string, Json>>(value).at(key);
    }
    const Json& operator[](size_t index) const { return std::get<std::vector<Json>>(value).at(index); }
    bool Has(const std::string& key) const {
        return std::get<std::map<std::string, Json>>(value).count(key) > 0;
    }
    size_t Size() const { return std::get<std::vector<Json>>(value).size(); }
    double Number() const { return std::get<double>(value); }
    const std::string& Text() const { return std::get<std::string>(value); }
};

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : text_(text) {}
    Json Read() {
        Skip();
        const char c = text_.at(at_);
        if (c == '{') {
            std::map<std::string, Json> members;
            ++at_;
            while (Skip(), text_.at(at_) != '}') {
                std::string key = ReadString();
                Skip();
                ++at_;  // ':'
                members[key] = Read();
                Skip();
                if (text_.at(at_) == ',') ++at_;
            }
            ++at_;
            return {members};
        }
        if (c == '[') {
            std::vector<Json> items;
            ++at_;
            while (Skip(), text_.at(at_) != ']') {
                items.push_back(Read());
                Skip();
                if (text_.at(at_) == ',') ++at_;
            }
            ++at_;
            return {items};
        }
        if (c == '"') return {ReadString()};
        for (const auto& [word, value] : {std::pair<const char*, Json>{"true", {true}},
                                          {"false", {false}}, {"null", {nullptr}}}) {
            if (text_.compare(at_, std::strlen(word), word) == 0) {
                at_ += std::strlen(word);
                return value;
            }
        }
        size_t used = 0;
        const double number = std::stod(text_.substr(at_, 40), &used);
        at_ += used;
        return {number};
    }

  private:
    void Skip() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    std::string ReadString() {
        std::string text;
        ++at_;
        while (text_.at(at_) != '"') {
            if (text_[at_] == '\\') ++at_;
            text += text_[at_++];
        }
        ++at_;
        return text;
    }
    const std::string& text_;
    size_t at_ = 0;
};

std::vector<uint8_t> FromBase64(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> bytes;
    uint32_t group = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        group = group << 6 | static_cast<uint32_t>(digits.find(c));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<uint8_t>(group >> bits));
        }
    }
    return bytes;
}

template <typename Value>
std::vector<Value> AccessorData(const Json& gltf, const std::vector<uint8_t>& buffer, size_t index,
                                size_t perElement) {
    const Json& accessor = gltf["accessors"][index];
    const Json& view = gltf["bufferViews"][static_cast<size_t>(accessor["bufferView"].Number())];
    const size_t count = static_cast<size_t>(accessor["count"].Number()) * perElement;
    EXPECT_EQ(view["byteLength"].Number(), count * 4);
    std::vector<Value> values(count);
    std::memcpy(values.data(), buffer.data() + static_cast<size_t>(view["byteOffset"].Number()),
                count * 4);
    return values;
}

class PeerExportTest : public liveconnection_test::PrivateStateTest {
  protected:
    void SetUp() override {
        PrivateStateTest::SetUp();
        ASSERT_EQ(host.Host(u"C:\\Models\\Export.skp", 8), 0);
        floor = peer_test::FlatSquare(0, 2.0f, {0, 3, 0});
        floor.positions[0] = -2.5f;
        pane = peer_test::FlatSquare(1.5f, 0.5f, {0, 0, 0});
        peer_test::PutMaterialWithBatch(host, u"Floor", 0xFFFF8000, 1.0f, floor);
        peer_test::PutMaterial(host, u"Nothing yet", 0xFF000000, 1.0f);
        peer_test::PutMaterialWithBatch(host, u"Pane", 0xFF00FFFF, 0.25f, pane);
    }

    int Export(const std::filesystem::path& file) {
        peer_test::PeerProcess peer(
            {"export", "--link", "C:\\Models\\Export.skp", "--out", file.string()},
            root / "stderr.txt");
        output = peer.ReadRest();
        return peer.Wait();
    }

    LiveConnection host;
    Batch floor, pane;
    std::string output;
};

TEST_F(PeerExportTest, GltfHoldsOnePrimitivePerMaterialWithItsBatchAndColour) {
    const std::filesystem::path file = root / "scene.gltf";
    ASSERT_EQ(Export(file), korvan::peer::kExitDone);
    EXPECT_EQ(output, R"({"link":"C:\\Models\\Export.skp","out":")" + file.string() +
                          R"(","materials":3,"triangles":4,"problems":[]})" + "\n");
    const std::string text = peer_test::ReadFile(file);
    const Json gltf = JsonReader(text).Read();
    EXPECT_EQ(gltf["asset"]["version"].Text(), "2.0");
    const Json& primitives = gltf["meshes"][0]["primitives"];
    ASSERT_EQ(primitives.Size(), 2u) << "a material without triangles has no primitive";
    ASSERT_EQ(gltf["materials"].Size(), 2u);
    ASSERT_EQ(gltf["accessors"].Size(), 8u);
    EXPECT_EQ(gltf["scenes"][0]["name"].Text(), "C:\\Models\\Export.skp");

    const Json& buffer = gltf["buffers"][0];
    const std::string prefix = "data:application/octet-stream;base64,";
    ASSERT_EQ(buffer["uri"].Text().rfind(prefix, 0), 0u);
    const std::vector<uint8_t> bytes = FromBase64(buffer["uri"].Text().substr(prefix.size()));
    EXPECT_EQ(bytes.size(), buffer["byteLength"].Number());
    EXPECT_EQ(bytes.size(), 2 * (4 * 8 * 4 + 6 * 4));

    const std::vector<const Batch*> batches{&floor, &pane};
    for (size_t m = 0; m < 2; ++m) {
        const Json& primitive = primitives[m];
        EXPECT_EQ(primitive["mode"].Number(), 4);
        EXPECT_EQ(primitive["material"].Number(), m);
        const size_t position = static_cast<size_t>(primitive["attributes"]["POSITION"].Number());
        const Json& accessor = gltf["accessors"][position];
        EXPECT_EQ(accessor["count"].Number(), 4);
        EXPECT_EQ(accessor["type"].Text(), "VEC3");
        EXPECT_EQ(accessor["componentType"].Number(), 5126);
        EXPECT_EQ(AccessorData<float>(gltf, bytes, position, 3), batches[m]->positions);
        const size_t uv = static_cast<size_t>(primitive["attributes"]["TEXCOORD_0"].Number());
        EXPECT_EQ(AccessorData<float>(gltf, bytes, uv, 2), batches[m]->uvs);
        const size_t indices = static_cast<size_t>(primitive["indices"].Number());
        EXPECT_EQ(gltf["accessors"][indices]["componentType"].Number(), 5125);
        EXPECT_EQ(AccessorData<uint32_t>(gltf, bytes, indices, 1), batches[m]->indices);
        // glTF normals are unit length; a zero normal points up.
        const size_t normal = static_cast<size_t>(primitive["attributes"]["NORMAL"].Number());
        for (size_t v = 0; v < 4; ++v) {
            const std::vector<float> n = AccessorData<float>(gltf, bytes, normal, 3);
            EXPECT_EQ((std::vector<float>{n[3 * v], n[3 * v + 1], n[3 * v + 2]}),
                      (std::vector<float>{0, 1, 0}));
        }
    }
    const Json& floorPositions = gltf["accessors"][0];
    EXPECT_EQ(floorPositions["min"][0].Number(), -2.5);
    EXPECT_EQ(floorPositions["min"][1].Number(), 0);
    EXPECT_EQ(floorPositions["min"][2].Number(), -2);
    EXPECT_EQ(floorPositions["max"][0].Number(), 2);
    EXPECT_EQ(floorPositions["max"][2].Number(), 2);
    const Json& panePositions = gltf["accessors"][4];
    EXPECT_EQ(panePositions["min"][1].Number(), 1.5);
    EXPECT_EQ(panePositions["max"][0].Number(), 0.5);

    // Colours are sRGB in the record and linear in glTF: 0x80 is 0.2158605 linear.
    const Json& floorMaterial = gltf["materials"][0];
    EXPECT_EQ(floorMaterial["name"].Text(), "Floor");
    EXPECT_EQ(floorMaterial["alphaMode"].Text(), "OPAQUE");
    const Json& floorColour = floorMaterial["pbrMetallicRoughness"]["baseColorFactor"];
    EXPECT_EQ(floorColour[0].Number(), 1);
    EXPECT_NEAR(floorColour[1].Number(), 0.2158605, 1e-6);
    EXPECT_EQ(floorColour[2].Number(), 0);
    EXPECT_EQ(floorColour[3].Number(), 1);
    const Json& paneMaterial = gltf["materials"][1];
    EXPECT_EQ(paneMaterial["alphaMode"].Text(), "BLEND");
    EXPECT_EQ(paneMaterial["extras"]["recordId"].Number(), 5);
    const Json& paneColour = paneMaterial["pbrMetallicRoughness"]["baseColorFactor"];
    EXPECT_EQ(paneColour[0].Number(), 0);
    EXPECT_EQ(paneColour[1].Number(), 1);
    EXPECT_EQ(paneColour[3].Number(), 0.25);
}

TEST_F(PeerExportTest, ObjCountsVerticesAcrossMaterialsAndItsLibraryHoldsColourAndOpacity) {
    const std::filesystem::path file = root / "scene.obj";
    ASSERT_EQ(Export(file), korvan::peer::kExitDone);
    const std::string obj = peer_test::ReadFile(file);
    EXPECT_NE(obj.find("mtllib scene.mtl\n"), std::string::npos);
    EXPECT_NE(obj.find("usemtl material3\nv -2.5 0 -2\nvn 0 3 0\nvt 0 0\n"), std::string::npos)
        << obj;
    // Indices count from 1 over the whole file: the pane's vertices follow the floor's four.
    EXPECT_NE(obj.find("f 1/1/1 3/3/3 2/2/2\nf 1/1/1 4/4/4 3/3/3\n"), std::string::npos) << obj;
    EXPECT_NE(obj.find("usemtl material5\n"), std::string::npos);
    EXPECT_NE(obj.find("f 5/5/5 7/7/7 6/6/6\nf 5/5/5 8/8/8 7/7/7\n"), std::string::npos) << obj;
    EXPECT_EQ(obj.find("material4"), std::string::npos);
    EXPECT_EQ(peer_test::ReadFile(root / "scene.mtl"),
              "# Floor\nnewmtl material3\nKd 1 0.501960814 0\nd 1\n"
              "# Pane\nnewmtl material5\nKd 0 1 1\nd 0.25\n");
}

}  // namespace
