// Byte layout of the main shared section that Korvan reads: a 2048-byte header block followed by
// fixed 2048-byte record slots. Every record kind has exactly one layout definition here; all
// integers are little-endian and texts are zero-terminated UTF-16 in fixed, zero-filled fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TwinLinkAPI {

// A tag is four ASCII characters stored in reading order, so "VIEW" is the u32 0x57454956.
constexpr uint32_t MakeTag(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

inline constexpr uint32_t kHeaderTag = MakeTag("HEAD");
inline constexpr uint32_t kViewTag = MakeTag("VIEW");
inline constexpr uint32_t kStatusTag = MakeTag("STAT");
inline constexpr uint32_t kSurfaceTag = MakeTag("SRFC");
inline constexpr uint32_t kRemovedSurfaceTag = MakeTag("SRFI");

inline constexpr uint32_t kSlotSize = 2048;
inline constexpr uint32_t kRecordAreaOffset = 2048;  // the header block is one slot wide
// (slotCount + 1) * kSlotSize must fit the section's 32-bit size.
inline constexpr uint32_t kMaxSlotCount = 0xFFFFFFFFu / kSlotSize - 1;

// Record flag bit: the record (or the header) was changed by its writer.
inline constexpr uint32_t kChangedFlag = 1;
// Header flag bit set by the peer when it has ended the connection.
inline constexpr uint32_t kPeerClosedFlag = 2;

inline constexpr size_t kModelGuidUnits = 64;
inline constexpr size_t kPeerPathUnits = 260;
inline constexpr size_t kCameraDataSize = 628;

// First 20 bytes of every slot, and of the header.
struct RecordHeader {
    uint32_t tag;            // 0 = slot free
    uint32_t size;           // bytes of the record, this header included; fixed per tag
    uint32_t recordId;       // unique within the connection object, from 1
    uint32_t flags;          // kChangedFlag; other bits belong to the record's writer
    uint32_t changeCounter;  // +1 each time the record is marked changed
};
static_assert(sizeof(RecordHeader) == 20);

// The "HEAD" record at the start of the section.
struct SharedHeader {
    RecordHeader record;
    uint32_t constantOne;  // always 1
    uint32_t lockOwner;    // process id holding the cross-process lock, 0 when free
    uint32_t totalSize;
    uint32_t recordAreaOffset;
    uint32_t slotCount;
    uint32_t recordCount;  // records in use, the header counted
    uint32_t highestSlot;  // scans run from slot 0 to this index inclusive
    uint32_t creatorProcessId;
    char16_t modelGuid[kModelGuidUnits];
    uint8_t reserved[16];
    uint32_t updateCount;
    char16_t peerPathA[kPeerPathUnits];
    char16_t peerPathB[kPeerPathUnits];
    uint32_t peerValue;
};
static_assert(sizeof(SharedHeader) == 1244);
static_assert(offsetof(SharedHeader, constantOne) == 20);
static_assert(offsetof(SharedHeader, lockOwner) == 24);
static_assert(offsetof(SharedHeader, totalSize) == 28);
static_assert(offsetof(SharedHeader, recordAreaOffset) == 32);
static_assert(offsetof(SharedHeader, slotCount) == 36);
static_assert(offsetof(SharedHeader, recordCount) == 40);
static_assert(offsetof(SharedHeader, highestSlot) == 44);
static_assert(offsetof(SharedHeader, creatorProcessId) == 48);
static_assert(offsetof(SharedHeader, modelGuid) == 52);
static_assert(offsetof(SharedHeader, reserved) == 180);
static_assert(offsetof(SharedHeader, updateCount) == 196);
static_assert(offsetof(SharedHeader, peerPathA) == 200);
static_assert(offsetof(SharedHeader, peerPathB) == 720);
static_assert(offsetof(SharedHeader, peerValue) == 1240);
static_assert(sizeof(SharedHeader) <= kRecordAreaOffset);

// "VIEW": the camera, written by the camera synchronisation.
struct ViewRecord {
    RecordHeader record;
    uint32_t follow;  // 1 = Korvan should follow the camera now
    uint8_t camera[kCameraDataSize];
};
static_assert(sizeof(ViewRecord) == 652);
static_assert(offsetof(ViewRecord, follow) == 20);
static_assert(offsetof(ViewRecord, camera) == 24);

// "STAT": where the link descriptor text lives.
struct StatusRecord {
    RecordHeader record;
    uint32_t descriptorSectionId;  // 0 = none yet
    uint32_t descriptorSectionSize;
};
static_assert(sizeof(StatusRecord) == 28);
static_assert(offsetof(StatusRecord, descriptorSectionId) == 20);
static_assert(offsetof(StatusRecord, descriptorSectionSize) == 24);

// "SRFC" (and "SRFI", a removed material, same layout): one material. The material catalogue
// writes bytes 20 to 1919; the geometry writer owns the last three words. Texts may fill their
// field without a terminator when they were cut at its capacity. Korvan's use of the constant
// words is not known to us; they are written as the renderer expects them.
inline constexpr uint32_t kSurfaceRecordSize = 1932;
static_assert(kSurfaceRecordSize <= kSlotSize);

inline constexpr size_t kSurfaceNameUnits = 260;
inline constexpr size_t kLibraryIdUnits = 128;
inline constexpr size_t kTexturePathUnits = 260;

// How Korvan shades a material beyond its colour: judged from the material's name.
enum class SurfaceType : uint32_t { None = 0, Water = 1, Glass = 2 };

struct SurfaceRecord {
    RecordHeader record;
    uint32_t contentRevision;  // +1 at each write of a changed material
    char16_t name[kSurfaceNameUnits];
    uint32_t surfaceType;  // a SurfaceType
    char16_t libraryId[kLibraryIdUnits];
    uint32_t colour;     // 0xAARRGGBB; 0x00FFFFFF for textured materials
    float constHalf;     // always 0.5
    float constOne;      // always 1.0
    uint32_t constZero[2];
    float opacity;  // alpha / 255
    uint32_t constZeroB;
    float constOneB;  // always 1.0
    uint32_t constZeroC;
    uint8_t unwritten[16];
    uint32_t textureStamp;                    // low 32 bits of the texture's change stamp
    char16_t texturePath[kTexturePathUnits];  // all zero when the image travels in a section
    uint32_t textureSectionId;                // 0 = no in-memory texture image
    uint32_t textureSectionSize;
    uint32_t constAllOnes;  // always 0xFFFFFFFF
    uint8_t zeroTail[520];
    uint32_t constZeroD;
    uint8_t unwrittenTail[4];
    uint32_t geometryRevision;   // +1 each time the geometry writer rebuilds the batch
    uint32_t geometrySectionId;  // 0 = no batch yet
    uint32_t geometrySectionSize;
};
static_assert(sizeof(SurfaceRecord) == kSurfaceRecordSize);
static_assert(offsetof(SurfaceRecord, contentRevision) == 20);
static_assert(offsetof(SurfaceRecord, name) == 24);
static_assert(offsetof(SurfaceRecord, surfaceType) == 544);
static_assert(offsetof(SurfaceRecord, libraryId) == 548);
static_assert(offsetof(SurfaceRecord, colour) == 804);
static_assert(offsetof(SurfaceRecord, constHalf) == 808);
static_assert(offsetof(SurfaceRecord, constOne) == 812);
static_assert(offsetof(SurfaceRecord, constZero) == 816);
static_assert(offsetof(SurfaceRecord, opacity) == 824);
static_assert(offsetof(SurfaceRecord, constZeroB) == 828);
static_assert(offsetof(SurfaceRecord, constOneB) == 832);
static_assert(offsetof(SurfaceRecord, constZeroC) == 836);
static_assert(offsetof(SurfaceRecord, unwritten) == 840);
static_assert(offsetof(SurfaceRecord, textureStamp) == 856);
static_assert(offsetof(SurfaceRecord, texturePath) == 860);
static_assert(offsetof(SurfaceRecord, textureSectionId) == 1380);
static_assert(offsetof(SurfaceRecord, textureSectionSize) == 1384);
static_assert(offsetof(SurfaceRecord, constAllOnes) == 1388);
static_assert(offsetof(SurfaceRecord, zeroTail) == 1392);
static_assert(offsetof(SurfaceRecord, constZeroD) == 1912);
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

// Bytes a batch with these counts occupies, or the largest 64-bit number when it would be more:
// hostile counts must not wrap (two UV sets' worth of 32-bit counts alone can pass 2^64).
constexpr uint64_t GeometryBytesNeeded(const GeometryCounts& counts) {
    using Wide = unsigned __int128;
    const Wide vertices = counts.vertexCount;
    const Wide bytes = 4 * (3 + 6 * vertices + 2 * Wide{counts.uvSetCount} * vertices + counts.indexCount);
    return bytes > Wide{UINT64_MAX} ? UINT64_MAX : static_cast<uint64_t>(bytes);
}

// Any other tag: the bare record header.
inline constexpr uint32_t kPlainRecordSize = sizeof(RecordHeader);

// Size of a new record of the given tag.
constexpr uint32_t RecordSizeForTag(uint32_t tag) {
    if (tag == kSurfaceTag) return kSurfaceRecordSize;
    if (tag == kStatusTag) return sizeof(StatusRecord);
    if (tag == kViewTag) return sizeof(ViewRecord);
    return kPlainRecordSize;
}

}  // namespace TwinLinkAPI
