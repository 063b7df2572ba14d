#include "samples/city.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "model/app.h"
#include "samples/procedural_textures.h"
#include "samples/solids.h"

namespace hostsim {

namespace {

// A tile is one block with the half of the streets west and south of it.
constexpr double kTile = 3000, kStreet = 600, kLot = 1080, kLotGap = 120, kFloor = 144;
constexpr uint64_t kParkMinimum = 200;

// SplitMix64: small, fast, and the same sequence on every platform (unlike the standard
// distributions, whose results the library may choose).
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * (Next() >> 11) * 0x1.0p-53; }
    int Int(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }
    bool Chance(double p) { return Uniform(0, 1) < p; }
    uint8_t Byte(int lo, int hi) { return static_cast<uint8_t>(Int(lo, hi)); }

  private:
    uint64_t state_;
};

// Triangles of a face's mesh: a polygon of n corners with h holes makes n + 2h - 2.
uint64_t FaceTriangles(const Face& f) {
    size_t corners = f.outer->vertices.size();
    for (const Loop* hole : f.inner) corners += hole->vertices.size();
    return corners + 2 * f.inner.size() - 2;
}

struct Materials {
    std::vector<Material*> facades, glass, paints, roofs, textured;
    Material *asphalt, *paving, *grass, *water, *bark, *foliage, *metal;
};

struct Layers {
    Layer *roads, *buildings, *rooftops, *vegetation, *water;
};

class CityBuilder {
  public:
    CityBuilder(Model& model, uint32_t seed, uint64_t target)
        : model_(model), rng_(seed), target_(target), remaining_(target) {}

    CityStats Build() {
        layers_ = {model_.AddLayer("Roads"), model_.AddLayer("Buildings"),
                   model_.AddLayer("Rooftops"), model_.AddLayer("Vegetation"),
                   model_.AddLayer("Water")};
        MakeMaterials();
        MakeFurniture();
        MakeBuildingTypes();
        int ring = 0;
        for (int n = 0; remaining_ >= TileMinimum(); ++n) ring = AddTile(n);
        AimCamera(ring);
        stats_.triangles = target_ - remaining_;
        stats_.storedFaces = static_cast<uint64_t>(model_.Counts().faces);
        stats_.buildingTypes = static_cast<int>(buildingTypes_.size());
        return stats_;
    }

  private:
    // The least a tile costs: its streets, a paved block and one tree.
    uint64_t TileMinimum() const { return 7 + treeTriangles_; }

    Material* Colour(const std::string& name, Color c) {
        return AddColourMaterial(model_, name, c);
    }

    void MakeMaterials() {
        char name[32];
        for (int i = 0; i < 24; ++i) {
            std::snprintf(name, sizeof name, "Facade %02d", i + 1);
            m_.facades.push_back(
                Colour(name, {rng_.Byte(120, 235), rng_.Byte(110, 225), rng_.Byte(100, 215), 255}));
        }
        for (int i = 0; i < 6; ++i) {
            std::snprintf(name, sizeof name, "Glass %d", i + 1);
            Material* g =
                Colour(name, {rng_.Byte(60, 140), rng_.Byte(100, 170), rng_.Byte(140, 220), 255});
            model_.SetMaterialAlpha(g, rng_.Uniform(0.45, 0.8));
            m_.glass.push_back(g);
        }
        for (int i = 0; i < 6; ++i) {
            std::snprintf(name, sizeof name, "Paint %d", i + 1);
            m_.paints.push_back(
                Colour(name, {rng_.Byte(40, 250), rng_.Byte(40, 250), rng_.Byte(40, 250), 255}));
        }
        m_.roofs = {Colour("Roof Gravel", {128, 124, 118, 255}),
                    Colour("Roof Membrane", {70, 72, 78, 255}),
                    Colour("Roof Garden", {90, 130, 70, 255})};
        for (int i = 0; i < 4; ++i) {
            std::snprintf(name, sizeof name, "Facade Grid %c", 'A' + i);
            Color wall{rng_.Byte(150, 230), rng_.Byte(140, 220), rng_.Byte(120, 210), 255};
            Color glass{rng_.Byte(40, 90), rng_.Byte(70, 120), rng_.Byte(100, 160), 255};
            std::string file = "facade_grid_" + std::string(1, static_cast<char>('a' + i)) + ".png";
            Material* m = Colour(name, wall);
            model_.SetMaterialTexture(
                m, MakeWindowGridTexture(model_, file, wall, glass, kFloor, 150));
            m_.textured.push_back(m);
        }
        m_.asphalt = Colour("Asphalt", {70, 70, 70, 255});
        model_.SetMaterialTexture(m_.asphalt, MakeAsphaltTexture(model_));
        m_.paving = Colour("Paving", {190, 186, 176, 255});
        m_.grass = Colour("Park Grass", {88, 140, 64, 255});
        m_.water = Colour("Pond Water", {50, 110, 160, 255});
        m_.bark = Colour("Bark", {96, 70, 48, 255});
        m_.foliage = Colour("Foliage", {52, 104, 50, 255});
        m_.metal = Colour("Metal", {160, 164, 170, 255});
    }

