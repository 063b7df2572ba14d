// Opening exchange files (OBJ, COLLADA, glTF and whatever else assimp reads) as SketchUp
// models. Polygons become faces as they are (never triangulated, unless a polygon is not
// flat); meshes that several nodes share become one component definition placed once per
// node; other nodes become groups. Edges between faces that share their vertex normals are
// soft and smooth. Materials keep their diffuse colour, opacity and texture. Files are taken
// to be in metres and y-up unless they say otherwise (or their format is z-up by
// convention), and come out in inches, z-up.
#pragma once

#include <memory>
#include <string>

#include "model/model.h"

namespace hostsim {

enum class ImportFailure {
    None,
    FileMissing,  // no such file, or not a regular file
    Refused,      // refused before reading: assimp would exhaust memory or time on it
    Unreadable,   // assimp could not read the file
    NoGeometry,   // read, but nothing in it makes a face
    Internal,     // something went wrong on our side
};

struct ImportReport {
    ImportFailure failure = ImportFailure::None;
    std::string error;  // names the file and the reason; empty on success

    int faces = 0;              // faces made
    int splitPolygons = 0;      // polygons that were not flat, made as several triangles
    int degenerateFaces = 0;    // polygons with fewer than three distinct corners, or no area
    int duplicateFaces = 0;     // polygons over corners another face already uses
    int skippedPrimitives = 0;  // points and lines
    int softEdges = 0;
    int definitions = 0;  // component definitions for shared meshes
    int instances = 0;    // placements of them
    int groups = 0;
    int materials = 0;
    int textures = 0;
    int missingTextures = 0;  // texture files that could not be found or decoded
};

struct ImportResult {
    std::unique_ptr<Model> model;  // a detached model; null on failure
    ImportReport report;
};

// True when assimp reads files with this path's extension.
bool IsImportable(const std::string& path);

// Reads the file into a new detached model.
ImportResult ImportFile(const std::string& path);

// Reads the file and, on success, opens the model as the active model (observers hear
// onOpenModel). On failure the active model stays as it was and `error` tells why.
Model* ImportAndOpen(const std::string& path, std::string& error, ImportReport* report = nullptr);

}  // namespace hostsim
