#include "scene/material_batch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "appearance/material_catalogue.h"
#include "liveconnection/live_connection.h"
#include "scene/su_scene.h"
#include "twinlink/parallel.h"

namespace korvan {

using TwinLinkAPI::SurfaceRecord;

namespace {

// Leaves a task counts and writes: enough that handing a task over costs little against it.
constexpr size_t kLeavesPerPart = 4096;
// Leaves ahead of the one being written whose nodes are fetched early.
constexpr size_t kPrefetchDistance = 16;

// Sections are sized in 32 bits.
constexpr uint64_t kLargestSection = 0xFFFFFFFFu;

// How many sides of the leaf show the material: 0, 1 or 2.
uint32_t SidesShowing(const LeafNode& leaf, uint32_t materialId) {
    if (leaf.face == nullptr || !leaf.EffectiveVisible()) return 0;
    return (leaf.materialId == materialId ? 1u : 0u) +
           (leaf.backMaterialId == materialId ? 1u : 0u);
}

// A face record whose vectors are shorter than its counts would be read past its end; such a
// record is counted like any other but its run is left unwritten.
bool HoldsWhatItCounts(const FaceRecord& face) {
    const size_t vertices = face.vertexCount;
    return face.indices.size() >= face.indexCount && face.positions.size() >= 3 * vertices &&
           face.normals.size() >= 3 * vertices && face.frontUV.size() >= 2 * vertices &&
           face.backUV.size() >= 2 * vertices;
}

void PrefetchLeaf(const LeafNode* leaf) {
    __builtin_prefetch(leaf);
    __builtin_prefetch(reinterpret_cast<const char*>(leaf) + 64);
    if (leaf->face != nullptr) __builtin_prefetch(leaf->face);
}

// The leaves that show the material on a visible side, as the batch lists them (part after
// part), and how many vertices and indices each part's sides hold. The tree does not change
// during a pass, so what the count saw is what the writing sees.
struct MaterialLeaves {
    struct Part {
        std::vector<const LeafNode*> leaves;
        uint64_t vertices = 0;
        uint64_t indices = 0;
    };
    std::vector<Part> parts;
    uint64_t vertexCount = 0;
    uint64_t indexCount = 0;
};

// Copies the list's showing leaves and counts their sides, in parallel over parts of the list.
MaterialLeaves CopyAndCount(std::span<LeafNode* const> list, uint32_t materialId) {
    MaterialLeaves leaves;
    leaves.parts.resize((list.size() + kLeavesPerPart - 1) / kLeavesPerPart);
    twinlink::parallel::For(leaves.parts.size(), [&](size_t p) {
        MaterialLeaves::Part& part = leaves.parts[p];
        const size_t end = std::min(list.size(), (p + 1) * kLeavesPerPart);
        part.leaves.reserve(end - p * kLeavesPerPart);
        for (size_t i = p * kLeavesPerPart; i < end; ++i) {
            const LeafNode* leaf = list[i];
            const uint32_t sides = SidesShowing(*leaf, materialId);
            if (sides == 0) continue;
            part.leaves.push_back(leaf);
            part.vertices += uint64_t{sides} * leaf->face->vertexCount;
            part.indices += uint64_t{sides} * leaf->face->indexCount;
        }
    });
    for (const MaterialLeaves::Part& part : leaves.parts) {
        leaves.vertexCount += part.vertices;
        leaves.indexCount += part.indices;
    }
    return leaves;
}

// Four floats in one register (GCC's and Clang's vector extension).
using Float4 = float __attribute__((vector_size(16)));

Float4 RowOf(const Matrix4& m, int row) {
    return Float4{m[4 * row], m[4 * row + 1], m[4 * row + 2], m[4 * row + 3]};
}

// NormalMatrix for the affine matrices that placements have (last column 0, 0, 0, 1): the
// inverse-transpose of the upper-left 3x3, from the same cofactors that the general 4x4 inverse
// reduces to for them. The general inverse costs more than writing a small face.
Matrix4 AffineNormalMatrix(const Matrix4& m) {
    if (m[3] != 0 || m[7] != 0 || m[11] != 0) return NormalMatrix(m);
    const double a0 = m[0], a1 = m[1], a2 = m[2];
    const double a4 = m[4], a5 = m[5], a6 = m[6];
    const double a8 = m[8], a9 = m[9], a10 = m[10];
    const double c00 = a5 * a10 - a9 * a6;
    const double c01 = -a1 * a10 + a9 * a2;
    const double c02 = a1 * a6 - a5 * a2;
    const double c10 = -a4 * a10 + a8 * a6;
    const double c11 = a0 * a10 - a8 * a2;
    const double c12 = -a0 * a6 + a4 * a2;
    const double c20 = a4 * a9 - a8 * a5;
    const double c21 = -a0 * a9 + a8 * a1;
    const double c22 = a0 * a5 - a4 * a1;
    const double det = a0 * c00 + a1 * c10 + a2 * c20;
    // As the general inverse: a singular matrix counts as the identity.
    if (det == 0 || !std::isfinite(det)) return kIdentityMatrix;
    const auto f = [det](double cofactor) { return static_cast<float>(cofactor / det); };
    // Transposed: row i of the result is column i of the inverse.
    return {f(c00), f(c10), f(c20), 0, f(c01), f(c11), f(c21), 0,
            f(c02), f(c12), f(c22), 0, 0,      0,      0,      1};
}

// The normal matrix of the container the last leaf sat in: the faces of one group or component
// share it (all loose geometry shares the root's), and the tree does not change while a batch is
// written, so the container's address tells the matrix. One per writing task.
class NormalMatrices {
  public:
    const Matrix4& Of(const LeafNode& leaf) {
        if (!valid_ || leaf.parent != parent_) {
            normal_ = AffineNormalMatrix(leaf.World());
            parent_ = leaf.parent;
            valid_ = true;
        }
        return normal_;
    }

