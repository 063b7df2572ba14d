#include "peer/snapshot_json.h"

#include "liveconnection/shared_layout.h"
#include "peer/problems.h"
#include "peer/record_tags.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

namespace {

void WriteFloats(JsonWriter& json, const float* values, size_t count) {
    json.BeginArray();
    for (size_t i = 0; i < count; ++i) json.Float(values[i]);
    json.EndArray();
}

void WriteHeader(JsonWriter& json, const HeaderSnapshot& header) {
    json.BeginObject();
    json.Key("tag").String(header.tag);
    json.Key("size").Unsigned(header.size);
    json.Key("flags").Unsigned(header.flags);
    json.Key("ended").Bool((header.flags & kPeerClosedFlag) != 0);
    json.Key("changeCounter").Unsigned(header.changeCounter);
    json.Key("lockOwner").Unsigned(header.lockOwner);
    json.Key("totalSize").Unsigned(header.totalSize);
    json.Key("recordAreaOffset").Unsigned(header.recordAreaOffset);
    json.Key("slotCount").Unsigned(header.slotCount);
    json.Key("recordCount").Unsigned(header.recordCount);
    json.Key("highestSlot").Unsigned(header.highestSlot);
    json.Key("creatorProcessId").Unsigned(header.creatorProcessId);
    json.Key("modelGuid").String(header.modelGuid);
    json.Key("updateCount").Unsigned(header.updateCount);
    json.Key("peerPathA").String(header.peerPathA);
    json.Key("peerPathB").String(header.peerPathB);
    json.Key("peerValue").Unsigned(header.peerValue);
    json.EndObject();
}

void WriteSection(JsonWriter& json, const std::optional<SectionSnapshot>& section) {
    if (!section) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Key("id").Unsigned(section->id);
    json.Key("name").String(section->name);
    json.Key("size").Unsigned(section->size);
    json.Key("mappedSize");
    if (section->mappedSize) {
        json.Unsigned(*section->mappedSize);
    } else {
        json.Null();
    }
    json.EndObject();
}

void WriteView(JsonWriter& json, const ViewSnapshot& view) {
    json.Key("follow").Unsigned(view.follow);
    json.Key("camera");
    if (!view.camera) {
        json.Null();
        return;
    }
    const CameraRecord& camera = *view.camera;
    json.BeginObject();
    json.Key("matrix");
    WriteFloats(json, camera.matrix, 16);
    json.Key("projection").Unsigned(camera.projection);
    json.Key("fieldOfView").Float(camera.fieldOfView);
    json.Key("eye");
    WriteFloats(json, camera.eye, 3);
    json.Key("direction");
    WriteFloats(json, camera.direction, 3);
    json.Key("up");
    WriteFloats(json, camera.up, 3);
    json.EndObject();
}

void WriteStatus(JsonWriter& json, const StatusSnapshot& status) {
    json.Key("descriptorSection");
    WriteSection(json, status.section);
    json.Key("descriptor");
    if (!status.descriptor) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Key("text").String(status.descriptor->text);
    json.Key("entries").BeginObject();
    for (const auto& [key, value] : status.descriptor->entries) json.Key(key).String(value);
    json.EndObject();
    json.EndObject();
}

void WriteSurface(JsonWriter& json, const SurfaceSnapshot& surface) {
    json.Key("contentRevision").Unsigned(surface.contentRevision);
    json.Key("name").String(surface.name);
    json.Key("surfaceType").Unsigned(surface.surfaceType);
    json.Key("libraryId").String(surface.libraryId);
    json.Key("colour").String(Format("0x%08X", surface.colour));
    json.Key("opacity").Float(surface.opacity);
    json.Key("textureStamp").Unsigned(surface.textureStamp);
    json.Key("texturePath").String(surface.texturePath);
    json.Key("textureSection");
    WriteSection(json, surface.textureSection);
    json.Key("geometryRevision").Unsigned(surface.geometryRevision);
    json.Key("geometrySection");
    WriteSection(json, surface.geometrySection);
    json.Key("geometry");
    if (!surface.geometry) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Key("vertexCount").Unsigned(surface.geometry->vertexCount);
    json.Key("indexCount").Unsigned(surface.geometry->indexCount);
    json.Key("uvSetCount").Unsigned(surface.geometry->uvSetCount);
    json.EndObject();
}

void WriteRecord(JsonWriter& json, const RecordSnapshot& record) {
    json.BeginObject();
    json.Key("slot").Unsigned(record.slot);
    json.Key("tag").String(TagText(record.tag));
    json.Key("size").Unsigned(record.size);
    json.Key("id").Unsigned(record.id);
    json.Key("flags").Unsigned(record.flags);
    json.Key("changeCounter").Unsigned(record.changeCounter);
    json.Key("readable").Bool(record.readable);
    if (record.view) WriteView(json, *record.view);
    if (record.status) WriteStatus(json, *record.status);
    if (record.surface) WriteSurface(json, *record.surface);
    json.EndObject();
}

}  // namespace

void WriteSnapshot(JsonWriter& json, const LinkSnapshot& snapshot) {
    json.BeginObject();
    json.Key("link").String(snapshot.link);
    json.Key("mappedSize").Unsigned(snapshot.mappedSize);
    json.Key("lockTaken").Bool(snapshot.lockTaken);
    json.Key("header");
    if (snapshot.header) {
        WriteHeader(json, *snapshot.header);
    } else {
        json.Null();
    }
    json.Key("records").BeginArray();
    for (const RecordSnapshot& record : snapshot.records) WriteRecord(json, record);
    json.EndArray();
    json.Key("problems");
    WriteProblems(json, snapshot.problems);
    json.EndObject();
}

void WriteProblems(JsonWriter& json, const Problems& problems) {
    json.BeginArray();
    for (const Problem& problem : problems) {
        json.BeginObject();
        json.Key("where").String(problem.where);
        json.Key("message").String(problem.message);
        json.EndObject();
    }
    json.EndArray();
}

std::string SnapshotJson(const LinkSnapshot& snapshot) {
    JsonWriter json;
    WriteSnapshot(json, snapshot);
    return json.Text();
}

}  // namespace korvan::peer
