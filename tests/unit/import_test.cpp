// Opening exchange files: small files written here pin down faces, materials, units, axes,
// smoothing, shared meshes and failures; then every model of Debian's assimp-testmodels goes
// through the importer, each in a child process, and none may crash, hang or fail unnamed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

#include "import/importer.h"
#include "mesh/face_mesh.h"
#include "model/app.h"
#include "model/image_file.h"

namespace hostsim {

namespace {

namespace fs = std::filesystem;

constexpr double kM = 39.37007874015748;  // inches in a metre

class Import : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "import-test-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }

    fs::path dir;
};

std::vector<DrawingElement*> Stored(const Model& m) {
    std::vector<DrawingElement*> all(m.entities->items.begin(), m.entities->items.end());
    for (const ComponentDefinition* d : m.definitions)
        all.insert(all.end(), d->entities->items.begin(), d->entities->items.end());
    return all;
}

ComponentInstance* GroupNamed(const Model& m, const std::string& name) {
    for (DrawingElement* e : Stored(m))
        if (e->type == RefType::Group && static_cast<ComponentInstance*>(e)->name == name)
            return static_cast<ComponentInstance*>(e);
    return nullptr;
}

int SoftSmoothEdges(const Entities* in) {
    int n = 0;
    for (const Edge* e : in->OfType<Edge>(RefType::Edge)) n += e->soft && e->smooth;
    return n;
}

void ExpectNear(const Vec3& a, const Vec3& b, double tolerance = 1e-6) {
    EXPECT_LT((a - b).Length(), tolerance)
        << "got (" << a.x << ", " << a.y << ", " << a.z << ") want (" << b.x << ", " << b.y << ", "
        << b.z << ")";
}

// The box of tests/fixtures: 1 m wide (x), 2 m tall (y, up in OBJ), 1 m deep (z), its quads
// painted with a half-transparent red.
std::string BoxObj() { return std::string(TWINLINK_SOURCE_DIR) + "/tests/fixtures/box.obj"; }

TEST_F(Import, ObjBoxKeepsItsQuadsColourAndOpacityInInchesZUp) {
    ImportResult r = ImportFile(BoxObj());
    ASSERT_TRUE(r.model) << r.report.error;
    const Model& m = *r.model;
    EXPECT_EQ(m.title, "box");
    EXPECT_EQ(m.UndoDepth(), 0u);

    const ComponentInstance* box = GroupNamed(m, "Box");
    ASSERT_TRUE(box);
    const Entities* in = box->definition->entities;
    const std::vector<Face*> faces = in->OfType<Face>(RefType::Face);
    ASSERT_EQ(faces.size(), 6u);
    EXPECT_EQ(in->OfType<Edge>(RefType::Edge).size(), 12u);
    EXPECT_EQ(SoftSmoothEdges(in), 0);
    const Vec3 centre{0.5 * kM, -0.5 * kM, 1 * kM};
    // OBJ's y is up: the box stands 2 m tall along z and reaches back along -y (OBJ's +z is
    // towards the viewer).
    Vec3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Face* f : faces) {
        EXPECT_EQ(f->outer->vertices.size(), 4u);
        EXPECT_TRUE(f->inner.empty());
        // Outward, as the file winds them.
        EXPECT_GT(f->Normal().Dot(f->outer->vertices[0]->position - centre), 0);
        ASSERT_TRUE(f->material);
        EXPECT_EQ(f->material->name, "Red");
        for (const Vertex* v : f->outer->vertices) {
            const Vec3 p = box->transform.ApplyPoint(v->position);
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    }
    ExpectNear(lo, {0, -kM, 0});
    ExpectNear(hi, {kM, 0, 2 * kM});

    ASSERT_EQ(m.materials.size(), 1u);
    const Material& red = *m.materials[0];
    EXPECT_EQ(red.color, (Color{204, 26, 26, 128}));
    EXPECT_DOUBLE_EQ(red.alpha, 0.5);
    EXPECT_TRUE(red.useAlpha);
    EXPECT_EQ(r.report.materials, 1);
}

TEST_F(Import, SharedNormalsSmoothBentPolygonsSplitAndDegeneratesPointsAndLinesAreLeftOut) {
    ImportResult r = ImportFile(Write("shapes.obj", R"(v 0 0 0
v 1 0 0
v 1 1 0.5
v 0 1 0.5
v 1 2 0
v 0 2 0
vn 0 0.45 0.9
vn 0 -0.45 0.9
vn 0 0 1
# Vault: two panels meeting at a crease, with one normal at the crease: smooth.
o Vault
f 1//3 2//3 3//1 4//1
f 4//1 3//1 5//3 6//3
# Ridge: the same panels, each with normals of its own: a hard crease.
o Ridge
f 1//3 2//3 3//1 4//1
f 4//2 3//2 5//2 6//2
# Bent: one quad whose corners are not in a plane.
o Bent
f 1 2 5 4
o Rest
f 1 2 2
f 1 2 5
l 1 2
p 3
)"));
    ASSERT_TRUE(r.model) << r.report.error;
    const Model& m = *r.model;
    const ComponentInstance* vault = GroupNamed(m, "Vault");
    const ComponentInstance* ridge = GroupNamed(m, "Ridge");
    const ComponentInstance* bent = GroupNamed(m, "Bent");
    ASSERT_TRUE(vault && ridge && bent);
    EXPECT_EQ(vault->definition->entities->OfType<Face>(RefType::Face).size(), 2u);
    EXPECT_EQ(SoftSmoothEdges(vault->definition->entities), 1);
    EXPECT_EQ(SoftSmoothEdges(ridge->definition->entities), 0);
    // Two triangles whose shared diagonal is soft: it only exists because of the split.
    const std::vector<Face*> halves = bent->definition->entities->OfType<Face>(RefType::Face);
    ASSERT_EQ(halves.size(), 2u);
    EXPECT_EQ(halves[0]->outer->vertices.size(), 3u);
    EXPECT_EQ(SoftSmoothEdges(bent->definition->entities), 1);
    EXPECT_EQ(r.report.splitPolygons, 1);
    EXPECT_EQ(r.report.faces, 7);  // 2 + 2 + 2, and the flat triangle of Rest
    EXPECT_EQ(r.report.degenerateFaces, 1);
    EXPECT_EQ(r.report.skippedPrimitives, 2);
}

template <typename T>
void Append(std::vector<uint8_t>& to, std::initializer_list<T> values) {
    for (T v : values) {
        const auto* p = reinterpret_cast<const uint8_t*>(&v);
        to.insert(to.end(), p, p + sizeof v);
    }
}

// One square of 1 m on the ground (glTF is y-up), as two triangles with upward normals and
// texture coordinates across the whole picture, shifted a quarter along u; one mesh placed by
// two nodes. The buffer is the file square.bin.
std::string SquareGltf(std::vector<uint8_t>& buffer) {
    Append<float>(buffer, {0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 0, -1});  // positions, 48 bytes
    Append<float>(buffer, {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0});    // normals, 48 bytes
    Append<float>(buffer,
                  {0.25f, 1, 1.25f, 1, 1.25f, 0, 0.25f, 0});  // uvs (top-left origin), 32 bytes
    Append<uint16_t>(buffer, {0, 1, 2, 2, 3, 0});             // indices, 12 bytes
    return R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0, 1]}],
  "nodes": [
    {"name": "Left", "mesh": 0, "translation": [1, 0, 0]},
    {"name": "Right", "mesh": 0, "translation": [0, 0, -2], "rotation": [0, 0.70710678, 0, 0.70710678]}
  ],
  "meshes": [{"name": "Square", "primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2}, "indices": 3, "material": 0}]}],
  "materials": [{"name": "Tinted", "pbrMetallicRoughness": {"baseColorFactor": [0, 0.5, 1, 0.25], "baseColorTexture": {"index": 0}}}],
  "textures": [{"source": 0}],
  "images": [{"uri": "checker.png"}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [0, 0, -1], "max": [1, 0, 0]},
    {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC3"},
    {"bufferView": 2, "componentType": 5126, "count": 4, "type": "VEC2"},
    {"bufferView": 3, "componentType": 5123, "count": 6, "type": "SCALAR"}
  ],
  "bufferViews": [
    {"buffer": 0, "byteOffset": 0, "byteLength": 48},
    {"buffer": 0, "byteOffset": 48, "byteLength": 48},
    {"buffer": 0, "byteOffset": 96, "byteLength": 32},
    {"buffer": 0, "byteOffset": 128, "byteLength": 12}
  ],
  "buffers": [{"byteLength": 140, "uri": "square.bin"}]
})";
}

