// The SketchUp C API as hostsim answers it: result codes, statistics, strings and typed
// values, and what the mesh helper makes of faces.
// The plug-in reads textures through calls the SDK marks deprecated; so does this test.
#define SU_SUPPRESS_DEPRECATION_WARNINGS
#include <SketchUpAPI/sketchup.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "appearance/sketchup_reads.h"
#include "model/app.h"
#include "scene_test_support.h"

using namespace hostsim;

namespace {

using scene_test::RefTo;
// What the mesh helper makes of a face, read through the SDK's count-and-get pairs.
using Mesh = scene_test::HelperMesh;

std::string Text(SUStringRef s) {
    size_t n = 0;
    SUStringGetUTF8Length(s, &n);
    std::string out(n + 1, '\0');
    size_t copied = 0;
    SUStringGetUTF8(s, out.size(), out.data(), &copied);
    out.resize(copied);
    return out;
}

double Area(const Mesh& m) {
    double total = 0;
    for (size_t i = 0; i < m.indices.size(); i += 3) {
        auto p = [&](size_t k) { return Vec3{m.points[m.indices[k]].x, m.points[m.indices[k]].y, m.points[m.indices[k]].z}; };
        total += (p(i + 1) - p(i)).Cross(p(i + 2) - p(i)).Length() / 2;
    }
    return total;
}

std::vector<Vec3> Rect(double x0, double y0, double x1, double y1) { return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}; }

}  // namespace

TEST(CApi, ResultCodesOfInvalidInputsAndOutputs) {
    Model m;
    Face* f = m.AddFace(m.entities, Rect(0, 0, 10, 10));
    int32_t id = 0;
    EXPECT_EQ(SUEntityGetID(RefTo<SUEntityRef>(nullptr), &id), SU_ERROR_INVALID_INPUT);
    EXPECT_EQ(SUEntityGetID(RefTo<SUEntityRef>(f), nullptr), SU_ERROR_NULL_POINTER_OUTPUT);
    EXPECT_EQ(SUEntityGetID(RefTo<SUEntityRef>(f), &id), SU_ERROR_NONE);
    EXPECT_EQ(static_cast<uint32_t>(id), f->id);

    // A face without paint has no material: the SDK answers "no data".
    SUMaterialRef mat = SU_INVALID;
    EXPECT_EQ(SUFaceGetFrontMaterial(RefTo<SUFaceRef>(f), &mat), SU_ERROR_NO_DATA);
    EXPECT_EQ(SUDrawingElementGetMaterial(SUFaceToDrawingElement(RefTo<SUFaceRef>(f)), &mat), SU_ERROR_NO_DATA);
    // A reference of the wrong kind is invalid input, not a crash.
    bool soft = false;
    EXPECT_EQ(SUEdgeGetSoft(RefTo<SUEdgeRef>(f), &soft), SU_ERROR_INVALID_INPUT);
    EXPECT_EQ(SUFaceFromEntity(RefTo<SUEntityRef>(f->outer->edges[0])).ptr, nullptr);

    // Strings: output strings must have been created; creating over a valid one is refused.
    SUStringRef name = SU_INVALID;
    EXPECT_EQ(SULayerGetName(RefTo<SULayerRef>(m.defaultLayer), &name), SU_ERROR_INVALID_OUTPUT);
    ASSERT_EQ(SUStringCreate(&name), SU_ERROR_NONE);
    EXPECT_EQ(SUStringCreate(&name), SU_ERROR_OVERWRITE_VALID);
    EXPECT_EQ(SULayerGetName(RefTo<SULayerRef>(m.defaultLayer), &name), SU_ERROR_NONE);
    EXPECT_EQ(Text(name), "Layer0");
    SUStringRelease(&name);
    EXPECT_EQ(name.ptr, nullptr);
    EXPECT_EQ(SUStringRelease(&name), SU_ERROR_INVALID_INPUT);

    // Array getters copy at most len and say how many they copied.
    m.AddFace(m.entities, Rect(20, 0, 30, 10));
    SUFaceRef faces[2] = {};
    size_t count = 99;
    EXPECT_EQ(SUEntitiesGetFaces(RefTo<SUEntitiesRef>(m.entities), 1, faces, &count),
              SU_ERROR_NONE);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(faces[1].ptr, nullptr);
    EXPECT_EQ(SUEntitiesGetFaces(RefTo<SUEntitiesRef>(m.entities), 2, nullptr, &count),
              SU_ERROR_NULL_POINTER_OUTPUT);

    // An erased entity's reference stops answering; undo brings it back.
    m.Erase({f});
    EXPECT_EQ(SUEntityGetID(RefTo<SUEntityRef>(f), &id), SU_ERROR_INVALID_INPUT);
    m.Undo();
    EXPECT_EQ(SUEntityGetID(RefTo<SUEntityRef>(f), &id), SU_ERROR_NONE);
}

