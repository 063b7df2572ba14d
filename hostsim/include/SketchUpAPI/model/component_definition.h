// SUComponentDefinitionRef: shared contents placed by component instances, groups or images.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#pragma pack(push, 8)

#ifdef __cplusplus
extern "C" {
#endif

// Where an instance may be glued. Nested in SUComponentBehavior for C++, as with the SDK
// (SUComponentBehavior::SUSnapToBehavior_Any); at file scope for C, where GCC rejects the nested
// form and the names would reach file scope anyway.
#define HOSTSIM_SU_SNAP_TO_BEHAVIOR_ENUM \
    enum SUSnapToBehavior {              \
        SUSnapToBehavior_None = 0,       \
        SUSnapToBehavior_Any,            \
        SUSnapToBehavior_Horizontal,     \
        SUSnapToBehavior_Vertical,       \
        SUSnapToBehavior_Sloped          \
    };

#ifndef __cplusplus
HOSTSIM_SU_SNAP_TO_BEHAVIOR_ENUM
#endif

// How instances of a definition behave when placed. Field order and types are the SDK's.
struct SUComponentBehavior {
#ifdef __cplusplus
    HOSTSIM_SU_SNAP_TO_BEHAVIOR_ENUM
#endif
    enum SUSnapToBehavior component_snap;
    bool component_cuts_opening;  // Cuts a hole in the face it is glued to.
    bool component_always_face_camera;
    bool component_shadows_face_sun;
    size_t component_no_scale_mask;  // Bit per scale handle the UI hides.
};

#undef HOSTSIM_SU_SNAP_TO_BEHAVIOR_ENUM

enum SUComponentType {
    SUComponentType_Normal,
    SUComponentType_Group,
    SUComponentType_Image,
};

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUComponentDefinitionToEntity(SUComponentDefinitionRef comp_def);
SU_EXPORT SUComponentDefinitionRef SUComponentDefinitionFromEntity(SUEntityRef entity);

SU_RESULT SUComponentDefinitionGetName(SUComponentDefinitionRef comp_def, SUStringRef* name);

SU_RESULT SUComponentDefinitionGetEntities(SUComponentDefinitionRef comp_def,
                                           SUEntitiesRef* entities);

SU_RESULT SUComponentDefinitionGetType(SUComponentDefinitionRef comp_def,
                                       enum SUComponentType* type);

// Instances placed directly in the model or in other definitions, each counted once.
SU_RESULT SUComponentDefinitionGetNumInstances(SUComponentDefinitionRef comp_def, size_t* count);
SU_RESULT SUComponentDefinitionGetInstances(SUComponentDefinitionRef comp_def, size_t len,
                                            SUComponentInstanceRef instances[], size_t* count);

// Occurrences across the whole hierarchy: an instance inside a definition placed twice counts
// twice. Not the size to pass to SUComponentDefinitionGetInstances.
SU_RESULT SUComponentDefinitionGetNumUsedInstances(SUComponentDefinitionRef comp_def,
                                                   size_t* count);

// Holes cut by instances glued to this definition's faces; release each with SUOpeningRelease.
SU_RESULT SUComponentDefinitionGetNumOpenings(SUComponentDefinitionRef comp_def, size_t* count);
SU_RESULT SUComponentDefinitionGetOpenings(SUComponentDefinitionRef comp_def, size_t len,
                                           SUOpeningRef openings[], size_t* count);

SU_RESULT SUComponentDefinitionGetBehavior(SUComponentDefinitionRef comp_def,
                                           struct SUComponentBehavior* behavior);

#ifdef __cplusplus
}  // extern "C"
#endif

#pragma pack(pop)
