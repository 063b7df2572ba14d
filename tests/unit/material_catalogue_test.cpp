// What the material catalogue leaves in the "SRFC" records: every field at its offset, the
// built-in entries, colours and opacity, cut texts, revisions and flags, removed materials and
// the data sections a flush gives back.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "appearance/material_classification.h"
#include "appearance/texture_files.h"
#include "twinlink/platform.h"
#include "hand_built_scene.h"

namespace {

using namespace korvan;
using scene_test::IdOf;
using scene_test::Ref;

// A record's bytes as Korvan reads them, by offset.
using RecordBytes = liveconnection_test::ByteView;

// The catalogue over a hosted main section, its materials made in a hostsim model.
class MaterialCatalogueTest : public scene_test::HandBuiltSceneTest {
  protected:
    hostsim::Material* Colored(const std::string& name, hostsim::Color colour) {
        hostsim::Material* material = model.AddMaterial(name);
        model.SetMaterialColor(material, colour);
        // The host keeps a material's alpha apart from its colour.
        model.SetMaterialAlpha(material, colour.alpha / 255.0);
        return material;
    }

    // A load that sends these materials.
    void Send(std::initializer_list<hostsim::Material*> materials) {
        catalogue.BeginLoad(Qnil, Ref(model), true, false);
        for (hostsim::Material* material : materials)
            EXPECT_TRUE(catalogue.AddMaterial(Ref(material), Qnil, kNoId));
        catalogue.FlushMaterials();
    }

    RecordBytes Record(uint32_t id) { return RecordBytes(catalogue.FindEntry(id)->record); }
    std::string MarkOf(uint32_t id) {
        return "mark record " + std::to_string(catalogue.FindEntry(id)->record->record.recordId);
    }

    // An unsaved model's textures go into "_Textures" in the working folder: the sandbox.
    void SetUp() override {
        scene_test::HandBuiltSceneTest::SetUp();
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(Sandbox());
    }
    const std::filesystem::path& Sandbox() const { return liveconnection_test::PrivateStateTest::root; }
    void TearDown() override {
        scene_test::HandBuiltSceneTest::TearDown();
        std::filesystem::current_path(previousFolder);
    }

    static std::u16string Id16(hostsim::Material* m) {
        const std::string id = std::to_string(IdOf(m));
        return std::u16string(id.begin(), id.end());
    }
    static std::string Narrow(const std::u16string& text) { return twinlink::platform::Utf16ToUtf8(text); }