// Placements as the scene reads them are scene_traversal_test's; here the statistics the load
// sizes its tables by, and which models the SDK calls live.
TEST(CApi, StatisticsCountDefinitionsContentsOnceAndLiveModelsAreTheOpenOnes) {
    Model m;
    ComponentDefinition* def = m.AddDefinition("Chair");
    m.AddFace(def->entities, Rect(0, 0, 1, 1));
    m.AddInstance(m.entities, def, Transform::Translation({5, 0, 0}));
    m.AddInstance(m.entities, def, Transform::Translation({9, 0, 0}));
    m.AddGroup(m.entities);
    Texture* pic = m.CreateTexture(2, 2, 24, std::vector<uint8_t>(16, 200), 1, 1, "pic.png");
    m.AddImage(m.entities, pic, {0, 0, 0}, 40, 20);
    EXPECT_EQ(SUEntityGetType(RefTo<SUEntityRef>(def)), SURefType_ComponentDefinition);
    EXPECT_EQ(SUEntityGetType(RefTo<SUEntityRef>(&m)), SURefType_Model);

    SUModelStatistics stats{};
    ASSERT_EQ(SUModelGetStatistics(RefTo<SUModelRef>(&m), &stats), SU_ERROR_NONE);
    EXPECT_EQ(stats.entity_counts[SUModelStatistics::SUEntityType_Face], 2);  // chair and picture
    EXPECT_EQ(stats.entity_counts[SUModelStatistics::SUEntityType_ComponentInstance], 2);
    EXPECT_EQ(stats.entity_counts[SUModelStatistics::SUEntityType_Group], 1);
    EXPECT_EQ(stats.entity_counts[SUModelStatistics::SUEntityType_Image], 1);
    EXPECT_EQ(stats.entity_counts[SUModelStatistics::SUEntityType_ComponentDefinition], 1);

    App& app = App::Instance();
    EXPECT_EQ(SUModelFromExisting(reinterpret_cast<uintptr_t>(app.ActiveModel())).ptr, app.ActiveModel());
    EXPECT_EQ(SUModelFromExisting(reinterpret_cast<uintptr_t>(&m)).ptr, nullptr);
}

TEST(CApi, StringsRoundTripUtf8AndUtf16) {
    SUStringRef s = SU_INVALID;
    ASSERT_EQ(SUStringCreateFromUTF8(&s, "Glas\xC3\xA9 \xE6\xB0\xB4"), SU_ERROR_NONE);  // "Glasé 水"
    size_t n = 0;
    SUStringGetUTF16Length(s, &n);
    EXPECT_EQ(n, 7u);
    unichar wide[8] = {};
    size_t copied = 0;
    ASSERT_EQ(SUStringGetUTF16(s, 8, wide, &copied), SU_ERROR_NONE);
    EXPECT_EQ(copied, 7u);
    EXPECT_EQ(wide[4], 0xE9);
    EXPECT_EQ(wide[6], 0x6C34);
    // A short buffer gets a cut, terminated copy.
    char small[4];
    ASSERT_EQ(SUStringGetUTF8(s, sizeof small, small, &copied), SU_ERROR_NONE);
    EXPECT_EQ(copied, 3u);
    EXPECT_STREQ(small, "Gla");
    SUStringRelease(&s);
}