    uint64_t DefinitionTriangles(const ComponentDefinition* def) {
        auto it = definitionTriangles_.find(def);
        if (it != definitionTriangles_.end()) return it->second;
        uint64_t sum = 0;
        for (const DrawingElement* e : def->entities->items) {
            if (e->type == RefType::Face)
                sum += FaceTriangles(*static_cast<const Face*>(e));
            else if (e->type == RefType::ComponentInstance || e->type == RefType::Group)
                sum += DefinitionTriangles(static_cast<const ComponentInstance*>(e)->definition);
        }
        definitionTriangles_[def] = sum;
        return sum;
    }

    void MakeFurniture() {
        tree_ = model_.AddDefinition("Street Tree");
        PrismStyle trunk;
        trunk.smoothSides = true;
        trunk.bottom = trunk.top = false;
        trunk.sideMaterial = [this](size_t, int) { return m_.bark; };
        AddPrism(model_, tree_->entities, CircleRing({0, 0, 0}, 6, 6), 90, trunk);
        AddCone(model_, tree_->entities, {0, 0, 80}, 70, 200, 8, m_.foliage);
        treeTriangles_ = DefinitionTriangles(tree_);

        lamp_ = model_.AddDefinition("Street Lamp");
        AddBox(model_, lamp_->entities, {-2, -2, 0}, {2, 2, 180}, m_.metal, false);
        AddBox(model_, lamp_->entities, {-2, -2, 176}, {40, 2, 180}, m_.metal, false);
        lampTriangles_ = DefinitionTriangles(lamp_);

        rooftopUnit_ = model_.AddDefinition("Rooftop Unit");
        AddBox(model_, rooftopUnit_->entities, {-30, -20, 0}, {30, 20, 30}, m_.metal, false);
    }

    void MakeBuildingTypes() {
        const auto count = static_cast<int>(std::clamp<uint64_t>(target_ / 25000, 6, 96));
        const double cap = static_cast<double>(std::clamp<uint64_t>(target_ / 400, 120, 2500));
        char name[32];
        for (int i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "Building %02d", i + 1);
            ComponentDefinition* def = model_.AddDefinition(name);
            double budget = cap * rng_.Uniform(0.4, 1.0);
            double w = rng_.Uniform(360, 960), d = rng_.Uniform(360, 960);
            int kind = rng_.Int(0, 19);
            if (kind < 9)
                GridTower(def, w, d, budget);
            else if (kind < 13)
                RoundTower(def, std::min(w, d) / 2, budget);
            else if (kind < 18)
                TexturedBlock(def, w, d, budget);
            else
                SteppedTower(def, w, d, budget);
            buildingTypes_.push_back({def, DefinitionTriangles(def)});
        }
        std::sort(buildingTypes_.begin(), buildingTypes_.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
    }

    // A box whose sides are a grid of floors and bays, bays alternating glass and wall. The
    // roof has a hole where a penthouse stands, and a rooftop unit sits on it.
    void GridTower(ComponentDefinition* def, double w, double d, double budget) {
        int bx = std::clamp(static_cast<int>(w / 150), 1, 6),
            by = std::clamp(static_cast<int>(d / 150), 1, 6);
        auto perimeter = [&] { return 2 * bx + 2 * by; };
        while (6 * perimeter() + perimeter() + 24 > budget && (bx > 1 || by > 1))
            (bx >= by ? bx : by) -= 1;
        int floors =
            std::clamp(static_cast<int>((budget - perimeter() - 24) / (2 * perimeter())), 2, 60);
        Material* wall = Pick(m_.facades);
        Material* glass = Pick(m_.glass);
        std::vector<Vec3> ring = BayRing(w, d, bx, by);
        PrismStyle style;
        style.rows = floors;
        style.top = style.bottom = false;
        style.sideMaterial = [wall, glass](size_t edge, int row) {
            return row > 0 && edge % 2 == 0 ? glass : wall;
        };
        double height = floors * kFloor;
        AddPrism(model_, def->entities, ring, height, style);
        for (Vec3& p : ring) p.z = height;
        std::vector<Vec3> house = RectangleRing({-w / 6, -d / 6, height}, w / 3, d / 3);
        Face* roof = model_.AddFaceWithHoles(def->entities, ring, {house});
        model_.SetMaterial(roof, Pick(m_.roofs));
        PrismStyle penthouse;
        penthouse.bottom = false;
        penthouse.topMaterial = m_.roofs[1];
        penthouse.sideMaterial = [wall](size_t, int) { return wall; };
        AddPrism(model_, def->entities, house, 120, penthouse);
        ComponentInstance* unit = model_.AddInstance(
            def->entities, rooftopUnit_, Transform::Translation({w / 3, d / 3, height}));
        model_.SetLayer(unit, layers_.rooftops);
    }

