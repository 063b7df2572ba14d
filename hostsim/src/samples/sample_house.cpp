#include "samples/sample_house.h"

#include <numbers>

#include "model/app.h"
#include "samples/procedural_textures.h"
#include "samples/solids.h"

namespace hostsim {

namespace {

// Sizes in inches: a 40 x 30 ft house on an 8 in slab, 9 ft walls, a gable roof along x.
constexpr double kLength = 480, kDepth = 360, kSlab = 8, kWallTop = kSlab + 108, kRidge = 196;
constexpr double kWindowWidth = 72, kWindowHeight = 54, kSill = 44;

struct Layers {
    Layer *walls, *roof, *windows, *furniture, *garden;
};

struct Palette {
    Material *brick, *roofTiles, *glass, *water, *oak, *plaster, *concrete, *frame, *grass, *canopy,
        *bark, *foliage;
};

Palette MakePalette(Model& model) {
    Palette p{};
    p.brick = AddColourMaterial(model, "Brick", {160, 62, 42, 255});
    model.SetMaterialTexture(p.brick, MakeBrickTexture(model));
    p.roofTiles = AddColourMaterial(model, "Roof Tiles", {170, 70, 50, 255});
    model.SetMaterialTexture(p.roofTiles, MakeRoofTileTexture(model));
    model.SetMaterialColorized(p.roofTiles, true);
    p.glass = AddColourMaterial(model, "Window Glass", {150, 190, 215, 255});
    model.SetMaterialAlpha(p.glass, 0.35);
    p.water = AddColourMaterial(model, "Pool Water", {40, 120, 190, 255});
    p.oak = AddColourMaterial(model, "Oak Floor", {176, 132, 82, 255});
    model.SetMaterialTexture(p.oak, MakeOakTexture(model));
    model.SetAttribute(p.oak, kKorvanSettingsDictionary, kKorvanLibraryIdKey,
                       std::string("korvan.wood.oak-natural"));
    p.plaster = AddColourMaterial(model, "Plaster", {238, 234, 224, 255});
    p.concrete = AddColourMaterial(model, "Concrete", {150, 150, 145, 255});
    p.frame = AddColourMaterial(model, "Window Frame", {55, 60, 66, 255});
    p.grass = AddColourMaterial(model, "Grass", {92, 140, 60, 255});
    model.SetMaterialTexture(p.grass, MakeGrassTexture(model));
    p.canopy = AddColourMaterial(model, "Canopy Red", {150, 30, 36, 255});
    p.bark = AddColourMaterial(model, "Bark", {96, 70, 48, 255});
    p.foliage = AddColourMaterial(model, "Foliage", {48, 100, 46, 255});
    return p;
}

ComponentInstance* NamedGroup(Model& model, Entities* in, const std::string& name, Layer* layer) {
    ComponentInstance* g = model.AddGroup(in);
    model.SetInstanceName(g, name);
    if (layer) model.SetLayer(g, layer);
    return g;
}

// A window lying in its definition's z = 0 plane, x along the sill and y up, facing +z. The
// frame's outline on z = 0 is the opening it cuts in the wall it is glued to; the pane sits
// two inches behind, inside the wall.
ComponentDefinition* MakeWindow(Model& model, const Palette& p) {
    ComponentDefinition* def = model.AddDefinition("Window");
    Face* frame =
        model.AddFaceWithHoles(def->entities, RectangleRing({0, 0, 0}, kWindowWidth, kWindowHeight),
                               {RectangleRing({4, 4, 0}, kWindowWidth - 8, kWindowHeight - 8)});
    model.SetMaterial(frame, p.frame);
    Face* pane = model.AddFaceWithHoles(
        def->entities, RectangleRing({4, 4, -2}, kWindowWidth - 8, kWindowHeight - 8), {});
    model.SetMaterial(pane, p.glass);
    model.SetCutsOpening(def, true);
    return def;
}

ComponentDefinition* MakeColumn(Model& model, const Palette& p) {
    ComponentDefinition* def = model.AddDefinition("Porch Column");
    PrismStyle style;
    style.smoothSides = true;
    style.topMaterial = p.plaster;
    style.sideMaterial = [&p](size_t, int) { return p.plaster; };
    AddPrism(model, def->entities, CircleRing({0, 0, 0}, 4, 16), 100, style);
    return def;
}

ComponentDefinition* MakeTree(Model& model, const Palette& p) {
    ComponentDefinition* def = model.AddDefinition("Tree");
    PrismStyle trunk;
    trunk.smoothSides = true;
    trunk.bottom = false;
    trunk.sideMaterial = [&p](size_t, int) { return p.bark; };
    trunk.topMaterial = p.bark;
    AddPrism(model, def->entities, CircleRing({0, 0, 0}, 5, 8), 60, trunk);
    AddCone(model, def->entities, {0, 0, 50}, 40, 120, 12, p.foliage);
    return def;
}

ComponentDefinition* MakeTable(Model& model, const Palette& p) {
    ComponentDefinition* def = model.AddDefinition("Table");
    AddBox(model, def->entities, {-36, -20, 28}, {36, 20, 30}, p.oak);
    for (double x : {-33.0, 31.0})
        for (double y : {-17.0, 15.0})
            AddBox(model, def->entities, {x, y, 0}, {x + 2, y + 2, 28}, p.oak, false);
    return def;
}

// A chair whose back stands on its +y side.
ComponentDefinition* MakeChair(Model& model, const Palette& p) {
    ComponentDefinition* def = model.AddDefinition("Chair");
    AddBox(model, def->entities, {-9, -9, 16}, {9, 9, 18}, p.oak);
    AddBox(model, def->entities, {-9, 7, 18}, {9, 9, 34}, p.oak, false);
    for (double x : {-9.0, 7.0})
        for (double y : {-9.0, 7.0})
            AddBox(model, def->entities, {x, y, 0}, {x + 2, y + 2, 16}, p.oak, false);
    return def;
}

struct Walls {
    Face *front, *right, *back, *left;
};

// Four single-faced walls, brick outside and plaster inside; the front has a door opening
// and the side walls run up into the gables.
Walls MakeWalls(Model& model, Entities* in, const Palette& p) {
    Walls w{};
    w.front = model.AddFaceWithHoles(
        in, {{0, 0, kSlab}, {kLength, 0, kSlab}, {kLength, 0, kWallTop}, {0, 0, kWallTop}},
        {{{200, 0, 12}, {200, 0, 96}, {280, 0, 96}, {280, 0, 12}}});
    w.right = model.AddFaceWithHoles(in,
                                     {{kLength, 0, kSlab},
                                      {kLength, kDepth, kSlab},
                                      {kLength, kDepth, kWallTop},
                                      {kLength, kDepth / 2, kRidge},
                                      {kLength, 0, kWallTop}},
                                     {});
    w.back = model.AddFaceWithHoles(in,
                                    {{kLength, kDepth, kSlab},
                                     {0, kDepth, kSlab},
                                     {0, kDepth, kWallTop},
                                     {kLength, kDepth, kWallTop}},
                                    {});
    w.left = model.AddFaceWithHoles(in,
                                    {{0, kDepth, kSlab},
                                     {0, 0, kSlab},
                                     {0, 0, kWallTop},
                                     {0, kDepth / 2, kRidge},
                                     {0, kDepth, kWallTop}},
                                    {});
    for (Face* f : {w.front, w.right, w.back, w.left}) {
        model.SetMaterial(f, p.brick);
        model.SetBackMaterial(f, p.plaster);
    }
    return w;
}

// Places windows in the walls' collection and glues each to its wall. Each placement maps the
// window's x to the wall's run, y up, and z out of the house.
void PlaceWindows(Model& model, Entities* in, const Walls& walls, ComponentDefinition* window,
                  Layer* layer) {
    const Vec3 up{0, 0, 1};
    struct Spot {
        Face* wall;
        Transform placement;
    };
    const Transform back =
        Transform::Axes({kLength - 60, kDepth, kSill}, {-1, 0, 0}, up, {0, 1, 0});
    const Spot spots[] = {
        {walls.front, Transform::Axes({60, 0, kSill}, {1, 0, 0}, up, {0, -1, 0})},
        {walls.front,
         Transform::Axes({kLength - 60 - kWindowWidth, 0, kSill}, {1, 0, 0}, up, {0, -1, 0})},
        // The side walls' windows are the front's turned a quarter each way.
        {walls.right, Transform::Axes({kLength, 150, kSill}, {0, 1, 0}, up, {1, 0, 0})},
        {walls.left, Transform::Axes({0, 150 + kWindowWidth, kSill}, {0, -1, 0}, up, {-1, 0, 0})},
        {walls.back, back},
        // A mirror image: turned to the back wall, then flipped along its own x.
        {walls.back, Transform::Axes({276, kDepth, kSill}, {-1, 0, 0}, up, {0, 1, 0}) *
                         Transform::Scaling(-1, 1, 1) *
                         Transform::Translation({-kWindowWidth, 0, 0})},
    };
    for (const Spot& s : spots) {
        ComponentInstance* w = model.AddInstance(in, window, s.placement);
        model.SetLayer(w, layer);
        model.Glue(w, s.wall);
    }
}

void MakeRoof(Model& model, Entities* in, const Palette& p) {
    const double eave = kWallTop - 18 * (kRidge - kWallTop) / (kDepth / 2);
    Face* front = model.AddFaceWithHoles(in,
                                         {{-12, -18, eave},
                                          {kLength + 12, -18, eave},
                                          {kLength + 12, kDepth / 2, kRidge},
                                          {-12, kDepth / 2, kRidge}},
                                         {});
    Face* rear = model.AddFaceWithHoles(in,
                                        {{kLength + 12, kDepth + 18, eave},
                                         {-12, kDepth + 18, eave},
                                         {-12, kDepth / 2, kRidge},
                                         {kLength + 12, kDepth / 2, kRidge}},
                                        {});
    for (Face* f : {front, rear}) {
        model.SetMaterial(f, p.roofTiles);
        model.SetBackMaterial(f, p.plaster);
    }
    AddBox(model, in, {380, 220, 150}, {410, 250, 232}, p.brick, false);
}

void MakeHouse(Model& model, const Palette& p, const Layers& layers,
               std::vector<Entity*>& furniture) {
    ComponentInstance* house = NamedGroup(model, model.entities, "House", nullptr);
    Entities* in = house->definition->entities;

    Solid slab = AddBox(model, in, {0, 0, 0}, {kLength, kDepth, kSlab}, p.concrete);
    model.SetMaterial(slab.top, p.oak);

    ComponentInstance* wallGroup = NamedGroup(model, in, "Walls", layers.walls);
    Walls walls = MakeWalls(model, wallGroup->definition->entities, p);
    PlaceWindows(model, wallGroup->definition->entities, walls, MakeWindow(model, p),
                 layers.windows);

    ComponentInstance* roof = NamedGroup(model, in, "Roof", layers.roof);
    MakeRoof(model, roof->definition->entities, p);

    // The porch: a canopy on two columns, its underside painted and its top left bare.
    Face* canopy = model.AddFaceWithHoles(in, RectangleRing({192, -48, 100}, 96, 48), {});
    model.SetBackMaterial(canopy, p.canopy);
    model.SetLayer(canopy, layers.walls);
    ComponentDefinition* column = MakeColumn(model, p);
    for (double x : {196.0, 284.0}) {
        ComponentInstance* c = model.AddInstance(in, column, Transform::Translation({x, -44, 0}));
        model.SetLayer(c, layers.walls);
    }

    ComponentInstance* table =
        model.AddInstance(in, MakeTable(model, p), Transform::Translation({240, 200, kSlab}));
    furniture.push_back(table);
    ComponentDefinition* chair = MakeChair(model, p);
    const double quarter = std::numbers::pi / 2;
    const struct {
        Vec3 at;
        double turn;
    } seats[] = {{{240, 250, kSlab}, 0},
                 {{240, 150, kSlab}, 2 * quarter},
                 {{184, 200, kSlab}, quarter},
                 {{296, 200, kSlab}, -quarter}};
    for (const auto& s : seats)
        furniture.push_back(model.AddInstance(
            in, chair, Transform::Translation(s.at) * Transform::Rotation({}, {0, 0, 1}, s.turn)));
    for (Entity* e : furniture) model.SetLayer(static_cast<DrawingElement*>(e), layers.furniture);
}

void MakeGarden(Model& model, const Palette& p, const Layers& layers) {
    ComponentInstance* garden = NamedGroup(model, model.entities, "Garden", layers.garden);
    Entities* in = garden->definition->entities;
    const std::vector<Vec3> poolRim = RectangleRing({620, 60, 0}, 320, 240);
    Face* ground =
        model.AddFaceWithHoles(in, RectangleRing({-600, -700, 0}, 1800, 1700), {poolRim});
    model.SetMaterial(ground, p.grass);

    // The pool is a group of its own inside the garden's: basin faces look inwards.
    ComponentInstance* pool = NamedGroup(model, in, "Pool", nullptr);
    Entities* basin = pool->definition->entities;
    PrismStyle walls;
    walls.top = walls.bottom = false;
    walls.sideMaterial = [&p](size_t, int) { return p.concrete; };
    std::vector<Vec3> inward(poolRim.rbegin(), poolRim.rend());
    for (Vec3& v : inward) v.z = -48;
    AddPrism(model, basin, inward, 48, walls);
    Face* floor = model.AddFaceWithHoles(basin, RectangleRing({620, 60, -48}, 320, 240), {});
    model.SetMaterial(floor, p.concrete);
    Face* water = model.AddFaceWithHoles(basin, RectangleRing({620, 60, -6}, 320, 240), {});
    model.SetMaterial(water, p.water);

    ComponentDefinition* tree = MakeTree(model, p);
    const struct {
        Vec3 at;
        double scale, turn;
    } trees[] = {{{-220, 120, 0}, 1.0, 0.0}, {{-150, 520, 0}, 1.3, 0.7}, {{760, 560, 0}, 0.8, 1.9}};
    for (const auto& t : trees)
        model.AddInstance(in, tree,
                          Transform::Translation(t.at) *
                              Transform::Rotation({}, {0, 0, 1}, t.turn) *
                              Transform::Scaling(t.scale, t.scale, t.scale));

    // A flower bed that the designer hid while trying layouts.
    Face* bed = model.AddFaceWithHoles(in, RectangleRing({-300, -300, 0.5}, 120, 60), {});
    model.SetMaterial(bed, p.foliage);
    model.SetHidden(bed, true);

    // A sign by the path: an image standing upright, facing the street (-y).
    AddBox(model, in, {-148, -262, 0}, {-144, -258, 30}, p.bark, false);
    Image* sign = model.AddImage(model.entities, MakeSignTexture(model), {-170, -262, 30}, 48, 32);
    model.SetTransform(sign, Transform::Translation({-170, -262, 30}) *
                                 Transform::Rotation({}, {1, 0, 0}, std::numbers::pi / 2) *
                                 Transform::Scaling(48, 32, 1));
    model.SetLayer(sign, layers.garden);
}

// A surveyor's marker kept in the model but hidden.
void MakeSurveyMarker(Model& model, const Palette& p, const Layers& layers) {
    ComponentInstance* marker = NamedGroup(model, model.entities, "Survey Marker", layers.garden);
    AddBox(model, marker->definition->entities, {-560, -660, 0}, {-556, -656, 40}, p.canopy);
    model.SetHidden(marker, true);
}

void MakeScenes(Model& model, const std::vector<Entity*>& furniture) {
    Camera overview;
    overview.eye = {-520, -760, 420};
    overview.target = {kLength / 2, kDepth / 2, 60};
    overview.up = {0, 0, 1};
    overview.fov = 35;
    model.SetCamera(overview);
    model.AddPage("Overview");
    Camera inside = overview;
    inside.eye = {kLength / 2, -300, 260};
    inside.target = {kLength / 2, kDepth / 2, kSlab};
    model.SetCamera(inside);
    Page* bare = model.AddPage("Empty Rooms");
    model.SetPageHidden(bare, furniture);
    model.SetCamera(overview);
}

}  // namespace

void BuildSampleHouse(Model& model) {
    model.StartOperation("Sample House");
    Layers layers{model.AddLayer("Walls"), model.AddLayer("Roof"), model.AddLayer("Windows"),
                  model.AddLayer("Furniture"), model.AddLayer("Garden")};
    Palette palette = MakePalette(model);
    std::vector<Entity*> furniture;
    MakeHouse(model, palette, layers, furniture);
    MakeGarden(model, palette, layers);
    MakeSurveyMarker(model, palette, layers);
    MakeScenes(model, furniture);
    model.CommitOperation();
}

Model* OpenSampleHouse() {
    std::unique_ptr<Model> model = App::Instance().CreateDetached();
    model->title = "Sample House";
    BuildSampleHouse(*model);
    model->ForgetHistory();
    return App::Instance().OpenModel(std::move(model));
}

}  // namespace hostsim
