// The "SRFC" material record as the peer reads it (and "SRFI", the record of a removed material,
// which keeps the same layout). The material catalogue writes bytes 20 to 1919; the geometry
// writer owns the last three words. Texts are UTF-16, zero-filled, and may fill their field
// without a terminator when the text was cut at the field's capacity.
#pragma once

#include <cstddef>
#include <cstdint>

#include "liveconnection/shared_layout.h"

namespace korvan::peer {

inline constexpr size_t kSurfaceNameUnits = 260;
inline constexpr size_t kLibraryIdUnits = 128;
inline constexpr size_t kTexturePathUnits = 260;

enum class SurfaceType : uint32_t { None = 0, Water = 1, Glass = 2 };

struct SurfaceRecord {
    TwinLinkAPI::RecordHeader record;
    uint32_t contentRevision;  // +1 at each write of a changed material
    char16_t name[kSurfaceNameUnits];
    uint32_t surfaceType;  // a SurfaceType
    char16_t libraryId[kLibraryIdUnits];
    uint32_t colour;  // 0xAARRGGBB; 0x00FFFFFF for textured materials
    uint8_t fixedShading[16];
    float opacity;  // alpha / 255
    uint8_t fixedBlend[12];
    uint8_t notWritten[16];
    uint32_t textureStamp;                    // low 32 bits of the texture's change stamp
    char16_t texturePath[kTexturePathUnits];  // all zero when the image travels in a section
    uint32_t textureSectionId;                // 0 = no in-memory texture image
    uint32_t textureSectionSize;
    uint8_t fixedTail[532];
    uint32_t geometryRevision;   // +1 each time the geometry writer rebuilds the batch
    uint32_t geometrySectionId;  // 0 = no batch yet
    uint32_t geometrySectionSize;
};
static_assert(sizeof(SurfaceRecord) == TwinLinkAPI::kSurfaceRecordSize);
static_assert(offsetof(SurfaceRecord, contentRevision) == 20);
static_assert(offsetof(SurfaceRecord, name) == 24);
static_assert(offsetof(SurfaceRecord, surfaceType) == 544);
static_assert(offsetof(SurfaceRecord, libraryId) == 548);
static_assert(offsetof(SurfaceRecord, colour) == 804);
static_assert(offsetof(SurfaceRecord, opacity) == 824);
static_assert(offsetof(SurfaceRecord, textureStamp) == 856);
static_assert(offsetof(SurfaceRecord, texturePath) == 860);
static_assert(offsetof(SurfaceRecord, textureSectionId) == 1380);
static_assert(offsetof(SurfaceRecord, textureSectionSize) == 1384);
static_assert(offsetof(SurfaceRecord, geometryRevision) == 1920);
static_assert(offsetof(SurfaceRecord, geometrySectionId) == 1924);
static_assert(offsetof(SurfaceRecord, geometrySectionSize) == 1928);

// The batch in a geometry section: three counts, then positions, normals, UVs and indices, all
// 32-bit words. Only the counts have fixed places.
struct GeometryCounts {
    uint32_t vertexCount;
    uint32_t indexCount;
    uint32_t uvSetCount;
};
static_assert(sizeof(GeometryCounts) == 12);

// Bytes a batch with these counts occupies; 64-bit so that hostile counts cannot wrap.
constexpr uint64_t GeometryBytesNeeded(const GeometryCounts& counts) {
    const uint64_t vertices = counts.vertexCount;
    return 4 * (3 + 6 * vertices + 2 * uint64_t{counts.uvSetCount} * vertices + counts.indexCount);
}

}  // namespace korvan::peer
