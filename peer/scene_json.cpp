#include "peer/scene_json.h"

#include "peer/snapshot_json.h"

namespace korvan::peer {

namespace {

void WriteTotalFields(JsonWriter& json, const SceneTotals& totals) {
    json.Key("materials").Unsigned(totals.materials);
    json.Key("vertices").Unsigned(totals.vertices);
    json.Key("indices").Unsigned(totals.indices);
    json.Key("triangles").Unsigned(totals.triangles);
}

}  // namespace

void WriteSceneCounts(JsonWriter& json, const LinkSnapshot& snapshot, const PeerScene& scene) {
    json.BeginObject();
    json.Key("link").String(snapshot.link);
    json.Key("lockTaken").Bool(snapshot.lockTaken);
    json.Key("materials").BeginArray();
    for (const SceneMaterial& material : scene.materials) {
        json.BeginObject();
        json.Key("id").Unsigned(material.id);
        json.Key("name").String(material.name);
        json.Key("slot").Unsigned(material.slot);
        json.Key("geometryRevision").Unsigned(material.geometryRevision);
        json.Key("vertices").Unsigned(material.mesh->VertexCount());
        json.Key("indices").Unsigned(material.mesh->indices.size());
        json.Key("triangles").Unsigned(material.mesh->TriangleCount());
        json.EndObject();
    }
    json.EndArray();
    json.Key("totals").BeginObject();
    WriteTotalFields(json, TotalsOf(scene));
    json.EndObject();
    json.Key("problems");
    WriteProblems(json, snapshot.problems);
    json.EndObject();
}

void WriteSceneTotals(JsonWriter& json, const PeerScene& scene, size_t batchesRead) {
    json.BeginObject();
    WriteTotalFields(json, TotalsOf(scene));
    json.Key("batchesRead").Unsigned(batchesRead);
    json.EndObject();
}

}  // namespace korvan::peer