// Reading a rendering option's value is face_extraction_test's (ReadColourByLayer).
TEST(CApi, TypedValuesFromOptionsAndDictionaries) {
    Model m;
    Material* mat = m.AddMaterial("Tile");
    m.SetAttribute(mat, "Korvan Material Settings", "KorvanLibraryId", std::string("lib-42"));
    m.SetAttribute(mat, "Korvan Material Settings", "SurfaceTypeId", int64_t{2});

    SURenderingOptionsRef opts = SU_INVALID;
    ASSERT_EQ(SUModelGetRenderingOptions(RefTo<SUModelRef>(&m), &opts), SU_ERROR_NONE);
    SUTypedValueRef v = SU_INVALID;
    ASSERT_EQ(SUTypedValueCreate(&v), SU_ERROR_NONE);
    EXPECT_EQ(SURenderingOptionsGetValue(opts, "NoSuchOption", &v), SU_ERROR_NO_DATA);

    const auto dicts = korvan::ReadSketchUpList<SUAttributeDictionaryRef>(
        SUMaterialToEntity(RefTo<SUMaterialRef>(mat)), SUEntityGetNumAttributeDictionaries, SUEntityGetAttributeDictionaries);
    ASSERT_EQ(dicts.size(), 1u);
    const SUAttributeDictionaryRef dict = dicts[0];
    ASSERT_EQ(SUAttributeDictionaryGetValue(dict, "KorvanLibraryId", &v), SU_ERROR_NONE);
    SUStringRef s = SU_INVALID;
    SUStringCreate(&s);
    ASSERT_EQ(SUTypedValueGetString(v, &s), SU_ERROR_NONE);
    EXPECT_EQ(Text(s), "lib-42");
    ASSERT_EQ(SUAttributeDictionaryGetValue(dict, "SurfaceTypeId", &v), SU_ERROR_NONE);
    EXPECT_EQ(SUTypedValueGetString(v, &s), SU_ERROR_NO_DATA);  // an integer is not text
    int32_t i = 0;
    EXPECT_EQ(SUTypedValueGetInt32(v, &i), SU_ERROR_NONE);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(SUAttributeDictionaryGetValue(dict, "Missing", &v), SU_ERROR_NO_DATA);
    SUStringRelease(&s);
    SUTypedValueRelease(&v);
}

TEST(CApi, TextureDimensionsAndImageRep) {
    Model m;
    // 3 x 2 pixels, 24 bits: rows of 9 bytes padded to 12.
    std::vector<uint8_t> px(24);
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i);
    Texture* t = m.CreateTexture(3, 2, 24, px, 30, 20, "bricks.jpg");
    size_t w = 0, h = 0;
    double s = 0, tt = 0;
    ASSERT_EQ(SUTextureGetDimensions(RefTo<SUTextureRef>(t), &w, &h, &s, &tt), SU_ERROR_NONE);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
    EXPECT_DOUBLE_EQ(s, 1.0 / 30);
    EXPECT_DOUBLE_EQ(tt, 1.0 / 20);
    SUImageRepRef rep = SU_INVALID;
    ASSERT_EQ(SUImageRepCreate(&rep), SU_ERROR_NONE);
    ASSERT_EQ(SUTextureGetImageRep(RefTo<SUTextureRef>(t), &rep), SU_ERROR_NONE);
    size_t size = 0, bpp = 0;
    SUImageRepGetDataSize(rep, &size, &bpp);
    EXPECT_EQ(size, 24u);
    EXPECT_EQ(bpp, 24u);
    std::vector<SUByte> data(size);
    ASSERT_EQ(SUImageRepGetData(rep, size, data.data()), SU_ERROR_NONE);
    EXPECT_EQ(data, px);
    EXPECT_EQ(SUImageRepGetData(rep, size - 1, data.data()), SU_ERROR_INSUFFICIENT_SIZE);
    SUImageRepRelease(&rep);
    // Without padding the deprecated getter hands out 18 bytes.
    SUTextureGetImageDataSize(RefTo<SUTextureRef>(t), &size, &bpp);
    EXPECT_EQ(size, 18u);
}

TEST(MeshHelper, FaceWithHoleTriangulatesAroundIt) {
    Model m;
    Face* f = m.AddFaceWithHoles(m.entities, Rect(0, 0, 100, 100), {Rect(40, 40, 60, 60)});
    Mesh mesh(f);
    EXPECT_EQ(mesh.points.size(), 8u);
    EXPECT_EQ(mesh.Triangles(), 8u);  // n + 2h - 2 for n vertices and h holes
    EXPECT_NEAR(Area(mesh), 100 * 100 - 20 * 20, 1e-6);
    for (const SUVector3D& n : mesh.normals) EXPECT_DOUBLE_EQ(n.z, 1.0);
}

