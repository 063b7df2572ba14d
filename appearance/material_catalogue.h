// The materials as Korvan sees them: one "SRFC" record per SketchUp material (name, colour,
// opacity, texture, classification) and per layer with a material of its own, kept up to date
// while the link runs.
//
// Entries change on the host's thread inside a scene change; the sync worker writes them in
// FlushMaterials under the same scene lock, so the catalogue needs no lock of its own. Only
// LoadMaterials calls Ruby; everything else reads SketchUp through the C API.
#pragma once

#include <SketchUpAPI/model/defs.h>
#include <ruby/ruby.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "appearance/material_entry.h"
#include "twinlink/concurrent.h"

namespace TwinLinkAPI {
class LiveConnection;
}

namespace korvan {

class MaterialCatalogue {
  public:
    explicit MaterialCatalogue(TwinLinkAPI::LiveConnection* connection);
    MaterialCatalogue(const MaterialCatalogue&) = delete;
    MaterialCatalogue& operator=(const MaterialCatalogue&) = delete;

    // Starts over with the materials of `model` (its Ruby `materials`). The default entry is
    // always pending afterwards, so that Korvan has a record for it. Calls Ruby, which may
    // raise.
    void LoadMaterials(VALUE model, SUModelRef modelRef, bool renderBackFaces, bool memoryTextures);
    // The part of a load that needs no Ruby: forgets the previous model and takes the new one.
    void BeginLoad(VALUE model, SUModelRef modelRef, bool renderBackFaces, bool memoryTextures);
    // Forgets every entry and deletes the texture files the catalogue wrote. Records are left
    // alone: the connection closes right after.
    void ClearCatalogue();

    // The entry a face side with material `id` is drawn with; never null. Id 0 (no material)
    // gives the default entry, or the none entry in single-sided mode.
    MaterialEntry* FindEntry(uint32_t id);

    // Reads the material into its entry (made when new) and queues it. `material` may be nil.
    // False only for a null reference.
    bool AddMaterial(SUMaterialRef materialRef, VALUE material, uint32_t ownerLayerId);
    // Re-reads the material into its entry. True when the texture data changed, which obliges
    // the caller to re-send the geometry of that material.
    bool UpdateMaterial(MaterialEntry& entry, SUMaterialRef materialRef, VALUE material);
    // A changed (or undone) material: added when it has no entry yet, otherwise updated.
    bool RefreshMaterial(SUMaterialRef materialRef, VALUE material);
    // A layer's own material changed; false for a material without an entry of its own.
    bool RefreshLayerMaterial(SUMaterialRef materialRef);
    // Drops the entries of materials no longer in the model; layer materials stay. False when
    // no model is loaded.
    bool PurgeRemovedMaterials();
    // Adds the model's materials that have no entry (a redo brought them back without a word);
    // true when there were any.
    bool AddMissingMaterials();
    // Drops the entry of the layer's own material; false when the layer has none.
    bool RemoveLayerMaterial(uint32_t layerId);
    // The material left the model: its texture and record go, the entry stays (removed).
    void RemoveEntry(MaterialEntry& entry);
    // Lets go of the entry's texture, deleting the file when the catalogue wrote it.
    void ReleaseTexture(MaterialEntry& entry);

    // Writes the entry into its record (made on first use) and marks it.
    void SendMaterial(MaterialEntry* entry);
    // Writes every pending entry and gives back the data sections they no longer use. Runs on
    // the sync worker while it holds the shared-memory lock.
    void FlushMaterials();
    // Re-tags the entry's record "SRFI" for a removed material and drops its geometry section.
    void RemoveMaterialRecord(MaterialEntry& entry);

    TwinLinkAPI::LiveConnection* connection;
    std::unordered_map<uint32_t, MaterialEntry> entries;
    std::unordered_set<uint32_t> PendingMaterials;
    MaterialEntry defaultEntry;
    MaterialEntry noneEntry;
    bool renderBackFaces = true;
    bool memoryTextures = false;
    VALUE model = Qnil;
    SUModelRef modelRef = SU_INVALID;
    uint32_t memoryTextureCounter = 0;
    std::u16string textureFolder;  // where written texture files go; made on first need
    std::u16string tempPath;       // with its trailing separator; empty when unknown
    // Written by SendMaterial, emptied by FlushMaterials; concurrent like the scene's dirty sets.
    twinlink::concurrent::UnorderedSet<uint32_t> ReleaseQueue;
};

}  // namespace korvan