    // A cylinder banded by floors, with soft and smooth edges all round.
    void RoundTower(ComponentDefinition* def, double radius, double budget) {
        int segments = rng_.Int(16, 32);
        int floors = std::clamp(static_cast<int>((budget - segments) / (2 * segments)), 2, 50);
        Material* skin = Pick(m_.glass);
        PrismStyle style;
        style.rows = floors;
        style.bottom = false;
        style.smoothSides = true;
        style.topMaterial = Pick(m_.roofs);
        style.sideMaterial = [skin](size_t, int) { return skin; };
        AddPrism(model_, def->entities, CircleRing({0, 0, 0}, radius, segments), floors * kFloor,
                 style);
    }

    // A plain box, one face per floor and side, dressed in a window-grid texture. Some sides are
    // left unpainted so that a placement's own material shows on them.
    void TexturedBlock(ComponentDefinition* def, double w, double d, double budget) {
        int floors = std::clamp(static_cast<int>((budget - 2) / 8), 2, 50);
        Material* skin = Pick(m_.textured);
        bool plainEnds = rng_.Chance(0.5);
        PrismStyle style;
        style.rows = floors;
        style.bottom = false;
        style.topMaterial = Pick(m_.roofs);
        style.sideMaterial = [skin, plainEnds](size_t edge, int) {
            return plainEnds && edge % 2 == 1 ? nullptr : skin;
        };
        AddPrism(model_, def->entities, RectangleRing({-w / 2, -d / 2, 0}, w, d), floors * kFloor,
                 style);
    }

    // A podium with a narrower tower on it; the podium's roof has a hole where the tower stands.
    void SteppedTower(ComponentDefinition* def, double w, double d, double budget) {
        int bx = std::clamp(static_cast<int>(w / 200), 1, 4),
            by = std::clamp(static_cast<int>(d / 200), 1, 4);
        int perimeter = 2 * bx + 2 * by;
        int podiumFloors = rng_.Int(2, 4);
        double left = budget - 2.0 * podiumFloors * perimeter - 16;
        int towerFloors = std::clamp(static_cast<int>(left / 16), 2, 50);
        Material* wall = Pick(m_.facades);
        Material* glass = Pick(m_.glass);
        PrismStyle podium;
        podium.rows = podiumFloors;
        podium.top = podium.bottom = false;
        podium.sideMaterial = [wall, glass](size_t edge, int row) {
            return row % 2 == 1 && edge % 2 == 0 ? glass : wall;
        };
        std::vector<Vec3> ring = BayRing(w, d, bx, by);
        const double podiumHeight = podiumFloors * kFloor;
        AddPrism(model_, def->entities, ring, podiumHeight, podium);
        for (Vec3& p : ring) p.z = podiumHeight;
        std::vector<Vec3> towerRing =
            RectangleRing({-w * 0.3, -d * 0.3, podiumHeight}, w * 0.6, d * 0.6);
        Face* terrace = model_.AddFaceWithHoles(def->entities, ring, {towerRing});
        model_.SetMaterial(terrace, m_.roofs[2]);
        PrismStyle tower;
        tower.rows = towerFloors;
        tower.bottom = false;
        tower.topMaterial = Pick(m_.roofs);
        tower.sideMaterial = [glass](size_t, int) { return glass; };
        AddPrism(model_, def->entities, towerRing, towerFloors * kFloor, tower);
    }