  private:
    const ContainerNode* parent_ = nullptr;
    bool valid_ = false;
    Matrix4 normal_ = kIdentityMatrix;
};

// The material's section, grown when the batch no longer fits; null when none can be had.
void* SectionFor(TwinLinkAPI::LiveConnection& connection, SurfaceRecord& record, uint64_t needed,
                 MaterialIdSet& sectionsToRelease) {
    if (record.geometrySectionSize < needed) {
        // Old sections go back after the pass: the other tasks are still writing through the
        // connection's section table.
        if (record.geometrySectionId != 0) sectionsToRelease.insert(record.geometrySectionId);
        // Twice what is needed, so that a slowly growing material keeps its section for a while.
        const uint64_t size = std::min(2 * needed, kLargestSection);
        const uint32_t id =
            connection.CreateSection(record.record.recordId, static_cast<uint32_t>(size));
        record.geometrySectionId = id;
        // A failed creation records no size, so that the next build tries again.
        record.geometrySectionSize = id != 0 ? static_cast<uint32_t>(size) : 0;
    }
    return connection.MapSection(record.geometrySectionId);
}

}  // namespace

void SUScene::BuildMaterialBatch(BatchPassContext& context, uint32_t materialId) {
    if (!pending.load() || !context.keepGoing.load()) return;
    if (materialId == 0) {
        context.processed.insert(materialId);
        return;
    }
    const MaterialLeaves leaves = CopyAndCount(leavesByMaterial.Find(materialId), materialId);
    const uint64_t vertexCount = leaves.vertexCount;
    const uint64_t indexCount = leaves.indexCount;
    // An id the catalogue does not hold resolves to the default entry, whose record belongs to
    // the default material (built by its own task); such an id has nothing of its own to send.
    MaterialEntry* entry = materials->FindEntry(materialId);
    if (entry->id != materialId || entry->record == nullptr) {
        context.processed.insert(materialId);
        return;
    }
    SurfaceRecord& record = *entry->record;
    // Until this build completes, no leaf's place in the batch is known.
    entry->batchLayout = 0;
    const uint32_t layout = ++lastBatchLayout;
    const uint64_t needed = BatchBytes(vertexCount, indexCount);
    // Sections are sized in 32 bits: a material larger than that can never be sent, and is sent
    // empty rather than tried again at every pass.
    if (vertexCount == 0 || needed > kLargestSection) {
        if (record.geometrySectionId != 0)
            context.sectionsToRelease.insert(record.geometrySectionId);
        record.geometrySectionId = 0;
        record.geometrySectionSize = 0;
    } else if (void* batch = SectionFor(*connection, record, needed, context.sectionsToRelease)) {
        uint32_t* counts = static_cast<uint32_t*>(batch);
        counts[0] = static_cast<uint32_t>(vertexCount);
        counts[1] = static_cast<uint32_t>(indexCount);
        counts[2] = kBatchUVSets;
        // Each part starts where the parts before it end, so the parts are written in parallel.
        std::vector<std::pair<uint32_t, uint32_t>> starts(leaves.parts.size());
        uint64_t vertexStart = 0;
        uint64_t indexStart = 0;
        for (size_t p = 0; p < leaves.parts.size(); ++p) {
            starts[p] = {static_cast<uint32_t>(vertexStart), static_cast<uint32_t>(indexStart)};
            vertexStart += leaves.parts[p].vertices;
            indexStart += leaves.parts[p].indices;
        }
        // A new change on the host side makes this batch stale; a later pass rebuilds it.
        std::atomic<bool> cutShort{false};
        twinlink::parallel::For(leaves.parts.size(), [&](size_t p) {
            const std::vector<const LeafNode*>& part = leaves.parts[p].leaves;
            auto [vertexOffset, indexOffset] = starts[p];
            NormalMatrices normals;
            for (size_t i = 0; i < part.size(); ++i) {
                if (!pending.load(std::memory_order_relaxed)) {
                    cutShort.store(true);
                    return;
                }
                if (i + kPrefetchDistance < part.size()) PrefetchLeaf(part[i + kPrefetchDistance]);
                // Only visible leaves with a face made it into the list.
                const LeafNode* leaf = part[i];
                const FaceRecord& face = *leaf->face;
                for (int side = 0; side < 2; ++side) {
                    if ((side == 0 ? leaf->materialId : leaf->backMaterialId) != materialId) continue;
                    leaf->slots[side] = {vertexOffset, indexOffset, face.vertexCount, face.indexCount, layout};
                    WriteLeafIntoBatch(batch, vertexCount, leaf, side, vertexOffset, indexOffset,
                                       normals.Of(*leaf));
                    vertexOffset += face.vertexCount;
                    indexOffset += face.indexCount;
                }
            }
        });
        // Cut short: the batch announces nothing it does not hold, the record stays as Korvan
        // last read it, and the material stays dirty for the next pass.
        if (cutShort.load()) {
            counts[0] = counts[1] = 0;
            return;
        }
        entry->batchLayout = layout;
        entry->batchVertices = static_cast<uint32_t>(vertexCount);
        entry->batchIndices = static_cast<uint32_t>(indexCount);
    } else {
        // No section could be had this time: the material stays dirty and is tried again.
        return;
    }
    context.processed.insert(materialId);
    ++record.geometryRevision;
    connection->MarkRecord(&record.record, TwinLinkAPI::kChangedFlag);
    if (std::chrono::steady_clock::now() > context.deadline) context.keepGoing.store(false);
}

std::unordered_map<uint32_t, SUScene::LeafSides> SUScene::SortLeavesToRewrite() {
    std::unordered_map<uint32_t, LeafSides> byMaterial;
    for (LeafNode* leaf : leavesToRewrite) {
        for (int side = 0; side < 2; ++side) {
            const uint32_t id = side == 0 ? leaf->materialId : leaf->backMaterialId;
            if (id == 0 || dirtyMaterials.count(id) != 0) continue;
            const MaterialEntry* entry = materials != nullptr ? materials->FindEntry(id) : nullptr;
            const BatchSlot& slot = leaf->slots[side];
            const bool laidOut = entry != nullptr && entry->id == id && entry->record != nullptr &&
                                 entry->batchLayout != 0 && slot.layout == entry->batchLayout;
            const bool shown = leaf->face != nullptr && leaf->EffectiveVisible();
            // Its mesh must fill exactly the room it had, or it would write over its neighbours.
            const bool fits = shown && laidOut && leaf->face->vertexCount == slot.vertexCount &&
                              leaf->face->indexCount == slot.indexCount &&
                              uint64_t{slot.vertexOffset} + slot.vertexCount <= entry->batchVertices &&
                              uint64_t{slot.indexOffset} + slot.indexCount <= entry->batchIndices;
            if (fits)
                byMaterial[id].emplace_back(leaf, side);
            else if (shown || laidOut)
                dirtyMaterials.insert(id);  // it must come into the batch or leave it
        }
    }
    return byMaterial;
}

void SUScene::RewriteLeavesInPlace(const std::unordered_map<uint32_t, LeafSides>& byMaterial) {
    std::vector<const std::pair<const uint32_t, LeafSides>*> groups;
    groups.reserve(byMaterial.size());
    for (const auto& group : byMaterial) groups.push_back(&group);
    twinlink::parallel::For(groups.size(), [&](size_t i) {
        const auto& [materialId, sides] = *groups[i];
        const MaterialEntry& entry = *materials->FindEntry(materialId);
        SurfaceRecord& record = *entry.record;
        void* batch = connection->MapSection(record.geometrySectionId);
        if (batch == nullptr) {
            dirtyMaterials.insert(materialId);
            return;
        }
        NormalMatrices normals;
        for (const auto& [leaf, side] : sides) {
            // A change begun on the host side stops the pass; the set is written again by the next.
            if (!pending.load(std::memory_order_relaxed)) return;
            WriteLeafIntoBatch(batch, entry.batchVertices, leaf, side, leaf->slots[side].vertexOffset,
                               leaf->slots[side].indexOffset, normals.Of(*leaf));
        }
        ++record.geometryRevision;
        connection->MarkRecord(&record.record, TwinLinkAPI::kChangedFlag);
    });
}

void SUScene::WriteLeafIntoBatch(void* batch, uint64_t batchVertices, const LeafNode* leaf, int side,
                                 uint32_t vertexOffset, uint32_t indexOffset,
                                 const Matrix4& normalMatrix) const {
    const FaceRecord& face = *leaf->face;
    const uint32_t count = face.vertexCount;
    if (count == 0 || !HoldsWhatItCounts(face)) return;

    uint32_t* words = static_cast<uint32_t*>(batch);
    const uint64_t uvSets = kBatchUVSets;
    float* __restrict positionOut =
        reinterpret_cast<float*>(words + 3) + 3 * uint64_t{vertexOffset};
    float* __restrict normalOut =
        reinterpret_cast<float*>(words + 3 + 3 * batchVertices) + 3 * uint64_t{vertexOffset};
    float* __restrict uvOut =
        reinterpret_cast<float*>(words + 3 + 6 * batchVertices) + 2 * uint64_t{vertexOffset};
    uint32_t* __restrict indexOut =
        words + 3 + 6 * batchVertices + 2 * uvSets * batchVertices + indexOffset;

    // A mirrored placement turns its triangles over; so does looking at the back.
    const bool flip = leaf->Mirrored() != (side == 1);
    const uint32_t* indices = face.indices.data();
    const uint32_t indexCount = face.indexCount;
    if (flip) {
        for (uint32_t j = 0; j < indexCount; ++j) indexOut[j] = indices[j] + vertexOffset;
    } else {
        for (uint32_t j = 0; j < indexCount; ++j)
            indexOut[j] = indices[indexCount - 1 - j] + vertexOffset;
    }

    // Row vectors: p' = (x, y, z, 1) * M, element [row * 4 + column]. Each row is one 4-wide
    // register, summed in the order the scalar form would sum, so the floats are the same.
    const Matrix4& m = leaf->World();
    const Float4 m0 = RowOf(m, 0), m1 = RowOf(m, 1), m2 = RowOf(m, 2), m3 = RowOf(m, 3);
    const Float4 n0 = RowOf(normalMatrix, 0), n1 = RowOf(normalMatrix, 1);
    const Float4 n2 = RowOf(normalMatrix, 2), n3 = RowOf(normalMatrix, 3);
    const float sign = side == 1 ? -1.0f : 1.0f;
    const MaterialEntry* entry = side == 1 ? leaf->backEntry : leaf->frontEntry;
    const float su = entry != nullptr ? entry->textureUScale : 1.0f;
    const float sv = entry != nullptr ? entry->textureVScale : 1.0f;
    const float* __restrict position = face.positions.data();
    const float* __restrict normal = face.normals.data();
    const float* __restrict uv = side == 1 ? face.backUV.data() : face.frontUV.data();

    for (uint32_t k = 0; k < count; ++k) {
        const Float4 p = position[3 * k] * m0 + position[3 * k + 1] * m1 + position[3 * k + 2] * m2 + m3;
        const Float4 q = (normal[3 * k] * n0 + normal[3 * k + 1] * n1 + normal[3 * k + 2] * n2 + n3) * sign;
        // Three of the four lanes: the fourth would land on the next vertex, which another task
        // may be writing.
        __builtin_memcpy(positionOut + 3 * k, &p, 3 * sizeof(float));
        __builtin_memcpy(normalOut + 3 * k, &q, 3 * sizeof(float));
        uvOut[2 * k] = su * uv[2 * k];
        uvOut[2 * k + 1] = 1.0f - sv * uv[2 * k + 1];
    }
}

}  // namespace korvan
