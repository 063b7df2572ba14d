// SUModelRef: a SketchUp document.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#pragma pack(push, 8)

#ifdef __cplusplus
extern "C" {
#endif

// Kinds counted by SUModelStatistics. C++ sees the enum nested, as with the SDK
// (SUModelStatistics::SUEntityType_Face). C gives a nested enum file scope anyway, but GCC rejects
// the nested form there ("declaration does not declare anything"), so C gets it up front.
#define HOSTSIM_SU_ENTITY_TYPE_ENUM       \
    enum SUEntityType {                   \
        SUEntityType_Edge = 0,            \
        SUEntityType_Face,                \
        SUEntityType_ComponentInstance,   \
        SUEntityType_Group,               \
        SUEntityType_Image,               \
        SUEntityType_ComponentDefinition, \
        SUEntityType_Layer,               \
        SUEntityType_Material,            \
        SUNumEntityTypes                  \
    };

#ifndef __cplusplus
HOSTSIM_SU_ENTITY_TYPE_ENUM
#endif

// Counts of the model's entities per kind, indexed by SUEntityType.
struct SUModelStatistics {
#ifdef __cplusplus
    HOSTSIM_SU_ENTITY_TYPE_ENUM
#endif
    int entity_counts[SUNumEntityTypes];
};

#undef HOSTSIM_SU_ENTITY_TYPE_ENUM

// Wraps the application's own model handle (as passed from Ruby); the result must not be
// released. Returns the reference itself, not an SUResult.
SU_EXPORT SUModelRef SUModelFromExisting(uintptr_t data);

// The top-level entities of the model.
SU_RESULT SUModelGetEntities(SUModelRef model, SUEntitiesRef* entities);

SU_RESULT SUModelGetNumMaterials(SUModelRef model, size_t* count);
SU_RESULT SUModelGetMaterials(SUModelRef model, size_t len, SUMaterialRef materials[],
                              size_t* count);

// Counts every layer, whether or not it sits in a layer folder.
SU_RESULT SUModelGetNumLayers(SUModelRef model, size_t* count);
SU_RESULT SUModelGetLayers(SUModelRef model, size_t len, SULayerRef layers[], size_t* count);

// Layer0, shown as "Untagged".
SU_RESULT SUModelGetDefaultLayer(SUModelRef model, SULayerRef* layer);

SU_RESULT SUModelGetStatistics(SUModelRef model, struct SUModelStatistics* statistics);

// The model owns the options; do not release them.
SU_RESULT SUModelGetRenderingOptions(SUModelRef model, SURenderingOptionsRef* rendering_options);

// Definitions of component instances only: group and image definitions are excluded.
SU_RESULT SUModelGetNumComponentDefinitions(SUModelRef model, size_t* count);
SU_RESULT SUModelGetComponentDefinitions(SUModelRef model, size_t len,
                                         SUComponentDefinitionRef definitions[], size_t* count);

// The hidden definitions behind groups.
SU_RESULT SUModelGetNumGroupDefinitions(SUModelRef model, size_t* count);
SU_RESULT SUModelGetGroupDefinitions(SUModelRef model, size_t len,
                                     SUComponentDefinitionRef definitions[], size_t* count);

// *name must be a string created by the caller.
SU_RESULT SUModelGetName(SUModelRef model, SUStringRef* name);

SU_RESULT SUModelGetNumScenes(SUModelRef model, size_t* num_scenes);

// SU_ERROR_NO_DATA when the model has no scenes.
SU_RESULT SUModelGetScenes(SUModelRef model, size_t len, SUSceneRef scenes[], size_t* count);

#ifdef __cplusplus
}  // extern "C"
#endif

#pragma pack(pop)
