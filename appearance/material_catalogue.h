// The materials as Korvan sees them: one "SRFC" record per SketchUp material (name, colour,
// opacity, texture, classification), kept up to date while the link runs.
#pragma once

#include <SketchUpAPI/model/defs.h>
#include <ruby/ruby.h>

namespace TwinLinkAPI {
class LiveConnection;
}

namespace korvan {

class MaterialCatalogue {
  public:
    explicit MaterialCatalogue(TwinLinkAPI::LiveConnection* connection);
    MaterialCatalogue(const MaterialCatalogue&) = delete;
    MaterialCatalogue& operator=(const MaterialCatalogue&) = delete;

    // Reads every material of the model into its record. With `memoryTextures` the texture
    // images travel in data sections instead of files beside the model. True when a record
    // was written.
    bool LoadMaterials(VALUE model, SUModelRef modelRef, bool renderBackFaces, bool memoryTextures);
    // Forgets every material and deletes the texture files the catalogue wrote.
    void ClearCatalogue();

  private:
    TwinLinkAPI::LiveConnection* connection;
};

}  // namespace korvan
