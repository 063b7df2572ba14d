#include "peer/record_decoders.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "liveconnection/shared_layout.h"
#include "peer/descriptor_parser.h"
#include "peer/geometry_batch.h"
#include "peer/shared_text.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

namespace {

const CapturedSection* FindSection(const RecordSections& sections, SectionUse use) {
    for (const CapturedSection* section : sections) {
        if (section->reference.use == use) return section;
    }
    return nullptr;
}

// The section a record names by (id, size), and whether its content can be used: it must exist
// and hold at least the size the record declares. Id 0 names nothing.
struct CheckedSection {
    std::optional<SectionSnapshot> snapshot;
    const CapturedSection* usable = nullptr;
};

CheckedSection CheckSection(SectionUse use, uint32_t id, uint32_t declaredSize,
                            const RecordSections& sections, const std::string& where,
                            Problems& problems) {
    CheckedSection checked;
    if (id == 0) return checked;
    const CapturedSection* captured = FindSection(sections, use);
    SectionSnapshot& snapshot = checked.snapshot.emplace();
    snapshot.id = id;
    snapshot.size = declaredSize;
    // Every section a readable record names is captured; a missing capture is treated like a
    // section that cannot be opened.
    if (captured != nullptr) snapshot.name = ToUtf8(captured->name);
    if (captured == nullptr || !captured->opened) {
        problems.push_back({where, Format("%s section %u (%s) cannot be opened",
                                          SectionUseName(use), id, snapshot.name.c_str())});
        return checked;
    }
    snapshot.mappedSize = captured->mappedSize;
    if (declaredSize > captured->mappedSize) {
        problems.push_back({where, Format("%s section %u declares %u bytes but maps only %llu",
                                          SectionUseName(use), id, declaredSize,
                                          static_cast<unsigned long long>(captured->mappedSize))});
        return checked;
    }
    checked.usable = captured;
    return checked;
}

bool AllFinite(std::initializer_list<const float*> groups, size_t count) {
    for (const float* group : groups) {
        for (size_t i = 0; i < count; ++i) {
            if (!std::isfinite(group[i])) return false;
        }
    }
    return true;
}

void CheckCamera(const CameraRecord& camera, const std::string& where, Problems& problems) {
    const auto projection = static_cast<ProjectionKind>(camera.projection);
    if (projection != ProjectionKind::Perspective && projection != ProjectionKind::Orthographic2D &&
        projection != ProjectionKind::Parallel) {
        problems.push_back(
            {where, Format("camera projection is %u, expected 1, 2 or 3", camera.projection)});
    }
    if (std::any_of(std::begin(camera.unused), std::end(camera.unused), [](uint8_t b) { return b != 0; }))
        problems.push_back({where, "camera bytes 64 to 583 are not all zero"});
    const auto notFinite = [&](const char* what) {
        problems.push_back(
            {where, Format("camera %s holds a value that is not a finite number", what)});
    };
    // A camera whose eye sits on its target has no line of sight: its axes (matrix rows 0 to 2)
    // and direction are undefined, and Korvan keeps its own view. Where it stands must be known.
    if (!AllFinite({camera.matrix + 12}, 4)) notFinite("position row");
    if (!std::isfinite(camera.fieldOfView)) notFinite("field of view");
    if (!AllFinite({camera.eye}, 3)) notFinite("eye");
    if (!AllFinite({camera.up}, 3)) notFinite("up vector");
}

}  // namespace

ViewSnapshot DecodeView(const uint8_t* slotBytes, const std::string& where, Problems& problems) {
    ViewRecord record;
    std::memcpy(&record, slotBytes, sizeof record);
    ViewSnapshot view;
    view.follow = record.follow;
    if (record.follow > 1)
        problems.push_back({where, Format("follow flag is %u, expected 0 or 1", record.follow)});
    const bool cameraSent = std::any_of(std::begin(record.camera), std::end(record.camera),
                                        [](uint8_t byte) { return byte != 0; });
    if (cameraSent) {
        CameraRecord& camera = view.camera.emplace();
        static_assert(sizeof camera == sizeof record.camera);
        std::memcpy(&camera, record.camera, sizeof camera);
        CheckCamera(camera, where, problems);
    }
    return view;
}

