// The commands on the peer's copy of the scene: counts, render, export and triangles. Each reads
// the link once, as watch does on a wake-up, and works on the checked copy.
#include <chrono>
#include <fstream>

#include "peer/gltf_export.h"
#include "peer/json_writer.h"
#include "peer/obj_export.h"
#include "peer/peer_commands.h"
#include "peer/png_file.h"
#include "peer/scene_json.h"
#include "peer/scene_mirror.h"
#include "peer/snapshot_json.h"
#include "peer/software_rasteriser.h"
#include "peer/triangle_dump.h"
#include "peer/view_camera.h"

namespace korvan::peer {
namespace {

struct SceneRead {
    int exitCode = kExitDone;  // kExitDone when `scene` holds the link's scene
    LinkSnapshot snapshot;
    PeerScene scene;
};

SceneRead ReadScene(const PeerOptions& options, std::ostream& err) {
    SceneRead read;
    PeerConnection connection;
    if (!AttachOrExplain(connection, options, err)) {
        read.exitCode = kExitFailed;
        return read;
    }
    SceneMirror mirror;
    read.snapshot = mirror.Update(connection, options.lockTimeoutMicroseconds);
    read.scene = mirror.Scene();
    if (!read.snapshot.lockTaken) read.exitCode = kExitGaveUp;
    return read;
}

// The explanation when the lock was not taken: the file commands write nothing then.
int ExplainGaveUp(const SceneRead& read, std::ostream& err) {
    for (const Problem& problem : read.snapshot.problems) {
        if (problem.where == "lock") err << "korvan-peer: " << problem.message << "\n";
    }
    return read.exitCode;
}

void WriteVector(JsonWriter& json, const Vec3& vector) {
    json.BeginArray();
    json.Float(static_cast<float>(vector.x));
    json.Float(static_cast<float>(vector.y));
    json.Float(static_cast<float>(vector.z));
    json.EndArray();
}

// {"link":..,"out":.., <extra>, "materials":N,"triangles":T,"problems":[..]}
template <typename Extra>
void PrintWritten(std::ostream& out, const SceneRead& read, const std::string& file,
                  Extra extra) {
    const SceneTotals totals = TotalsOf(read.scene);
    JsonWriter json;
    json.BeginObject();
    json.Key("link").String(read.snapshot.link);
    json.Key("out").String(file);
    extra(json);
    json.Key("materials").Unsigned(totals.materials);
    json.Key("triangles").Unsigned(totals.triangles);
    json.Key("problems");
    WriteProblems(json, read.snapshot.problems);
    json.EndObject();
    PrintLine(out, json);
}

}  // namespace

namespace {

// The camera in the link's VIEW record, if SketchUp has sent one.
std::optional<CameraRecord> SentCamera(const LinkSnapshot& snapshot) {
    for (const RecordSnapshot& record : snapshot.records)
        if (record.view && record.view->camera) return record.view->camera;
    return std::nullopt;
}

}  // namespace

int CountsCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    const SceneRead read = ReadScene(options, err);
    if (read.exitCode == kExitFailed) return read.exitCode;
    JsonWriter json;
    WriteSceneCounts(json, read.snapshot, read.scene);
    PrintLine(out, json);
    return read.exitCode;
}

int RenderCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    const SceneRead read = ReadScene(options, err);
    if (read.exitCode != kExitDone) return ExplainGaveUp(read, err);
    const double aspect = static_cast<double>(options.imageWidth) / options.imageHeight;
    CameraChoice choice = options.camera;
    const bool fromLink = UseSentCamera(choice, SentCamera(read.snapshot));
    const ViewCamera camera = FitCamera(SceneBounds(read.scene), aspect, choice);
    const std::string fault = CameraFault(camera);
    if (!fault.empty()) {
        err << "korvan-peer: cannot render: " << fault << "\n";
        return kExitFailed;
    }
    const auto start = std::chrono::steady_clock::now();
    const RgbImage image = RenderScene(read.scene, camera, options.imageWidth, options.imageHeight);
    const auto drawn = std::chrono::steady_clock::now() - start;
    if (!WritePngFile(*options.out, image)) {
        err << "korvan-peer: cannot write \"" << *options.out << "\"\n";
        return kExitFailed;
    }
    PrintWritten(out, read, *options.out, [&](JsonWriter& json) {
        json.Key("width").Unsigned(image.width);
        json.Key("height").Unsigned(image.height);
        json.Key("camera").BeginObject();
        json.Key("from").String(fromLink ? "link" : "fitted");
        json.Key("eye");
        WriteVector(json, camera.eye);
        json.Key("target");
        WriteVector(json, camera.target);
        json.Key("up");
        WriteVector(json, camera.up);
        json.Key("fieldOfView").Float(static_cast<float>(camera.fieldOfViewDegrees));
        json.EndObject();
        json.Key("milliseconds").Unsigned(static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(drawn).count()));
    });
    return kExitDone;
}

int ExportCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    const SceneRead read = ReadScene(options, err);
    if (read.exitCode != kExitDone) return ExplainGaveUp(read, err);
    const std::string& file = *options.out;
    const bool obj = options.exportFormat == ExportFormat::Obj;
    std::string error;
    const bool written = obj ? WriteObjFiles(file, read.scene, read.snapshot.link, &error)
                             : WriteGltfFile(file, read.scene, read.snapshot.link, &error);
    if (!written) {
        err << "korvan-peer: " << error << "\n";
        return kExitFailed;
    }
    PrintWritten(out, read, file, [](JsonWriter&) {});
    return kExitDone;
}

int TrianglesCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    const SceneRead read = ReadScene(options, err);
    if (read.exitCode != kExitDone) return ExplainGaveUp(read, err);
    std::ofstream file(*options.out, std::ios::binary | std::ios::trunc);
    file << TriangleDump(read.scene);
    file.close();
    if (!file) {
        err << "korvan-peer: cannot write \"" << *options.out << "\"\n";
        return kExitFailed;
    }
    PrintWritten(out, read, *options.out, [](JsonWriter&) {});
    return kExitDone;
}

}  // namespace korvan::peer