    // A w x d rectangle centred on the origin with its sides split into bays.
    static std::vector<Vec3> BayRing(double w, double d, int bx, int by) {
        std::vector<Vec3> ring;
        auto side = [&ring](Vec3 from, Vec3 to, int parts) {
            for (int k = 0; k < parts; ++k)
                ring.push_back(from + (to - from) * (static_cast<double>(k) / parts));
        };
        Vec3 a{-w / 2, -d / 2, 0}, b{w / 2, -d / 2, 0}, c{w / 2, d / 2, 0}, e{-w / 2, d / 2, 0};
        side(a, b, bx);
        side(b, c, by);
        side(c, e, bx);
        side(e, a, by);
        return ring;
    }

    Material* Pick(const std::vector<Material*>& from) {
        return from[static_cast<size_t>(rng_.Int(0, static_cast<int>(from.size()) - 1))];
    }

    // The n-th cell of a square spiral around (0, 0): the city grows evenly in every direction.
    static std::pair<int, int> SpiralCell(int n, int& ring) {
        if (n == 0) {
            ring = 0;
            return {0, 0};
        }
        int r = 1;
        while ((2 * r + 1) * (2 * r + 1) <= n) ++r;
        ring = r;
        int k = n - (2 * r - 1) * (2 * r - 1);  // position along ring r, 8r cells
        if (k < 2 * r) return {-r + 1 + k, r};
        k -= 2 * r;
        if (k < 2 * r) return {r, r - 1 - k};
        k -= 2 * r;
        if (k < 2 * r) return {r - 1 - k, -r};
        k -= 2 * r;
        return {-r, -r + 1 + k};
    }

    bool Spend(uint64_t triangles) {
        if (triangles > remaining_) return false;
        remaining_ -= triangles;
        return true;
    }

    ComponentInstance* Place(Entities* in, ComponentDefinition* def, const Transform& t,
                             Layer* layer) {
        ComponentInstance* inst = model_.AddInstance(in, def, t);
        model_.SetLayer(inst, layer);
        return inst;
    }

    void PlaceTree(Entities* in, Vec3 at) {
        double s = rng_.Uniform(0.7, 1.3);
        Place(in, tree_,
              Transform::Translation(at) *
                  Transform::Rotation({}, {0, 0, 1}, rng_.Uniform(0, 6.28)) *
                  Transform::Scaling(s, s, s),
              layers_.vegetation);
        ++stats_.trees;
    }

    // One tile: its streets, its block (built up, or a park), trees along the kerb and lamps at
    // the corner. Returns the spiral ring it lies on.
    int AddTile(int n) {
        int ring = 0;
        auto [i, j] = SpiralCell(n, ring);
        ComponentInstance* tile = model_.AddGroup(model_.entities);
        model_.SetInstanceName(tile, "Block " + std::to_string(n + 1));
        model_.SetTransform(tile, Transform::Translation({i * kTile, j * kTile, 0}));
        Entities* in = tile->definition->entities;
        ++stats_.blocks;

        Face* west = model_.AddFaceWithHoles(
            in,
            {{0, 0, 0}, {kStreet, 0, 0}, {kStreet, kStreet, 0}, {kStreet, kTile, 0}, {0, kTile, 0}},
            {});
        Face* south = model_.AddFaceWithHoles(
            in, {{kStreet, 0, 0}, {kTile, 0, 0}, {kTile, kStreet, 0}, {kStreet, kStreet, 0}}, {});
        for (Face* f : {west, south}) {
            model_.SetMaterial(f, m_.asphalt);
            model_.SetLayer(f, layers_.roads);
            remaining_ -= FaceTriangles(*f);
        }
        // A park costs more than a paved block (the plate's hole, the pond): only while there is
        // room.
        const bool park = n > 0 && remaining_ > kParkMinimum && rng_.Chance(0.12);
        const double mid = kStreet + (kTile - kStreet) / 2;
        std::vector<std::vector<Vec3>> pondHole;
        if (park) pondHole.push_back(RectangleRing({mid - 300, mid - 300, 0}, 600, 600));
        Face* plate = model_.AddFaceWithHoles(
            in, RectangleRing({kStreet, kStreet, 0}, kTile - kStreet, kTile - kStreet), pondHole);
        model_.SetMaterial(plate, park ? m_.grass : m_.paving);
        model_.SetLayer(plate, layers_.roads);
        remaining_ -= FaceTriangles(*plate);

        if (park) {
            AddPond(in, mid);
            for (int a = 0; a < 5; ++a)
                for (int b = 0; b < 5; ++b)
                    if ((a != 2 || b != 2) && Spend(treeTriangles_))
                        PlaceTree(in, {kStreet + 240 + a * 480, kStreet + 240 + b * 480, 0});
        } else {
            for (int lot = 0; lot < 4; ++lot) AddBuilding(in, lot);
        }
        for (int k = 0; k < 12; ++k) {
            if (!Spend(treeTriangles_)) break;
            double along = kStreet + 150 + (k % 6) * 420;
            PlaceTree(in, k < 6 ? Vec3{along, kStreet + 40, 0} : Vec3{kStreet + 40, along, 0});
        }
        const Vec3 corners[] = {{kStreet - 30, kStreet - 30, 0},
                                {kTile - 30, kStreet - 30, 0},
                                {kStreet - 30, kTile - 30, 0}};
        for (const Vec3& c : corners) {
            if (!Spend(lampTriangles_)) break;
            Place(in, lamp_,
                  Transform::Translation(c) * Transform::Rotation({}, {0, 0, 1}, std::numbers::pi),
                  layers_.roads);
            ++stats_.lamps;
        }
        return ring;
    }

