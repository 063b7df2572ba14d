// A link as the peer understands it after checking: the header, every record with its decoded
// fields, and the problems found on the way. Texts are UTF-8 (units that are not valid UTF-16
// become U+FFFD).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "camera/camera_record.h"
#include "peer/geometry_batch.h"
#include "peer/texture_image.h"
#include "peer/problems.h"
#include "peer/section_references.h"

namespace korvan::peer {

struct HeaderSnapshot {
    std::string tag;
    uint32_t size = 0;
    uint32_t flags = 0;
    uint32_t changeCounter = 0;
    uint32_t lockOwner = 0;
    uint32_t totalSize = 0;
    uint32_t recordAreaOffset = 0;
    uint32_t slotCount = 0;
    uint32_t recordCount = 0;
    uint32_t highestSlot = 0;
    uint32_t creatorProcessId = 0;
    std::string modelGuid;
    uint32_t updateCount = 0;
    std::string peerPathA;
    std::string peerPathB;
    uint32_t peerValue = 0;
};

// A data section named by a record.
struct SectionSnapshot {
    uint32_t id = 0;
    std::string name;
    uint32_t size = 0;                   // as the record declares it
    std::optional<uint64_t> mappedSize;  // none when it could not be opened
};

struct ViewSnapshot {
    uint32_t follow = 0;
    std::optional<CameraRecord> camera;  // none while the record holds no camera yet (all zero)
};

struct DescriptorSnapshot {
    std::string text;                                          // as sent
    std::vector<std::pair<std::string, std::string>> entries;  // key → value, percent-decoded
};

struct StatusSnapshot {
    std::optional<SectionSnapshot> section;
    // None when the section holds no terminated text; entries stay empty when the text is not
    // well-formed.
    std::optional<DescriptorSnapshot> descriptor;
};

struct GeometrySnapshot {
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;
    uint32_t uvSetCount = 0;
};

struct SurfaceSnapshot {
    uint32_t contentRevision = 0;
    std::string name;
    uint32_t surfaceType = 0;
    std::string libraryId;
    uint32_t colour = 0;
    float opacity = 0;
    uint32_t textureStamp = 0;
    std::string texturePath;
    std::optional<SectionSnapshot> textureSection;
    // The picture of the texture section, decoded; none without a section or when its BMP failed
    // its checks (reported).
    std::shared_ptr<const TextureImage> textureImage;
    // The texture section's content was not copied because the reader already holds it.
    bool textureKept = false;
    uint32_t geometryRevision = 0;
    std::optional<SectionSnapshot> geometrySection;
    std::optional<GeometrySnapshot> geometry;  // none unless the batch passed every check
    // The checked batch itself, null whenever `geometry` is none.
    std::shared_ptr<const MaterialMesh> mesh;
    // The batch was not copied because the reader already holds this revision of it (see
    // CaptureLink's content filter); `geometry` and `mesh` are then the reader's to fill in.
    bool geometryKept = false;
};

struct RecordSnapshot {
    uint32_t slot = 0;
    uint32_t tag = 0;
    uint32_t size = 0;
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t changeCounter = 0;
    bool readable = false;  // tag and size are sound, so the fields below were decoded
    std::optional<ViewSnapshot> view;
    std::optional<StatusSnapshot> status;
    std::optional<SurfaceSnapshot> surface;
};

struct LinkSnapshot {
    std::string link;
    uint64_t mappedSize = 0;
    std::optional<HeaderSnapshot> header;  // none when the section is too small for one
    bool lockTaken = false;
    std::vector<RecordSnapshot> records;
    Problems problems;
};

}  // namespace korvan::peer