TEST(MeshHelper, ConcavePolygonKeepsItsShape) {
    Model m;
    Face* l = m.AddFace(m.entities, {{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {10, 10, 0}, {10, 20, 0}, {0, 20, 0}});
    Mesh mesh(l);
    EXPECT_EQ(mesh.Triangles(), 4u);
    EXPECT_NEAR(Area(mesh), 300, 1e-9);
    // Every triangle winds counter-clockwise about the face normal (+z here).
    for (size_t i = 0; i < mesh.indices.size(); i += 3) {
        const SUPoint3D &a = mesh.points[mesh.indices[i]], &b = mesh.points[mesh.indices[i + 1]],
                        &c = mesh.points[mesh.indices[i + 2]];
        EXPECT_GT((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0);
    }
}

TEST(MeshHelper, NormalsAreSmoothedOnlyAcrossSoftAndSmoothEdges) {
    Model m;
    // Two faces meeting at a right angle along the edge x = 0.
    Face* floor = m.AddFace(m.entities, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}});
    m.AddFace(m.entities, {{0, 0, 0}, {0, 10, 0}, {0, 10, 10}, {0, 0, 10}});
    Edge* shared = nullptr;
    for (Edge* e : floor->outer->edges)
        if (e->faces.size() == 2) shared = e;
    ASSERT_NE(shared, nullptr);
    auto normalAt = [&](const Vec3& p) {
        Mesh mesh(floor);
        for (size_t i = 0; i < mesh.points.size(); ++i)
            if (SamePoint({mesh.points[i].x, mesh.points[i].y, mesh.points[i].z}, p))
                return Vec3{mesh.normals[i].x, mesh.normals[i].y, mesh.normals[i].z};
        return Vec3{};
    };
    EXPECT_EQ(normalAt({0, 0, 0}), (Vec3{0, 0, 1}));
    m.SetEdgeFlags(shared, true, false, std::nullopt);  // soft alone does not smooth
    EXPECT_EQ(normalAt({0, 0, 0}), (Vec3{0, 0, 1}));
    m.SetEdgeFlags(shared, true, true, std::nullopt);
    Vec3 n = normalAt({0, 0, 0});
    EXPECT_NEAR(n.Length(), 1, 1e-12);
    EXPECT_NEAR(n.z, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(std::fabs(n.x), std::sqrt(0.5), 1e-12);
    EXPECT_EQ(normalAt({10, 10, 0}), (Vec3{0, 0, 1}));  // far corner, no smoothed edge
}

TEST(MeshHelper, TextureCoordinatesCountRepeatsOfTheTexture) {
    Model m;
    Face* f = m.AddFace(m.entities, Rect(0, 0, 50, 20));
    Material* brick = m.AddMaterial("Brick");
    m.SetMaterialTexture(brick, m.CreateTexture(4, 4, 24, {}, 25, 10, "brick.png"));
    m.SetMaterial(f, brick);
    Mesh mesh(f);
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        EXPECT_NEAR(mesh.front[i].x, mesh.points[i].x / 25, 1e-12);
        EXPECT_NEAR(mesh.front[i].y, mesh.points[i].y / 10, 1e-12);
        EXPECT_EQ(mesh.front[i].z, 1.0);
    }
}

TEST(MeshHelper, GluedCuttingComponentOpensTheWall) {
    Model m;
    Face* wall = m.AddFace(m.entities, {{0, 0, 0}, {100, 0, 0}, {100, 0, 80}, {0, 0, 80}});
    ComponentDefinition* window = m.AddDefinition("Window");
    // Frame edges on the gluing plane (z = 0) of the definition: a 20 x 30 opening.
    m.AddFace(window->entities, {{0, 0, 0}, {20, 0, 0}, {20, 30, 0}, {0, 30, 0}});
    m.SetCutsOpening(window, true);
    // Stand the window up in the wall plane (y = 0): definition y becomes world z.
    Transform place = Transform::Translation({40, 0, 20}) * Transform::Axes({0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0});
    ComponentInstance* inst = m.AddInstance(m.entities, window, place);
    EXPECT_NEAR(Area(Mesh(wall)), 8000, 1e-6);
    m.Glue(inst, wall);
    Mesh mesh(wall);
    EXPECT_EQ(mesh.Triangles(), 8u);
    EXPECT_NEAR(Area(mesh), 8000 - 600, 1e-6);
}