    void AddPond(Entities* in, double mid) {
        ComponentInstance* pond = model_.AddGroup(in);
        model_.SetInstanceName(pond, "Pond");
        model_.SetLayer(pond, layers_.water);
        Entities* basin = pond->definition->entities;
        std::vector<Vec3> rim = RectangleRing({mid - 300, mid - 300, -30}, 600, 600);
        PrismStyle walls;
        walls.top = walls.bottom = false;
        walls.sideMaterial = [this](size_t, int) { return m_.paving; };
        AddPrism(model_, basin, {rim.rbegin(), rim.rend()}, 30, walls);
        Face* water =
            model_.AddFaceWithHoles(basin, RectangleRing({mid - 300, mid - 300, -8}, 600, 600), {});
        model_.SetMaterial(water, m_.water);
        remaining_ -= DefinitionTriangles(pond->definition);
    }

    void AddBuilding(Entities* in, int lot) {
        // The largest type that still fits when the chosen one does not.
        size_t pick = static_cast<size_t>(rng_.Int(0, static_cast<int>(buildingTypes_.size()) - 1));
        while (buildingTypes_[pick].second > remaining_) {
            if (pick == 0) return;
            --pick;
        }
        auto [def, triangles] = buildingTypes_[pick];
        Spend(triangles);
        double x = kStreet + 60 + kLot / 2 + (lot % 2) * (kLot + kLotGap);
        double y = kStreet + 60 + kLot / 2 + (lot / 2) * (kLot + kLotGap);
        Transform t = Transform::Translation({x, y, 0}) *
                      Transform::Rotation({}, {0, 0, 1}, rng_.Int(0, 3) * std::numbers::pi / 2);
        if (rng_.Chance(0.15)) t = t * Transform::Scaling(-1, 1, 1);
        ComponentInstance* b = Place(in, def, t, layers_.buildings);
        // A painted placement colours the faces its definition leaves unpainted.
        if (rng_.Chance(0.2))
            model_.SetMaterial(b, Pick(rng_.Chance(0.5) ? m_.paints : m_.facades));
        ++stats_.buildings;
    }

    void AimCamera(int ring) {
        double reach = (ring + 1) * kTile;
        Camera c;
        c.eye = {-reach, -1.2 * reach, 0.8 * reach};
        c.target = {kTile / 2, kTile / 2, 0};
        c.up = {0, 0, 1};
        model_.SetCamera(c);
    }

    Model& model_;
    Rng rng_;
    const uint64_t target_;
    uint64_t remaining_;
    CityStats stats_;
    Layers layers_{};
    Materials m_{};
    ComponentDefinition *tree_ = nullptr, *lamp_ = nullptr, *rooftopUnit_ = nullptr;
    uint64_t treeTriangles_ = 0, lampTriangles_ = 0;
    std::vector<std::pair<ComponentDefinition*, uint64_t>> buildingTypes_;
    std::unordered_map<const ComponentDefinition*, uint64_t> definitionTriangles_;
};

}  // namespace

CityStats BuildCity(Model& model, uint32_t seed, uint64_t targetTriangles) {
    model.StartOperation("City");
    CityStats stats = CityBuilder(model, seed, targetTriangles).Build();
    model.CommitOperation();
    return stats;
}

Model* OpenCity(uint32_t seed, uint64_t targetTriangles, CityStats* stats) {
    std::unique_ptr<Model> model = App::Instance().CreateDetached();
    model->title = "City " + std::to_string(seed);
    CityStats built = BuildCity(*model, seed, targetTriangles);
    model->ForgetHistory();
    if (stats) *stats = built;
    return App::Instance().OpenModel(std::move(model));
}

}  // namespace hostsim
