#include "import/importer.h"

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <exception>
#include <filesystem>

#include "import/read_guard.h"
#include "import/scene_builder.h"
#include "model/app.h"

namespace hostsim {

namespace {

ImportResult Failed(ImportResult r, ImportFailure why, const std::string& path,
                    const std::string& reason) {
    r.model.reset();
    r.report.failure = why;
    r.report.error = "Cannot import '" + path + "': " + reason;
    return r;
}

// No triangulation: polygons stay polygons. Normals are made where the file has none (one
// per face), so that coplanar neighbours still read as smooth.
constexpr unsigned kPostProcessing = aiProcess_ValidateDataStructure |
                                     aiProcess_JoinIdenticalVertices | aiProcess_GenNormals |
                                     aiProcess_FindInvalidData;

ImportResult Read(const std::string& path) {
    ImportResult r;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return Failed(std::move(r), ImportFailure::FileMissing, path, "no such file");
    if (std::optional<std::string> refusal = RefuseBeforeReading(path))
        return Failed(std::move(r), ImportFailure::Refused, path, *refusal);

    Assimp::Importer importer;
    // Bones are not geometry: no stand-in meshes for skeletons.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
    const aiScene* scene = importer.ReadFile(path, kPostProcessing);
    if (!scene) {
        std::string reason = importer.GetErrorString();
        return Failed(std::move(r), ImportFailure::Unreadable, path,
                      reason.empty() ? "unreadable file" : reason);
    }

    r.model = App::Instance().CreateDetached();
    r.model->title = std::filesystem::path(path).stem().string();
    r.model->StartOperation("Import");
    SceneBuilder(*r.model, *scene, path, r.report).Build();
    r.model->CommitOperation();
    r.model->ForgetHistory();
    if (r.report.faces == 0)
        return Failed(std::move(r), ImportFailure::NoGeometry, path, "the file holds no faces");
    return r;
}

}  // namespace

bool IsImportable(const std::string& path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    return !ext.empty() && Assimp::Importer().IsExtensionSupported(ext);
}

ImportResult ImportFile(const std::string& path) {
    try {
        return Read(path);
    } catch (const std::exception& e) {
        return Failed({}, ImportFailure::Internal, path, e.what());
    } catch (...) {
        return Failed({}, ImportFailure::Internal, path, "unexpected failure");
    }
}

Model* ImportAndOpen(const std::string& path, std::string& error, ImportReport* report) {
    ImportResult r = ImportFile(path);
    if (report) *report = r.report;
    error = r.report.error;
    if (!r.model) return nullptr;
    return App::Instance().OpenModel(std::move(r.model));
}

}  // namespace hostsim