    hostsim::Model model;
    std::filesystem::path previousFolder;
};

TEST_F(MaterialCatalogueTest, EveryFieldOfAColoredRecordSitsAtItsOffset) {
    hostsim::Material* brick = Colored("Brick", {0x12, 0x34, 0x56, 255});
    Send({brick});

    ASSERT_NE(catalogue.FindEntry(IdOf(brick))->record, nullptr);
    const RecordBytes r = Record(IdOf(brick));
    EXPECT_EQ(r.Bytes(0, 4), "SRFC");
    EXPECT_EQ(r.U32(4), 1932u);
    EXPECT_EQ(r.U32(12), 0x101u);
    EXPECT_EQ(r.U32(16), 1u);
    EXPECT_EQ(r.U32(20), 1u);
    EXPECT_EQ(r.Text(24, 260), u"Brick");
    EXPECT_EQ(r.U32(544), 0u);
    EXPECT_TRUE(r.AllZero(548, 256));
    EXPECT_EQ(r.U32(804), 0xFF123456u);
    EXPECT_EQ(r.F32(808), 0.5f);
    EXPECT_EQ(r.F32(812), 1.0f);
    EXPECT_EQ(r.U32(816), 0u);
    EXPECT_EQ(r.U32(820), 0u);
    EXPECT_EQ(r.F32(824), 1.0f);
    EXPECT_EQ(r.U32(828), 0u);
    EXPECT_EQ(r.F32(832), 1.0f);
    EXPECT_EQ(r.U32(836), 0u);
    EXPECT_EQ(r.U32(856), 0u);
    EXPECT_TRUE(r.AllZero(860, 520));
    EXPECT_EQ(r.U32(1380), 0u);
    EXPECT_EQ(r.U32(1384), 0u);
    EXPECT_EQ(r.U32(1388), 0xFFFFFFFFu);
    EXPECT_TRUE(r.AllZero(1392, 520));
    EXPECT_EQ(r.U32(1912), 0u);
    EXPECT_TRUE(r.AllZero(1920, 12));
}

TEST_F(MaterialCatalogueTest, SidesFindTheWrittenDefaultOrSingleSidedTheUnwrittenNoneEntry) {
    catalogue.BeginLoad(Qnil, Ref(model), true, false);
    EXPECT_EQ(catalogue.FindEntry(0)->name, u"Default material");
    EXPECT_EQ(catalogue.FindEntry(12345)->name, u"Default material");
    EXPECT_EQ(catalogue.FindEntry(kNoId)->id, kNoId);
    catalogue.FlushMaterials();

    EXPECT_EQ(connection.CountRecords(TwinLinkAPI::kSurfaceTag, 0, 0), 1u);
    const RecordBytes r = Record(kNoId);
    EXPECT_EQ(r.Bytes(0, 4), "SRFC");
    EXPECT_EQ(r.Text(24, 260), u"Default material");
    EXPECT_EQ(r.U32(804), 0xFFAAAAAAu);
    EXPECT_EQ(r.F32(824), 1.0f);
    // Only what a flush wrote is announced.
    EXPECT_EQ(connection.Calls(), (std::vector<std::string>{MarkOf(kNoId), "mark header"}));

    // Single-sided, an unpainted side finds the none entry, which is never written.
    catalogue.BeginLoad(Qnil, Ref(model), false, false);
    EXPECT_EQ(catalogue.FindEntry(0)->name, u"Material none");
    EXPECT_EQ(catalogue.FindEntry(0)->id, 0u);
    EXPECT_EQ(catalogue.FindEntry(12345)->name, u"Default material");
    catalogue.FlushMaterials();
    EXPECT_EQ(catalogue.FindEntry(0)->record, nullptr);
}

// A new material is sent opaque-coloured; an update shows its alpha in the colour as well.
TEST_F(MaterialCatalogueTest, AnUpdateShowsTranslucencyAndOnlyAChangedEntryCountsItsRevisionUp) {
    hostsim::Material* tinted = Colored("Tinted", {0x10, 0x20, 0x30, 128});
    Send({tinted});
    MaterialEntry* entry = catalogue.FindEntry(IdOf(tinted));
    const RecordBytes r(entry->record);
    EXPECT_EQ(r.U32(804), 0xFF102030u);
    EXPECT_NEAR(r.F32(824), 0.502f, 0.001f);
    auto* header = &entry->record->record;
    connection.ClearRecordFlags(header, 0xFFFFFFFFu);

    catalogue.SendMaterial(entry);
    EXPECT_EQ(r.U32(12), 1u);
    EXPECT_EQ(r.U32(20), 1u);

    connection.ClearRecordFlags(header, 0xFFFFFFFFu);
    model.SetMaterialName(tinted, "Tinted glass");
    EXPECT_FALSE(catalogue.RefreshMaterial(Ref(tinted), Qnil));
    catalogue.FlushMaterials();
    EXPECT_EQ(r.U32(804), 0x80102030u);
    EXPECT_EQ(r.U32(12), 0x101u);
    EXPECT_EQ(r.U32(20), 2u);
    EXPECT_EQ(r.Text(24, 260), u"Tinted glass");
    EXPECT_EQ(r.U32(16), 3u);  // three writes, each marked changed
}

// A texture's size scales the texture coordinates: a new size needs the geometry again.
TEST_F(MaterialCatalogueTest, TexturedMaterialsAreSentUntintedAndAResizedTextureAsksForGeometry) {
    hostsim::Material* wood = Colored("Wood", {200, 100, 50, 255});
    hostsim::Texture* grain = model.CreateTexture(4, 4, 24, {}, 25, 10, "wood.jpg");
    model.SetMaterialTexture(wood, grain);
    hostsim::Material* tiles = Colored("Tiles", {10, 20, 30, 255});
    model.SetMaterialTexture(tiles, model.CreateTexture(4, 4, 24, {}, 25, 10, "tiles.jpg"));
    model.SetMaterialColorized(tiles, true);
    Send({wood, tiles});

    MaterialEntry* entry = catalogue.FindEntry(IdOf(wood));
    EXPECT_EQ(entry->type, 1u);
    EXPECT_EQ(catalogue.FindEntry(IdOf(tiles))->type, 2u);
    EXPECT_EQ(Record(IdOf(wood)).U32(804), 0x00FFFFFFu);
    EXPECT_EQ(Record(IdOf(tiles)).U32(804), 0x00FFFFFFu);
    // No source file: a copy is written into the texture folder and its path sent.
    EXPECT_EQ(Record(IdOf(wood)).Text(860, 260), u"./_Textures/" + Id16(wood) + u"_wood.jpg");
    EXPECT_FLOAT_EQ(entry->textureUScale, 1.0f / 25);
    EXPECT_FLOAT_EQ(entry->textureVScale, 1.0f / 10);

    model.SetTextureSize(grain, 50, 20);
    EXPECT_TRUE(catalogue.RefreshMaterial(Ref(wood), Qnil));
    EXPECT_FLOAT_EQ(entry->textureUScale, 1.0f / 50);
    EXPECT_FLOAT_EQ(entry->textureVScale, 1.0f / 20);
    catalogue.FlushMaterials();
    EXPECT_EQ(Record(entry->id).U32(12) & 0x200u, 0x200u);  // the texture must be read again
}

TEST_F(MaterialCatalogueTest, LongTextsAreCutToTheirFieldsWithoutTerminator) {
    std::string longName(300, 'n');
    for (size_t i = 0; i < longName.size(); ++i) longName[i] = static_cast<char>('a' + i % 26);
    hostsim::Material* named = Colored(longName, {1, 2, 3, 255});
    catalogue.BeginLoad(Qnil, Ref(model), true, false);
    catalogue.AddMaterial(Ref(named), Qnil, kNoId);
    MaterialEntry* entry = catalogue.FindEntry(IdOf(named));
    ASSERT_EQ(entry->name.size(), 300u);
    entry->libraryId = std::u16string(128, u'L');
    catalogue.FlushMaterials();

    const RecordBytes r = Record(IdOf(named));
    EXPECT_EQ(r.Text(24, 260), entry->name.substr(0, 260));
    EXPECT_EQ(r.U32(544), 0u);  // the field after the name is untouched by it
    EXPECT_EQ(r.Text(548, 128), std::u16string(128, u'L'));
    EXPECT_EQ(r.U32(804), 0xFF010203u);
}

TEST_F(MaterialCatalogueTest, RemovedMaterialsAreRetaggedAndLayerMaterialsSurviveThePurge) {
    hostsim::Material* gone = Colored("Gone", {1, 1, 1, 255});
    hostsim::Material* kept = Colored("Kept", {2, 2, 2, 255});
    EXPECT_FALSE(catalogue.PurgeRemovedMaterials()) << "a purge needs a loaded model";
    Send({gone, kept});
    // The layer's material is not in the model's list once it is removed from there.
    hostsim::Material* layerOwn = Colored("Layer own", {3, 3, 3, 255});
    const uint32_t layerMaterialId = IdOf(layerOwn);
    catalogue.AddMaterial(Ref(layerOwn), Qnil, 77);
    catalogue.FlushMaterials();

    MaterialEntry* goneEntry = catalogue.FindEntry(IdOf(gone));
    const uint32_t geometrySection = connection.CreateSection(goneEntry->record->record.recordId, 64);
    ASSERT_NE(geometrySection, 0u);
    goneEntry->record->geometryRevision = 5;
    goneEntry->record->geometrySectionId = geometrySection;
    goneEntry->record->geometrySectionSize = 64;
    const RecordBytes goneRecord(goneEntry->record);
    const uint32_t goneId = IdOf(gone);
    model.RemoveMaterial(gone);
    model.RemoveMaterial(layerOwn);

    EXPECT_TRUE(catalogue.PurgeRemovedMaterials());
    EXPECT_EQ(goneRecord.Bytes(0, 4), "SRFI");
    EXPECT_EQ(goneRecord.U32(1920), 5u);
    EXPECT_TRUE(goneRecord.AllZero(1924, 8));
    EXPECT_EQ(goneRecord.U32(12) & 1u, 1u);
    EXPECT_EQ(connection.MapSection(geometrySection), nullptr);
    EXPECT_EQ(catalogue.FindEntry(goneId)->id, kNoId);
    EXPECT_EQ(catalogue.FindEntry(IdOf(kept))->name, u"Kept");
    EXPECT_EQ(catalogue.FindEntry(layerMaterialId)->name, u"Layer own");

    EXPECT_FALSE(catalogue.RemoveLayerMaterial(78));
    const RecordBytes layerRecord(catalogue.FindEntry(layerMaterialId)->record);
    EXPECT_TRUE(catalogue.RemoveLayerMaterial(77));
    EXPECT_EQ(layerRecord.Bytes(0, 4), "SRFI");
    EXPECT_EQ(catalogue.FindEntry(layerMaterialId)->id, kNoId);
}

// Leaves point at catalogue entries: a material removed and brought back by an undo keeps the
// one entry they point at (AddressSanitizer would see a freed one read).
TEST_F(MaterialCatalogueTest, ARemovedMaterialKeepsItsEntryAndAnUndoBringsTheSameOneBack) {
    hostsim::Material* brick = Colored("Brick", {9, 9, 9, 255});
    Send({brick});
    const uint32_t id = IdOf(brick);
    MaterialEntry* leafPointsAt = catalogue.FindEntry(id);

    model.RemoveMaterial(brick);
    EXPECT_TRUE(catalogue.PurgeRemovedMaterials());
    EXPECT_EQ(catalogue.FindEntry(id)->id, kNoId) << "drawn with the default until it comes back";
    EXPECT_TRUE(leafPointsAt->removed);
    EXPECT_EQ(leafPointsAt->name, u"Brick");
    EXPECT_FALSE(catalogue.AddMissingMaterials());

    ASSERT_TRUE(model.Undo());
    EXPECT_TRUE(catalogue.AddMissingMaterials());
    EXPECT_EQ(catalogue.FindEntry(id), leafPointsAt);
    EXPECT_FALSE(leafPointsAt->removed);
    catalogue.FlushMaterials();
    EXPECT_EQ(Record(id).Bytes(0, 4), "SRFC");
    EXPECT_EQ(Record(id).Text(24, 260), u"Brick");
}

TEST_F(MaterialCatalogueTest, AReplacedTextureSectionIsReleasedAtTheEndOfTheFlush) {
    hostsim::Material* picture = Colored("Picture", {0, 0, 0, 255});
    catalogue.BeginLoad(Qnil, Ref(model), true, true);
    catalogue.AddMaterial(Ref(picture), Qnil, kNoId);
    MaterialEntry* entry = catalogue.FindEntry(IdOf(picture));
    const auto giveImage = [&](uint32_t size, uint8_t fill) {
        entry->textureImage = std::make_unique<uint8_t[]>(size);
        std::fill_n(entry->textureImage.get(), size, fill);
        entry->textureImageSize = size;
        catalogue.PendingMaterials.insert(entry->id);
    };
    giveImage(100, 0xAB);
    catalogue.FlushMaterials();
    const uint32_t first = Record(entry->id).U32(1380);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(Record(entry->id).U32(1384), 100u);
    EXPECT_EQ(static_cast<uint8_t*>(connection.MapSection(first))[99], 0xAB);

    giveImage(80, 0xCD);  // smaller: the same section
    catalogue.FlushMaterials();
    EXPECT_EQ(Record(entry->id).U32(1380), first);
    EXPECT_EQ(Record(entry->id).U32(1384), 100u);
    EXPECT_EQ(static_cast<uint8_t*>(connection.MapSection(first))[79], 0xCD);

    giveImage(200, 0xEF);  // larger: a new section, the old one given back last
    connection.ClearCalls();
    catalogue.FlushMaterials();
    const uint32_t second = Record(entry->id).U32(1380);
    EXPECT_NE(second, first);
    EXPECT_EQ(Record(entry->id).U32(1384), 200u);
    EXPECT_EQ(static_cast<uint8_t*>(connection.MapSection(second))[199], 0xEF);
    EXPECT_EQ(connection.Calls(), (std::vector<std::string>{"create " + std::to_string(second), MarkOf(entry->id),
                                                            "release " + std::to_string(first),
                                                            "mark header"}));
    EXPECT_EQ(connection.MapSection(first), nullptr);
    EXPECT_TRUE(catalogue.ReleaseQueue.empty());

    // Back to no image: the section goes, the path field takes over.
    entry->textureImage.reset();
    entry->textureImageSize = 0;
    catalogue.PendingMaterials.insert(entry->id);
    catalogue.FlushMaterials();
    EXPECT_EQ(Record(entry->id).U32(1380), 0u);
    EXPECT_EQ(Record(entry->id).U32(1384), 0u);
    EXPECT_EQ(connection.MapSection(second), nullptr);
}

TEST(MaterialNames, WaterAndGlassWordsAreFoundInAnyCaseAndEauOnlyAsAWordOfItsOwn) {
    for (std::u16string_view water : {u"WASSER 2", u"Agua-azul", u"Acquario", u"Water glass", u"Озеро вода",
                                      u"池の水", u"Eau claire", u"pool eau", u"Eau-de-vie", u"EAU"})
        EXPECT_TRUE(IsWaterName(water)) << std::string(water.begin(), water.end());
    for (std::u16string_view dry : {u"pool_eau", u"Bureau", u"Plateau", u"Cristal", u"Wat er", u""})
        EXPECT_FALSE(IsWaterName(dry)) << std::string(dry.begin(), dry.end());
    for (std::u16string_view glass : {u"Glass_Blue", u"Fiberglass", u"VERRE", u"szkło", u"窓ガラス", u"Glas"})
        EXPECT_TRUE(IsGlassName(glass));
    for (std::u16string_view other : {u"Cristal", u"Gla ss", u"Brick"}) EXPECT_FALSE(IsGlassName(other));
}

TEST_F(MaterialCatalogueTest, SurfaceTypeAndLibraryIdReachTheRecordAndFollowTheirChanges) {
    hostsim::Material* blueGlass = Colored("Glass_Blue", {0x20, 0x40, 0xFF, 102});
    hostsim::Material* opaqueGlass = Colored("Glass_Blue opaque", {0x20, 0x40, 0xFF, 255});
    hostsim::Material* pond = Colored("Water glass", {0x10, 0x60, 0x90, 255});
    hostsim::Material* oak = Colored("Oak", {0x80, 0x50, 0x20, 255});
    model.SetAttribute(oak, "Korvan Material Settings", "KorvanLibraryId", std::string("wood/oak-natural"));
    // Only the dictionary named exactly so is read.
    hostsim::Material* ash = Colored("Ash", {0x90, 0x80, 0x70, 255});
    model.SetAttribute(ash, "korvan material settings", "KorvanLibraryId", std::string("wood/ash"));
    hostsim::Material* pine = Colored("Pine", {0x90, 0x80, 0x70, 255});
    model.SetAttribute(pine, "Korvan Material Settings", "KorvanLibraryId", int64_t{42});
    Send({blueGlass, opaqueGlass, pond, oak, ash, pine});

    const auto surface = [&](hostsim::Material* m) { return Record(IdOf(m)).U32(544); };
    const auto libraryId = [&](hostsim::Material* m) { return Record(IdOf(m)).Text(548, 256); };
    EXPECT_EQ((std::vector<uint32_t>{surface(blueGlass), surface(opaqueGlass), surface(pond), surface(oak)}),
              (std::vector<uint32_t>{2, 0, 1, 0}));
    EXPECT_EQ(libraryId(oak), u"wood/oak-natural");
    EXPECT_TRUE(Record(IdOf(oak)).AllZero(548 + 2 * 16, 256 - 2 * 16));
    EXPECT_EQ(libraryId(ash), u"");
    EXPECT_EQ(libraryId(pine), u"") << "not a string";

    // Taking the key away empties the id and sends the record again; glass made opaque is no
    // longer glass.
    const uint32_t revision = Record(IdOf(oak)).U32(20);
    model.DeleteAttribute(oak, "Korvan Material Settings", "KorvanLibraryId");
    model.SetMaterialAlpha(blueGlass, 1.0);
    EXPECT_FALSE(catalogue.RefreshMaterial(Ref(oak), Qnil));
    EXPECT_FALSE(catalogue.RefreshMaterial(Ref(blueGlass), Qnil));
    catalogue.FlushMaterials();
    EXPECT_EQ(libraryId(oak), u"");
    EXPECT_TRUE(Record(IdOf(oak)).AllZero(548, 256));
    EXPECT_EQ(Record(IdOf(oak)).U32(20), revision + 1);
    EXPECT_EQ(surface(blueGlass), 0u);
}


std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(MaterialCatalogueTest, TexturesGoAsTheSourceFileOrAsACopyNamedAfterTheMaterialAndCopiesAreOurs) {
    // A source that exists is pointed at, not copied. Its name is lower-cased, which Windows'
    // paths do not mind; here the name is relative to the sandbox, whose own name is not.
    std::ofstream(Sandbox() / "stone.png") << "a picture";
    hostsim::Material* stone = Colored("Stone", {90, 90, 90, 255});
    model.SetMaterialTexture(stone, model.CreateTexture(8, 8, 24, {}, 10, 10, "Stone.PNG"));
    // No file name: the copy is named after the material, cleaned for a file name.
    hostsim::Material* wood = Colored("Wood #2 Küche", {90, 60, 30, 255});
    model.SetMaterialTexture(wood, model.CreateTexture(5, 3, 24, {}, 10, 10, ""));
    // 32-bit: up to 256 x 256 a PNG through SketchUp, beyond that a BMP of the pixels.
    hostsim::Material* small = Colored("Small", {1, 2, 3, 255});
    model.SetMaterialTexture(small, model.CreateTexture(256, 256, 32, {}, 10, 10, "C:\\Maps\\Leaf.TGA"));
    hostsim::Material* large = Colored("Large", {1, 2, 3, 255});
    hostsim::Texture* largeTexture = model.CreateTexture(257, 2, 32, {}, 10, 10, "maps/Large.tif");
    for (size_t i = 0; i < largeTexture->pixels.size(); ++i) largeTexture->pixels[i] = static_cast<uint8_t>(i * 7);
    model.SetMaterialTexture(large, largeTexture);
    // Two pictures of the same name from different folders: the material id keeps them apart.
    hostsim::Material* leafToo = Colored("Leaf too", {1, 2, 3, 255});
    model.SetMaterialTexture(leafToo, model.CreateTexture(2, 2, 32, {}, 10, 10, "D:\\Other\\leaf.tga"));
    Send({stone, wood, small, large, leafToo});

    const auto path = [&](hostsim::Material* m) { return catalogue.FindEntry(IdOf(m))->texturePath; };
    const std::u16string folder = u"./_Textures/";
    EXPECT_EQ(path(stone), u"stone.png");
    EXPECT_FALSE(catalogue.FindEntry(IdOf(stone))->ownsTextureFile);
    EXPECT_EQ(path(wood), folder + Id16(wood) + u"_Wood _2 Küche.jpg");
    EXPECT_EQ(path(small), folder + Id16(small) + u"_leaf.png");
    EXPECT_EQ(path(large), folder + Id16(large) + u"_large.bmp");
    EXPECT_EQ(path(leafToo), folder + Id16(leafToo) + u"_leaf.png");
    for (hostsim::Material* m : {wood, small, large, leafToo}) {
        EXPECT_TRUE(catalogue.FindEntry(IdOf(m))->ownsTextureFile);
        EXPECT_TRUE(std::filesystem::is_regular_file(Narrow(path(m)))) << Narrow(path(m));
        // The record carries the path and the file's time, by which Korvan sees a new picture.
        EXPECT_EQ(Record(IdOf(m)).Text(860, 260), path(m));
        EXPECT_EQ(Record(IdOf(m)).U32(856),
                  static_cast<uint32_t>(*twinlink::platform::GetFileLastWriteTime(path(m))));
    }
    EXPECT_EQ(Record(IdOf(wood)).U32(1380), 0u) << "no texture section for a file";

    std::string bmp = FileText(Narrow(path(large)));
    ASSERT_EQ(bmp.size(), 54u + 257 * 2 * 4);
    // 2110 bytes in all, 257 wide, 2 rows top-down, 32 bits, 2056 bytes of pixels.
    const std::string header = std::string("BM\x3E\x08\0\0TWBM\x36\0\0\0\x28\0\0\0\x01\x01\0\0\xFE\xFF\xFF\xFF\x01\0\x20\0", 30) +
                               std::string(4, '\0') + std::string("\x08\x08\0\0", 4) + std::string(16, '\0');
    EXPECT_EQ(bmp.substr(0, 54), header);
    EXPECT_EQ(bmp.substr(54), std::string(largeTexture->pixels.begin(), largeTexture->pixels.end()));

    // The copies go with the link; the user's own file stays.
    const std::vector<std::u16string> copies{path(wood), path(small), path(large), path(leafToo)};
    catalogue.ClearCatalogue();
    for (const std::u16string& copy : copies) EXPECT_FALSE(std::filesystem::exists(Narrow(copy))) << Narrow(copy);
    EXPECT_TRUE(std::filesystem::is_empty(Sandbox() / "_Textures"));
    EXPECT_EQ(FileText(Sandbox() / "stone.png"), "a picture");
}

TEST_F(MaterialCatalogueTest, AnInMemoryTextureIsABmpOfTheRowsAsSketchUpHoldsThemAndEachCaptureIsNew) {
    hostsim::Material* tile = Colored("Tile", {10, 20, 30, 255});
    hostsim::Texture* odd = model.CreateTexture(3, 2, 24, {}, 10, 10, "tile.jpg");
    for (size_t i = 0; i < odd->pixels.size(); ++i) odd->pixels[i] = static_cast<uint8_t>(0xA0 + i);
    model.SetMaterialTexture(tile, odd);
    catalogue.BeginLoad(Qnil, Ref(model), true, true);
    ASSERT_TRUE(catalogue.AddMaterial(Ref(tile), Qnil, kNoId));
    catalogue.FlushMaterials();

    // 3 pixels of 3 bytes make rows of 9, padded to 12.
    const std::string expected = std::string("BM") + std::string("\x4E\0\0\0", 4) + "TWBM" +
                                 std::string("\x36\0\0\0\x28\0\0\0\x03\0\0\0\xFE\xFF\xFF\xFF\x01\0\x18\0", 20) +
                                 std::string(4, '\0') + std::string("\x18\0\0\0", 4) + std::string(16, '\0') +
                                 std::string(odd->pixels.begin(), odd->pixels.end());
    ASSERT_EQ(odd->pixels.size(), 24u);
    MaterialEntry* entry = catalogue.FindEntry(IdOf(tile));
    ASSERT_EQ(entry->textureImageSize, 78u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry->textureImage.get()), 78), expected);
    const RecordBytes r = Record(IdOf(tile));
    EXPECT_EQ(r.Text(860, 260), u"") << "no file";
    EXPECT_EQ(r.U32(856), 1u);
    EXPECT_EQ(r.U32(1384), 78u);
    ASSERT_NE(r.U32(1380), 0u);
    RecordBytes section(connection.MapSection(r.U32(1380)));
    EXPECT_EQ(section.Bytes(0, 78), expected);
    EXPECT_FALSE(std::filesystem::exists(Sandbox() / "_Textures")) << "nothing written";

    // A capture keeps no texture reference, so every refresh captures the picture again under a
    // new stamp, and a new tint does too.
    EXPECT_TRUE(catalogue.RefreshMaterial(Ref(tile), Qnil));
    EXPECT_EQ(entry->TextureStamp, 2u);
    model.SetMaterialColor(tile, {11, 20, 30, 255});
    EXPECT_TRUE(catalogue.RefreshMaterial(Ref(tile), Qnil));
    catalogue.FlushMaterials();
    EXPECT_EQ(r.U32(856), 3u);
    EXPECT_EQ(section.Bytes(0, 78), expected);
}