TEST_F(Import, GltfMeshUsedByTwoNodesIsOneDefinitionPlacedTwiceWithItsTexture) {
    {
        // A 4 x 2 picture for the texture, written as the file the glTF names.
        std::unique_ptr<Model> scratch = App::Instance().CreateDetached();
        std::vector<uint8_t> pixels(4 * 2 * 3, 200);
        pixels[0] = 10;
        Texture* t = scratch->CreateTexture(4, 2, 24, pixels, 1, 1, "checker.png");
        ASSERT_TRUE(WriteImageFile((dir / "checker.png").string(), *t));
    }
    std::vector<uint8_t> buffer;
    const std::string gltf = SquareGltf(buffer);
    Write("square.bin", std::string(buffer.begin(), buffer.end()));
    ImportResult r = ImportFile(Write("square.gltf", gltf));
    ASSERT_TRUE(r.model) << r.report.error;
    const Model& m = *r.model;
    EXPECT_EQ(r.report.groups, 0);
    ASSERT_EQ(m.definitions.size(), 1u);
    const ComponentDefinition* square = m.definitions[0];
    EXPECT_EQ(square->name, "Square");
    ASSERT_EQ(square->instances.size(), 2u);
    std::map<std::string, const ComponentInstance*> byName;
    for (const ComponentInstance* i : square->instances) {
        EXPECT_EQ(i->parent, m.entities);
        byName[i->name] = i;
    }
    ASSERT_TRUE(byName.count("Left") && byName.count("Right"));
    // Node transformations keep their rotation and come out in inches, z up, unscaled.
    ExpectNear(byName["Left"]->transform.Origin(), {kM, 0, 0});
    ExpectNear(byName["Left"]->transform.ApplyVector({1, 0, 0}), {1, 0, 0});
    const Transform& right = byName["Right"]->transform;
    ExpectNear(right.Origin(), {0, 2 * kM, 0});
    // A quarter turn about glTF's y is one about z.
    ExpectNear(right.ApplyVector({1, 0, 0}), {0, 1, 0});
    ExpectNear(right.ApplyVector({0, 0, 1}), {0, 0, 1});

    const std::vector<Face*> faces = square->entities->OfType<Face>(RefType::Face);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(SoftSmoothEdges(square->entities), 1);  // the diagonal between the coplanar triangles

    ASSERT_EQ(m.materials.size(), 1u);
    const Material& tinted = *m.materials[0];
    EXPECT_EQ(tinted.name, "Tinted");
    EXPECT_EQ(tinted.color, (Color{0, 128, 255, 64}));
    EXPECT_DOUBLE_EQ(tinted.alpha, 0.25);
    ASSERT_TRUE(tinted.texture);
    EXPECT_EQ(tinted.texture->fileName, "checker.png");
    EXPECT_EQ(tinted.texture->pixels[0], 10);
    // One repeat over the 1 m square, the picture's lower-left corner a quarter repeat left of the
    // square's origin.
    EXPECT_NEAR(tinted.texture->width, kM, 1e-6);
    EXPECT_NEAR(tinted.texture->height, kM, 1e-6);
    for (const Face* f : faces) {
        EXPECT_EQ(f->material, &tinted);
        ExpectNear(f->Normal(), {0, 0, 1});
        const FaceMesh mesh = MeshFace(*f);
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            const Vec3& p = mesh.vertices[i];
            ExpectNear({mesh.frontStq[i].x, mesh.frontStq[i].y, 0}, {p.x / kM + 0.25, p.y / kM, 0});
        }
    }
    EXPECT_EQ(r.report.missingTextures, 0);
}

