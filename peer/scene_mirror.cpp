#include "peer/scene_mirror.h"

#include <cmath>
#include <cstring>
#include <map>

#include "liveconnection/shared_layout.h"
#include "peer/captured_link.h"
#include "peer/link_decoder.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

namespace {

// A batch can be kept when its record still names the same section, with the same size, at the
// same revision: the writer counts the revision up whenever it rewrites the batch.
bool SameBatch(const SceneMaterial& held, uint32_t recordId, uint32_t revision, uint32_t sectionId,
               uint32_t declaredSize) {
    return held.id == recordId && held.geometryRevision == revision &&
           held.geometrySectionId == sectionId && held.geometrySize == declaredSize;
}

// A picture can be kept while the record names the same file or section under the same stamp:
// the writer gives every new picture a new stamp.
bool SameTexture(const SceneMaterial& held, uint32_t stamp, const std::string& path,
                 uint32_t sectionId, uint32_t size) {
    return held.texture && held.textureStamp == stamp && held.texturePath == path &&
           held.textureSectionId == sectionId && held.textureSize == size;
}

float UsableOpacity(float opacity) {
    if (std::isnan(opacity)) return 1.0f;
    return std::fmin(std::fmax(opacity, 0.0f), 1.0f);
}

// The material's picture: the one held when nothing about it changed, else the decoded section,
// else the file the record names, read here (a file that cannot be read is reported).
template <typename Held>
void TakePicture(SurfaceSnapshot& surface, uint32_t slot, const Held& heldPicture,
                 SceneMaterial& material, Problems& problems) {
    material.textureStamp = surface.textureStamp;
    material.texturePath = surface.texturePath;
    if (surface.textureSection) {
        material.textureSectionId = surface.textureSection->id;
        material.textureSize = surface.textureSection->size;
    }
    const SceneMaterial* before = heldPicture(material.id, material.textureStamp, material.texturePath,
                                              material.textureSectionId, material.textureSize);
    if (before) {
        material.texture = before->texture;
        if (surface.textureKept) surface.textureImage = before->texture;
    } else if (surface.textureImage) {
        material.texture = surface.textureImage;
    } else if (!material.texturePath.empty()) {
        std::string fault;
        material.texture = LoadTextureFile(material.texturePath, &fault);
        if (!material.texture)
            problems.push_back({"slot " + std::to_string(slot),
                                "texture file \"" + material.texturePath + "\" cannot be read: " + fault});
    }
}

}  // namespace

LinkSnapshot SceneMirror::Update(PeerConnection& connection, uint32_t lockTimeoutMicroseconds) {
    std::map<uint32_t, const SceneMaterial*> heldBySection, heldByRecord;
    for (const SceneMaterial& material : scene_.materials) {
        if (material.geometrySectionId != 0) heldBySection[material.geometrySectionId] = &material;
        heldByRecord[material.id] = &material;
    }
    const auto heldPicture = [&](uint32_t recordId, uint32_t stamp, const std::string& path,
                                 uint32_t sectionId, uint32_t size) -> const SceneMaterial* {
        const auto found = heldByRecord.find(recordId);
        if (found == heldByRecord.end()) return nullptr;
        return SameTexture(*found->second, stamp, path, sectionId, size) ? found->second : nullptr;
    };
    const auto held = [&](uint32_t recordId, uint32_t revision, uint32_t sectionId,
                          uint32_t declaredSize) -> const SceneMaterial* {
        const auto found = heldBySection.find(sectionId);
        if (found == heldBySection.end()) return nullptr;
        return SameBatch(*found->second, recordId, revision, sectionId, declaredSize)
                   ? found->second
                   : nullptr;
    };
    const ContentFilter wanted = [&](const uint8_t* slotBytes, const SectionReference& reference) {
        if (reference.use == SectionUse::Descriptor) return true;
        SurfaceRecord record;
        std::memcpy(&record, slotBytes, sizeof record);
        if (record.record.tag != kSurfaceTag) return true;
        if (reference.use == SectionUse::Texture)
            return heldPicture(record.record.recordId, record.textureStamp, "",
                               record.textureSectionId, record.textureSectionSize) == nullptr;
        return held(record.record.recordId, record.geometryRevision, record.geometrySectionId,
                    record.geometrySectionSize) == nullptr;
    };

    batchesRead_ = 0;
    LinkSnapshot snapshot = DecodeLink(CaptureLink(connection, lockTimeoutMicroseconds, wanted));
    if (!snapshot.lockTaken) return snapshot;

    PeerScene next;
    for (RecordSnapshot& record : snapshot.records) {
        if (record.tag != kSurfaceTag || !record.surface) continue;
        SurfaceSnapshot& surface = *record.surface;
        SceneMaterial material;
        material.slot = record.slot;
        material.id = record.id;
        material.name = surface.name;
        material.colour = surface.colour;
        material.opacity = UsableOpacity(surface.opacity);
        material.geometryRevision = surface.geometryRevision;
        TakePicture(surface, record.slot, heldPicture, material, snapshot.problems);
        if (surface.geometrySection) {
            material.geometrySectionId = surface.geometrySection->id;
            material.geometrySize = surface.geometrySection->size;
        }
        if (surface.geometryKept) {
            // The filter only declines batches it holds, so the lookup cannot miss.
            const SceneMaterial* before = held(record.id, surface.geometryRevision,
                                               material.geometrySectionId, material.geometrySize);
            if (before == nullptr) continue;
            material.mesh = before->mesh;
            surface.mesh = before->mesh;
            surface.geometry = GeometrySnapshot{static_cast<uint32_t>(before->mesh->VertexCount()),
                                                static_cast<uint32_t>(before->mesh->indices.size()),
                                                1};
        } else if (surface.mesh) {
            material.mesh = surface.mesh;
            ++batchesRead_;
        } else if (!surface.geometrySection) {
            material.mesh = std::make_shared<const MaterialMesh>();
        } else {
            continue;  // a batch that failed its checks (reported) leaves the material out
        }
        next.materials.push_back(std::move(material));
    }
    scene_ = std::move(next);
    return snapshot;
}

}  // namespace korvan::peer
