#include "appearance/material_catalogue.h"
#include "appearance/sketchup_reads.h"

#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/material.h>
#include <SketchUpAPI/model/model.h>
#include <SketchUpAPI/model/texture.h>

#include <vector>

#include "appearance/material_classification.h"
#include "appearance/sketchup_text.h"
#include "appearance/texture_files.h"
#include "twinlink/platform.h"

namespace korvan {

namespace {

// What one material says about itself. Failed reads leave the preset values.
struct MaterialReading {
    uint32_t id = 0;
    uint32_t type = SUMaterialType_Colored;
    SUColor colour{0, 0, 0, 0};
    SUTextureRef texture = SU_INVALID;
};

MaterialReading ReadMaterial(SUMaterialRef materialRef) {
    MaterialReading reading;
    reading.id = EntityIdOf(SUMaterialToEntity(materialRef));
    SUMaterialType type = SUMaterialType_Colored;
    SUMaterialGetType(materialRef, &type);
    reading.type = static_cast<uint32_t>(type);
    SUMaterialGetColor(materialRef, &reading.colour);
    SUMaterialGetTexture(materialRef, &reading.texture);
    return reading;
}

std::u16string ReadMaterialName(SUMaterialRef materialRef) {
    return ReadSketchUpText(
        [&](SUStringRef* name) { return SUMaterialGetNameLegacyBehavior(materialRef, name); });
}

uint32_t Rgb(const SUColor& c) {
    return static_cast<uint32_t>(c.red) << 16 | static_cast<uint32_t>(c.green) << 8 | c.blue;
}

float OpacityOf(const SUColor& c) {
    return static_cast<float>(c.alpha / 255.0);
}

struct TextureSize {
    size_t width = 1, height = 1;
    double sScale = 1.0, tScale = 1.0;
    bool HasPixels() const { return width != 0 && height != 0; }
};

TextureSize ReadTextureSize(SUTextureRef texture) {
    TextureSize size;
    SUTextureGetDimensions(texture, &size.width, &size.height, &size.sScale, &size.tScale);
    return size;
}

}  // namespace

MaterialCatalogue::MaterialCatalogue(TwinLinkAPI::LiveConnection* connection)
    : connection(connection), ReleaseQueue(8) {
    defaultEntry.id = kNoId;
    defaultEntry.name = u"Default material";
    noneEntry.id = 0;
    noneEntry.name = u"Material none";
    tempPath = twinlink::platform::GetTempPath();
    ReleaseQueue.max_load_factor(4.0f);
}

void MaterialCatalogue::BeginLoad(VALUE newModel, SUModelRef newModelRef, bool backFaces,
                                  bool inMemory) {
    ClearCatalogue();
    PendingMaterials.insert(kNoId);
    renderBackFaces = backFaces;
    memoryTextures = inMemory;
    model = newModel;
    modelRef = newModelRef;
    memoryTextureCounter = 0;
}

void MaterialCatalogue::ClearCatalogue() {
    textureFolder.clear();
    for (auto& [id, entry] : entries) ReleaseTexture(entry);
    entries.clear();
    PendingMaterials.clear();
    // The sections these name belonged to the connection that is closing; the next one hands
    // out the same ids again.
    ReleaseQueue.clear();
    model = Qnil;
    modelRef = SU_INVALID;
    defaultEntry.record = nullptr;
}

MaterialEntry* MaterialCatalogue::FindEntry(uint32_t id) {
    if (id == 0) return renderBackFaces ? &defaultEntry : &noneEntry;
    const auto found = entries.find(id);
    return found != entries.end() && !found->second.removed ? &found->second : &defaultEntry;
}

bool MaterialCatalogue::AddMaterial(SUMaterialRef materialRef, VALUE material,
                                    uint32_t ownerLayerId) {
    if (materialRef.ptr == nullptr) return false;
    const MaterialReading reading = ReadMaterial(materialRef);
    MaterialEntry& entry = entries[reading.id];
    entry.removed = false;
    entry.ownerLayerId = ownerLayerId;
    entry.id = reading.id;
    entry.type = reading.type;
    // A new material is sent opaque-coloured; its alpha shows in the colour from the first
    // update on.
    entry.colour = 0xFF000000u | Rgb(reading.colour);
    entry.opacity = OpacityOf(reading.colour);
    entry.name = ReadMaterialName(materialRef);
    ClassifyMaterial(*this, entry, materialRef);
    // Released before the ownership is forgotten: an entry added again while it lives (a layer's
    // material that is added once more) may own a file it wrote, which must not be left behind.
    if (reading.texture.ptr != nullptr || entry.ownsTextureFile) ReleaseTexture(entry);

    TextureSize size;
    if (reading.texture.ptr != nullptr) {
        size = ReadTextureSize(reading.texture);
        if (size.HasPixels()) {
            if (memoryTextures && reading.type != SUMaterialType_ColorizedTexture)
                CaptureTextureInMemory(*this, entry, reading.texture);
            else
                ExportTextureFile(*this, entry, material, reading.texture, false);
        }
    }
    entry.textureUScale = static_cast<float>(size.sScale);
    entry.textureVScale = static_cast<float>(size.tScale);
    entry.changed = true;
    PendingMaterials.insert(entry.id);
    return true;
}

bool MaterialCatalogue::UpdateMaterial(MaterialEntry& entry, SUMaterialRef materialRef,
                                       VALUE material) {
    const MaterialReading reading = ReadMaterial(materialRef);
    bool changed = false;
    bool textureAffected = false;
    bool result = false;

    std::u16string name = ReadMaterialName(materialRef);
    if (name != entry.name) {
        entry.name = std::move(name);
        changed = true;
    }
    if (reading.type != entry.type) {
        entry.type = reading.type;
        changed = true;
        if (reading.type != SUMaterialType_Colored) textureAffected = true;
    }
    const float opacity = OpacityOf(reading.colour);
    if (opacity != entry.opacity) {
        entry.opacity = opacity;
        textureAffected = true;
    }
    const uint32_t colour = static_cast<uint32_t>(reading.colour.alpha) << 24 | Rgb(reading.colour);
    if (colour != entry.colour) {
        entry.colour = colour;
        changed = true;
        if (entry.type != SUMaterialType_Colored) textureAffected = true;
    }
    if (ClassifyMaterial(*this, entry, materialRef)) changed = true;
    if (changed) entry.changed = true;

    if (reading.texture.ptr != nullptr) {
        const TextureSize size = ReadTextureSize(reading.texture);
        if (entry.texture.ptr != reading.texture.ptr || textureAffected) {
            ReleaseTexture(entry);
            if (size.HasPixels()) {
                if (!memoryTextures)
                    ExportTextureFile(*this, entry, material, reading.texture, false);
                else if (entry.type == SUMaterialType_ColorizedTexture)
                    ExportTextureFile(*this, entry, material, reading.texture, true);
                else
                    CaptureTextureInMemory(*this, entry, reading.texture);
            }
            result = true;
            changed = true;
        }
        const float uScale = static_cast<float>(size.sScale);
        const float vScale = static_cast<float>(size.tScale);
        if (uScale != entry.textureUScale || vScale != entry.textureVScale) {
            entry.textureUScale = uScale;
            entry.textureVScale = vScale;
            result = true;
        }
    } else if (!entry.texturePath.empty() || entry.textureImage) {
        result = true;
        ReleaseTexture(entry);
    }

    if (result || changed) PendingMaterials.insert(entry.id);
    return result;
}

bool MaterialCatalogue::RefreshMaterial(SUMaterialRef materialRef, VALUE material) {
    uint32_t id = 0;
    if (!ReadEntityId(SUMaterialToEntity(materialRef), id)) return false;
    MaterialEntry* entry = FindEntry(id);
    if (entry->id != id) {
        AddMaterial(materialRef, material, kNoId);
        return true;
    }
    return UpdateMaterial(*entry, materialRef, material);
}

bool MaterialCatalogue::RefreshLayerMaterial(SUMaterialRef materialRef) {
    uint32_t id = 0;
    if (!ReadEntityId(SUMaterialToEntity(materialRef), id)) return false;
    MaterialEntry* entry = FindEntry(id);
    if (entry == &defaultEntry || entry == &noneEntry) return false;
    return UpdateMaterial(*entry, materialRef, Qnil);
}

bool MaterialCatalogue::PurgeRemovedMaterials() {
    if (modelRef.ptr == nullptr) return false;
    std::unordered_set<uint32_t> present;
    for (const SUMaterialRef material :
         ReadSketchUpList<SUMaterialRef>(modelRef, SUModelGetNumMaterials, SUModelGetMaterials)) {
        uint32_t id = 0;
        if (ReadEntityId(SUMaterialToEntity(material), id)) present.insert(id);
    }
    for (auto& [id, entry] : entries) {
        if (!entry.removed && entry.ownerLayerId == kNoId && !present.contains(entry.id))
            RemoveEntry(entry);
    }
    return true;
}

bool MaterialCatalogue::AddMissingMaterials() {
    if (modelRef.ptr == nullptr) return false;
    bool added = false;
    for (const SUMaterialRef material :
         ReadSketchUpList<SUMaterialRef>(modelRef, SUModelGetNumMaterials, SUModelGetMaterials)) {
        uint32_t id = 0;
        if (!ReadEntityId(SUMaterialToEntity(material), id) || FindEntry(id)->id == id) continue;
        AddMaterial(material, Qnil, kNoId);
        added = true;
    }
    return added;
}

bool MaterialCatalogue::RemoveLayerMaterial(uint32_t layerId) {
    for (auto& [id, entry] : entries) {
        if (entry.removed || entry.ownerLayerId != layerId) continue;
        RemoveEntry(entry);
        return true;
    }
    return false;
}

void MaterialCatalogue::RemoveEntry(MaterialEntry& entry) {
    ReleaseTexture(entry);
    RemoveMaterialRecord(entry);
    PendingMaterials.erase(entry.id);
    entry.removed = true;
}

void MaterialCatalogue::ReleaseTexture(MaterialEntry& entry) {
    if (entry.id == 0 || entry.id == kNoId) return;
    // A file we only point to belongs to the user.
    if (entry.ownsTextureFile && !entry.texturePath.empty())
        twinlink::platform::DeleteFile(entry.texturePath);
    entry.texturePath.clear();
    entry.textureImage.reset();
    entry.textureImageSize = 0;
    entry.TextureStamp = 0;
    entry.textureUScale = 1.0f;
    entry.textureVScale = 1.0f;
    entry.ownsTextureFile = false;
    entry.textureChanged = true;
}

}  // namespace korvan