StatusSnapshot DecodeStatus(const uint8_t* slotBytes, const RecordSections& sections,
                            const std::string& where, Problems& problems) {
    StatusRecord record;
    std::memcpy(&record, slotBytes, sizeof record);
    StatusSnapshot status;
    const CheckedSection section =
        CheckSection(SectionUse::Descriptor, record.descriptorSectionId,
                     record.descriptorSectionSize, sections, where, problems);
    status.section = section.snapshot;
    if (section.usable == nullptr) return status;

    const std::vector<uint8_t>& bytes = section.usable->bytes;
    std::u16string units(bytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * sizeof(char16_t));
    const FieldText text = ReadTextField(units.data(), units.size());
    if (!text.terminated) {
        problems.push_back(
            {where, Format("descriptor text is not terminated within its %zu-byte section",
                           bytes.size())});
        return status;
    }
    DescriptorReading reading = ReadDescriptorText(text.units);
    for (std::string& message : reading.problems) problems.push_back({where, std::move(message)});
    status.descriptor = std::move(reading.descriptor);
    return status;
}

SurfaceSnapshot DecodeSurface(const uint8_t* slotBytes, bool removed,
                              const RecordSections& sections, const std::string& where,
                              Problems& problems) {
    SurfaceRecord record;
    std::memcpy(&record, slotBytes, sizeof record);
    SurfaceSnapshot surface;
    surface.contentRevision = record.contentRevision;
    // Texts cut at their field's capacity fill it without a terminator; that is allowed here.
    surface.name = ToUtf8(ReadTextField(record.name, kSurfaceNameUnits).units);
    surface.surfaceType = record.surfaceType;
    surface.libraryId = ToUtf8(ReadTextField(record.libraryId, kLibraryIdUnits).units);
    surface.colour = record.colour;
    surface.opacity = record.opacity;
    surface.textureStamp = record.textureStamp;
    surface.texturePath = ToUtf8(ReadTextField(record.texturePath, kTexturePathUnits).units);
    surface.geometryRevision = record.geometryRevision;

    if (record.surfaceType > static_cast<uint32_t>(SurfaceType::Glass)) {
        problems.push_back({where, Format("surface type %u is not 0, 1 or 2", record.surfaceType)});
    }
    if (!(record.opacity >= 0.0f && record.opacity <= 1.0f)) {
        problems.push_back({where, Format("opacity %g is not between 0 and 1",
                                          static_cast<double>(record.opacity))});
    }
    if (!surface.texturePath.empty() && record.textureSectionId != 0) {
        problems.push_back({where, "texture path and texture section are both given"});
    }
    if (removed && record.geometrySectionId != 0) {
        problems.push_back({where, Format("removed material still names geometry section %u",
                                          record.geometrySectionId)});
    }

    const CheckedSection texture = CheckSection(SectionUse::Texture, record.textureSectionId,
                                                record.textureSectionSize, sections, where, problems);
    surface.textureSection = texture.snapshot;
    if (texture.usable != nullptr && texture.usable->contentSkipped) {
        surface.textureKept = true;
    } else if (texture.usable != nullptr) {
        std::string fault;
        surface.textureImage = DecodeTextureBmp(texture.usable->bytes, &fault);
        if (!surface.textureImage) problems.push_back({where, fault});
    }
    const CheckedSection geometry =
        CheckSection(SectionUse::Geometry, record.geometrySectionId, record.geometrySectionSize,
                     sections, where, problems);
    surface.geometrySection = geometry.snapshot;
    if (geometry.usable != nullptr && geometry.usable->contentSkipped) {
        surface.geometryKept = true;
    } else if (geometry.usable != nullptr) {
        const CapturedSection& content = *geometry.usable;
        std::shared_ptr<const MaterialMesh> mesh =
            content.geometry ? CheckGeometryBatch(*content.geometry, where, problems)
                             : DecodeGeometryBatch(content.bytes, content.reference.id, where, problems);
        if (mesh) {
            surface.geometry = GeometrySnapshot{static_cast<uint32_t>(mesh->VertexCount()),
                                                static_cast<uint32_t>(mesh->indices.size()), 1};
            surface.mesh = std::move(mesh);
        }
    }
    return surface;
}

}  // namespace korvan::peer