TEST_F(Import, ColladaStatingInchesAndZUpComesOutAsWritten) {
    ImportResult r = ImportFile(Write("tri.dae", R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><unit name="inch" meter="0.0254"/><up_axis>Z_UP</up_axis></asset>
  <library_geometries>
    <geometry id="tri" name="tri"><mesh>
      <source id="tri-pos"><float_array id="tri-pos-array" count="9">0 0 0 10 0 0 0 0 5</float_array>
        <technique_common><accessor source="#tri-pos-array" count="3" stride="3">
          <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
        </accessor></technique_common></source>
      <vertices id="tri-vtx"><input semantic="POSITION" source="#tri-pos"/></vertices>
      <triangles count="1"><input semantic="VERTEX" source="#tri-vtx" offset="0"/><p>0 1 2</p></triangles>
    </mesh></geometry>
  </library_geometries>
  <library_visual_scenes>
    <visual_scene id="scene"><node id="n" name="n"><instance_geometry url="#tri"/></node></visual_scene>
  </library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)"));
    ASSERT_TRUE(r.model) << r.report.error;
    std::vector<Vec3> corners;
    for (DrawingElement* e : Stored(*r.model)) {
        if (e->type != RefType::Face) continue;
        // Carried to the model's coordinates through the groups around it.
        Transform world;
        for (const Entities* in = e->parent; in->definition;
             in = in->definition->instances[0]->parent)
            world = in->definition->instances[0]->transform * world;
        for (const Vertex* v : static_cast<Face*>(e)->outer->vertices)
            corners.push_back(world.ApplyPoint(v->position));
    }
    ASSERT_EQ(corners.size(), 3u);
    ExpectNear(corners[0], {0, 0, 0}, 1e-4);
    ExpectNear(corners[1], {10, 0, 0}, 1e-4);
    ExpectNear(corners[2], {0, 0, 5}, 1e-4);
}

// Which imports tell observers of an opened model is test_sources'.
TEST_F(Import, FailuresNameTheFileAndLeaveTheActiveModelAlone) {
    Model* before = App::Instance().ActiveModel();

    const std::string missing = (dir / "nowhere.obj").string();
    const std::string broken =
        Write("broken.gltf", "{ \"asset\": { \"version\": \"2.0\" }, this is not JSON");
    const std::string huge =
        Write("huge.off", "OFF\n900000000 900000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    const std::string points =
        Write("points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1\np 2\nl 1 2 3\n");
    const struct {
        std::string path;
        ImportFailure failure;
        std::string reason;  // empty: whatever assimp says, as long as it says something
    } cases[] = {
        {missing, ImportFailure::FileMissing, "no such file"},
        {broken, ImportFailure::Unreadable, ""},
        {huge, ImportFailure::Refused,
         "its header announces 900000000 vertices and 900000000 faces, more than a file of " +
             std::to_string(fs::file_size(huge)) + " bytes can hold"},
        {points, ImportFailure::NoGeometry, "the file holds no faces"},
    };
    for (const auto& c : cases) {
        std::string error;
        ImportReport report;
        EXPECT_EQ(ImportAndOpen(c.path, error, &report), nullptr) << c.path;
        EXPECT_EQ(report.failure, c.failure) << c.path;
        const std::string prefix = "Cannot import '" + c.path + "': ";
        ASSERT_EQ(error.substr(0, prefix.size()), prefix);
        if (c.reason.empty())
            EXPECT_GT(error.size(), prefix.size() + 3) << error;
        else
            EXPECT_EQ(error.substr(prefix.size()), c.reason);
        EXPECT_EQ(App::Instance().ActiveModel(), before);
    }

    std::string error = "stale";
    Model* opened = ImportAndOpen(BoxObj(), error);
    ASSERT_TRUE(opened);
    EXPECT_EQ(error, "");
    EXPECT_EQ(App::Instance().ActiveModel(), opened);
}

// ---- every model of assimp-testmodels, each imported in a child process

// A child's exit status: kReported plus the ImportFailure, plus kUnnamed when the error does not
// name the file.
constexpr int kReported = 100, kUnnamed = 10;

[[noreturn]] void ImportAndExit(const std::string& path) {
    alarm(60);  // a hang ends in SIGALRM
    const ImportReport r = ImportFile(path).report;
    const bool named = r.error.empty() || r.error.find(path) != std::string::npos;
    // _exit: no destructors, no leak report from the child.
    _exit(kReported + static_cast<int>(r.failure) + (named ? 0 : kUnnamed));
}

TEST(ImportTestModels, EveryFileAssimpReadsImportsOrFailsCleanly) {
    const fs::path root = "/usr/share/assimp/models";
    ASSERT_TRUE(fs::is_directory(root)) << "the assimp-testmodels package is not installed";
    std::map<ImportFailure, std::vector<std::string>> outcomes;
    // Clean: imported, refused or rejected, with the file named. Anything else fails: a crash,
    // a hang, an internal error.
    auto clean = [&](const std::string& path, int status) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) - kReported : -1;
        const auto failure = static_cast<ImportFailure>(code);
        if (failure != ImportFailure::None && failure != ImportFailure::Refused &&
            failure != ImportFailure::Unreadable && failure != ImportFailure::NoGeometry)
            return false;
        outcomes[failure].push_back(path);
        return true;
    };
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && IsImportable(entry.path().string())) files.push_back(entry.path().string());
    // Two children at a time: the walk is the longest test of the suite.
    std::map<pid_t, std::string> running;
    for (size_t next = 0; next < files.size() || !running.empty();) {
        for (; running.size() < 2 && next < files.size(); ++next) {
            const pid_t pid = fork();
            if (pid == 0) ImportAndExit(files[next]);
            running[pid] = files[next];
        }
        int status = 0;
        const pid_t done = wait(&status);
        ASSERT_GT(done, 0) << "lost " << running.size() << " children";
        EXPECT_TRUE(clean(running[done], status)) << running[done] << " ended with status " << status;
        running.erase(done);
    }
    const std::vector<std::string>& imported = outcomes[ImportFailure::None];
    std::cout << "assimp-testmodels: " << imported.size() << " imported, "
              << outcomes[ImportFailure::Unreadable].size() << " rejected by assimp, "
              << outcomes[ImportFailure::NoGeometry].size() << " without faces, "
              << outcomes[ImportFailure::Refused].size() << " refused before reading\n";
    // Each model folder the importer is meant for yields models.
    for (const char* folder : {"/OBJ/", "/Collada/", "/glTF/", "/glTF2/"})
        EXPECT_GE(std::count_if(
                      imported.begin(), imported.end(),
                      [&](const std::string& f) { return f.find(folder) != std::string::npos; }),
                  5)
            << folder;
    EXPECT_GE(imported.size(), 250u);
    EXPECT_EQ(outcomes[ImportFailure::Refused],
              std::vector<std::string>{(root / "invalid/OutOfMemory.off").string()});
    EXPECT_EQ(ImportFile((root / "OBJ/box.obj").string()).report.faces, 6);
    EXPECT_EQ(ImportFile((root / "glTF2/BoxTextured-glTF/BoxTextured.gltf").string()).report.faces,
              12);
}

}  // namespace
}  // namespace hostsim
