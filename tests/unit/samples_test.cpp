// The built-in models: the sample house holds every kind of thing a renderer link must carry,
// and the city is the same for the same seed and lands on the triangle count it is asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>

#include "mesh/face_mesh.h"
#include "mesh/placed_faces.h"
#include "model/app.h"
#include "samples/city.h"
#include "samples/sample_house.h"

namespace hostsim {

void PrintTo(const Vec3& v, std::ostream* os) {
    *os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

namespace {

// Every drawing element the model stores: its own entities, then each definition's.
std::vector<DrawingElement*> Stored(const Model& m) {
    std::vector<DrawingElement*> all(m.entities->items.begin(), m.entities->items.end());
    for (const ComponentDefinition* d : m.definitions)
        all.insert(all.end(), d->entities->items.begin(), d->entities->items.end());
    return all;
}

template <typename T>
std::vector<T*> StoredOf(const Model& m, RefType type) {
    std::vector<T*> out;
    for (DrawingElement* e : Stored(m))
        if (e->type == type) out.push_back(static_cast<T*>(e));
    return out;
}

// Triangles as a renderer draws them: the mesher's count for each face at every place it shows.
uint64_t DrawnTriangles(const Model& m) {
    std::unordered_map<const Face*, uint64_t> perFace;
    uint64_t sum = 0;
    ForEachPlacedFace(m, [&](const PlacedFace& pf) {
        auto it = perFace.find(pf.face);
        if (it == perFace.end())
            it = perFace.emplace(pf.face, MeshFace(*pf.face).TriangleCount()).first;
        sum += it->second;
    });
    return sum;
}

// The corners of every stored face, in order: two models with equal lists have the same geometry.
std::vector<Vec3> Corners(const Model& m) {
    std::vector<Vec3> out;
    for (const Face* f : StoredOf<Face>(m, RefType::Face))
        for (const Vertex* v : f->AllVertices()) out.push_back(v->position);
    return out;
}

Material* MaterialNamed(const Model& m, const std::string& name) {
    for (Material* x : m.materials)
        if (x->name == name) return x;
    return nullptr;
}

ComponentDefinition* DefinitionNamed(const Model& m, const std::string& name) {
    for (ComponentDefinition* d : m.definitions)
        if (d->name == name) return d;
    return nullptr;
}

class SampleHouse : public ::testing::Test {
  protected:
    void SetUp() override { BuildSampleHouse(*house); }
    std::unique_ptr<Model> house = App::Instance().CreateDetached();
};

TEST_F(SampleHouse, LayersAndMaterialsOfEveryKind) {
    std::vector<std::string> layers;
    for (const Layer* l : house->layers) layers.push_back(l->name);
    EXPECT_EQ(layers, (std::vector<std::string>{"Layer0", "Walls", "Roof", "Windows", "Furniture",
                                                "Garden"}));

    ASSERT_EQ(house->materials.size(), 12u);
    const Material* brick = MaterialNamed(*house, "Brick");
    ASSERT_TRUE(brick && brick->texture);
    const Texture& bricks = *brick->texture;
    EXPECT_EQ(bricks.fileName, "brick.png");
    EXPECT_EQ(brick->Type(), MaterialType::Textured);
    EXPECT_EQ(bricks.bitsPerPixel, 24);
    ASSERT_EQ(bricks.pixels.size(), bricks.RowBytes() * 64);
    // Mortar at the top-left corner (grey), a brick's face a little further in (red): BGR bytes.
    const uint8_t* mortar = &bricks.pixels[0];
    const uint8_t* face = &bricks.pixels[5 * bricks.RowBytes() + 10 * 3];
    EXPECT_LT(std::abs(mortar[2] - mortar[1]), 40);
    EXPECT_GT(face[2], face[1] + 60);

    const Material* tiles = MaterialNamed(*house, "Roof Tiles");
    ASSERT_TRUE(tiles && tiles->texture);
    EXPECT_EQ(tiles->Type(), MaterialType::ColorizedTexture);

    const Material* glass = MaterialNamed(*house, "Window Glass");
    ASSERT_TRUE(glass);
    EXPECT_DOUBLE_EQ(glass->alpha, 0.35);
    EXPECT_TRUE(glass->useAlpha);

    // Every material is used by something, so a renderer sees all of them.
    std::set<const Material*> used;
    for (const DrawingElement* e : Stored(*house)) {
        used.insert(e->material);
        if (e->type == RefType::Face) used.insert(static_cast<const Face*>(e)->backMaterial);
    }
    for (const Material* m : house->materials) EXPECT_TRUE(used.count(m)) << m->name;
}

TEST_F(SampleHouse, PlacementsNestedGroupsAndWindowsCuttingTheWallsTheyAreGluedTo) {
    const ModelCounts c = house->Counts();
    EXPECT_EQ(c.definitions, 5);  // window, column, table, chair, tree
    EXPECT_EQ(c.instances, 16);
    EXPECT_EQ(c.groups, 6);
    EXPECT_EQ(c.images, 1);

    // A group inside a group: the walls inside the house.
    int nested = 0;
    for (const DrawingElement* e : Stored(*house))
        if (e->type == RefType::Group && e->parent->definition &&
            e->parent->definition->kind == DefinitionKind::Group)
            ++nested;
    EXPECT_EQ(nested, 3);  // walls and roof in the house, the pool in the garden

    const ComponentDefinition* window = DefinitionNamed(*house, "Window");
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->cutsOpening);
    EXPECT_EQ(window->Opening(),
              (std::vector<Vec3>{{0, 0, 0}, {72, 0, 0}, {72, 54, 0}, {0, 54, 0}}));
    ASSERT_EQ(window->instances.size(), 6u);
    int mirrored = 0, turned = 0;
    for (const ComponentInstance* w : window->instances) {
        ASSERT_TRUE(w->gluedTo);
        EXPECT_EQ(w->gluedTo->parent, w->parent);
        EXPECT_EQ(w->gluedTo->material, MaterialNamed(*house, "Brick"));
        EXPECT_EQ(w->layer->name, "Windows");
        // The window's z = 0 plane lies in the wall's plane.
        const Vec3 corner = w->transform.ApplyPoint({0, 0, 0});
        EXPECT_NEAR(w->gluedTo->Normal().Dot(corner - w->gluedTo->outer->vertices[0]->position), 0,
                    1e-9);
        EXPECT_NEAR(w->transform.ApplyVector({0, 0, 1}).Dot(w->gluedTo->Normal()), 1, 1e-9);
        if (w->transform.IsMirrored())
            ++mirrored;
        else if (std::fabs(w->transform.ApplyVector({1, 0, 0}).x) < 1e-9)
            ++turned;
    }
    EXPECT_EQ(mirrored, 1);
    EXPECT_EQ(turned, 2);

    const ComponentDefinition* chair = DefinitionNamed(*house, "Chair");
    ASSERT_TRUE(chair);
    EXPECT_EQ(chair->instances.size(), 4u);
}

TEST_F(SampleHouse, HiddenThingsScenesImageAndCamera) {
    std::vector<const DrawingElement*> hidden;
    for (const DrawingElement* e : Stored(*house))
        if (e->hidden) hidden.push_back(e);
    ASSERT_EQ(hidden.size(), 2u);
    auto group = std::find_if(hidden.begin(), hidden.end(),
                              [](auto* e) { return e->type == RefType::Group; });
    ASSERT_NE(group, hidden.end());
    EXPECT_EQ(static_cast<const ComponentInstance*>(*group)->name, "Survey Marker");
    EXPECT_EQ(std::count_if(hidden.begin(), hidden.end(),
                            [](auto* e) { return e->type == RefType::Face; }),
              1);

    ASSERT_EQ(house->pages.size(), 2u);
    EXPECT_EQ(house->pages[0]->name, "Overview");
    EXPECT_TRUE(house->pages[0]->hiddenEntities.empty());
    const Layer* furniture = house->layers[4];
    std::set<Entity*> onFurniture;
    for (DrawingElement* e : Stored(*house))
        if (e->layer == furniture) onFurniture.insert(e);
    EXPECT_EQ(onFurniture.size(), 5u);
    EXPECT_EQ(std::set<Entity*>(house->pages[1]->hiddenEntities.begin(),
                                house->pages[1]->hiddenEntities.end()),
              onFurniture);

    const std::vector<Image*> images = StoredOf<Image>(*house, RefType::Image);
    ASSERT_EQ(images.size(), 1u);
    const Image& sign = *images[0];
    EXPECT_NEAR(sign.transform.ApplyVector({1, 0, 0}).Length(), 48, 1e-9);
    EXPECT_NEAR(sign.transform.ApplyVector({0, 1, 0}).Length(), 32, 1e-9);
    const Texture& picture = *sign.imageMaterial->texture;
    EXPECT_EQ(picture.bitsPerPixel, 32);
    EXPECT_EQ(picture.pixels[3], 0);  // a transparent corner
    EXPECT_EQ(picture.pixels[32 * picture.RowBytes() + 48 * 4 + 3], 255);

    // The camera looks at the house from outside it.
    const Camera& cam = house->camera;
    EXPECT_GT(cam.target.x, 0);
    EXPECT_LT(cam.target.x, 480);
    EXPECT_GT(cam.target.y, 0);
    EXPECT_LT(cam.target.y, 360);
    EXPECT_GT((cam.eye - cam.target).Length(), 600);
    EXPECT_EQ(cam.up, (Vec3{0, 0, 1}));
}

TEST_F(SampleHouse, HolesSmoothSurfacesAndBackPaintAsTheMesherSeesThem) {
    const std::vector<Face*> faces = StoredOf<Face>(*house, RefType::Face);
    // The door in the front wall, the window frame, the pool in the lawn.
    EXPECT_EQ(
        std::count_if(faces.begin(), faces.end(), [](const Face* f) { return !f->inner.empty(); }),
        3);

    // Columns (16 sides), tree trunk (8) and crown (12): every edge between two side faces.
    const std::vector<Edge*> edges = StoredOf<Edge>(*house, RefType::Edge);
    EXPECT_EQ(std::count_if(edges.begin(), edges.end(),
                            [](const Edge* e) { return e->soft && e->smooth; }),
              36);
    EXPECT_EQ(std::count_if(edges.begin(), edges.end(),
                            [](const Edge* e) { return e->soft != e->smooth; }),
              0);

    const Material* red = MaterialNamed(*house, "Canopy Red");
    std::vector<const Face*> backOnly;
    for (const Face* f : faces)
        if (!f->material && f->backMaterial) backOnly.push_back(f);
    ASSERT_EQ(backOnly.size(), 1u);
    EXPECT_EQ(backOnly[0]->backMaterial, red);

    // The front wall meshes around its door and the openings of its two windows.
    const Face* front = DefinitionNamed(*house, "Window")->instances[0]->gluedTo;
    EXPECT_EQ(front->glued.size(), 2u);
    EXPECT_EQ(FaceRings(*front).size(), 4u);
    // A column's side is curved: its normals differ from corner to corner.
    const ComponentDefinition* column = DefinitionNamed(*house, "Porch Column");
    const Face* side = column->entities->OfType<Face>(RefType::Face)[0];
    const FaceMesh mesh = MeshFace(*side);
    EXPECT_LT(mesh.normals.front().Dot(mesh.normals[1]), 0.9999);
}

// Opening it as the active model with onOpenModel is test_sources'.
TEST_F(SampleHouse, IsTheSameEveryTimeAndOpensWithNothingToUndo) {
    std::unique_ptr<Model> again = App::Instance().CreateDetached();
    BuildSampleHouse(*again);
    EXPECT_EQ(Corners(*again), Corners(*house));
    Model* opened = OpenSampleHouse();
    EXPECT_EQ(opened->UndoDepth(), 0u);
    EXPECT_FALSE(opened->Modified());
    EXPECT_EQ(Corners(*opened), Corners(*house));
}

TEST(City, TheSameSeedGivesTheSameCityAndAnotherSeedAnother) {
    auto build = [](uint32_t seed) {
        auto m = App::Instance().CreateDetached();
        BuildCity(*m, seed, 60'000);
        return m;
    };
    auto placements = [](const Model& m) {
        std::vector<Transform> out;
        for (const DrawingElement* e : Stored(m))
            if (e->type == RefType::ComponentInstance || e->type == RefType::Group)
                out.push_back(static_cast<const ComponentInstance*>(e)->transform);
        return out;
    };
    const auto a = build(11), b = build(11), c = build(12);
    const std::vector<Vec3> first = Corners(*a);
    ASSERT_GT(first.size(), 100u);
    EXPECT_EQ(first, Corners(*b));
    EXPECT_NE(first, Corners(*c));
    EXPECT_EQ(placements(*a), placements(*b));
}

TEST(City, LandsJustBelowTheAskedTriangleCountAcrossItsRange) {
    for (uint64_t target : {10'000ull, 250'000ull, 2'000'000ull}) {
        auto m = App::Instance().CreateDetached();
        const CityStats stats = BuildCity(*m, 7, target);
        const uint64_t drawn = DrawnTriangles(*m);
        EXPECT_EQ(drawn, stats.triangles) << target;
        EXPECT_LE(drawn, target);
        EXPECT_GE(drawn, target - target / 100) << target;
        EXPECT_EQ(stats.storedFaces, static_cast<uint64_t>(m->Counts().faces));
    }
}

TEST(City, DozensOfMaterialsManyPlacementsAndTexturedFacades) {
    auto m = App::Instance().CreateDetached();
    const CityStats stats = BuildCity(*m, 3, 300'000);
    std::set<const Material*> used;
    std::map<const ComponentDefinition*, int> placements;
    int mirrored = 0, painted = 0, blocks = 0, ponds = 0;
    for (const DrawingElement* e : Stored(*m)) {
        if (e->material) used.insert(e->material);
        if (e->type == RefType::Group) {
            const std::string& name = static_cast<const ComponentInstance*>(e)->name;
            blocks += name.rfind("Block ", 0) == 0;
            ponds += name == "Pond";
            // Blocks lie in the model; ponds inside blocks.
            EXPECT_EQ(e->parent == m->entities, name != "Pond") << name;
        }
        if (e->type != RefType::ComponentInstance) continue;
        const auto* inst = static_cast<const ComponentInstance*>(e);
        ++placements[inst->definition];
        mirrored += inst->transform.IsMirrored();
        painted += inst->material != nullptr;
    }
    EXPECT_GE(used.size(), 36u);
    EXPECT_GE(std::count_if(used.begin(), used.end(),
                            [](const Material* x) {
                                return x->texture &&
                                       x->texture->pixels.size() ==
                                           x->texture->RowBytes() * x->texture->pixelHeight;
                            }),
              4);
    EXPECT_GE(stats.buildingTypes, 6);
    EXPECT_GE(stats.buildings, 100);
    EXPECT_GE(stats.trees, 500);
    EXPECT_EQ(blocks, stats.blocks);
    EXPECT_GT(ponds, 0);
    const int buildings =
        std::accumulate(placements.begin(), placements.end(), 0, [](int sum, const auto& p) {
            return sum + (p.first->name.rfind("Building", 0) == 0 ? p.second : 0);
        });
    EXPECT_EQ(buildings, stats.buildings);
    EXPECT_GT(mirrored, 0);
    EXPECT_GT(painted, 0);
    // Round towers are smooth all round.
    const std::vector<Edge*> edges = StoredOf<Edge>(*m, RefType::Edge);
    EXPECT_GT(std::count_if(edges.begin(), edges.end(),
                            [](const Edge* e) { return e->soft && e->smooth; }),
              100);
}

}  // namespace
}  // namespace hostsim