TEST_F(MaterialCatalogueTest, ACopyThatCannotBeWrittenLeavesTheMaterialWithoutPictureAndSaysSo) {
    // A name far beyond what a file name may hold, and then no folder for the copies at all.
    hostsim::Material* wide = Colored(std::string(300, 'w'), {1, 2, 3, 255});
    model.SetMaterialTexture(wide, model.CreateTexture(4, 4, 24, {}, 10, 10, ""));
    ::testing::internal::CaptureStderr();
    Send({wide});
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(catalogue.FindEntry(IdOf(wide))->texturePath, u"");
    EXPECT_TRUE(Record(IdOf(wide)).AllZero(860, 520));
    EXPECT_EQ(Record(IdOf(wide)).U32(856), 0u);
    EXPECT_THAT(said, testing::StartsWith("Korvan TwinLink: the texture of material \"" + std::string(300, 'w') +
                                          "\" could not be written to \"./_Textures/"));
    EXPECT_TRUE(std::filesystem::is_empty(Sandbox() / "_Textures")) << "nothing half-written";

    catalogue.ClearCatalogue();
    std::filesystem::remove(Sandbox() / "_Textures");
    std::ofstream(Sandbox() / "_Textures") << "in the way";
    hostsim::Material* wood = Colored("Wood", {1, 2, 3, 255});
    model.SetMaterialTexture(wood, model.CreateTexture(4, 4, 24, {}, 10, 10, "wood.jpg"));
    ::testing::internal::CaptureStderr();
    Send({wood});
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), testing::HasSubstr("\"Wood\" could not be written"));
    EXPECT_EQ(catalogue.FindEntry(IdOf(wood))->texturePath, u"");
    EXPECT_EQ(FileText(Sandbox() / "_Textures"), "in the way");
}

}  // namespace
