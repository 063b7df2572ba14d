// Reference types of the model and the enumeration of their concrete kinds.
#pragma once

#include <SketchUpAPI/defs.h>

#pragma pack(push, 8)

DEFINE_SU_TYPE(SUArcCurveRef)
DEFINE_SU_TYPE(SUAttributeDictionaryRef)
DEFINE_SU_TYPE(SUAxesRef)
DEFINE_SU_TYPE(SUCameraRef)
DEFINE_SU_TYPE(SUClassificationsRef)
DEFINE_SU_TYPE(SUClassificationAttributeRef)
DEFINE_SU_TYPE(SUClassificationInfoRef)
DEFINE_SU_TYPE(SUComponentDefinitionRef)
DEFINE_SU_TYPE(SUComponentInstanceRef)
DEFINE_SU_TYPE(SUCurveRef)
DEFINE_SU_TYPE(SUDimensionRef)
DEFINE_SU_TYPE(SUDimensionLinearRef)
DEFINE_SU_TYPE(SUDimensionRadialRef)
DEFINE_SU_TYPE(SUDimensionStyleRef)
DEFINE_SU_TYPE(SUDrawingElementRef)
DEFINE_SU_TYPE(SUDynamicComponentInfoRef)
DEFINE_SU_TYPE(SUDynamicComponentAttributeRef)
DEFINE_SU_TYPE(SUEdgeRef)
DEFINE_SU_TYPE(SUEdgeUseRef)
DEFINE_SU_TYPE(SUEntitiesRef)
DEFINE_SU_TYPE(SUEntityListRef)
DEFINE_SU_TYPE(SUEntityListIteratorRef)
DEFINE_SU_TYPE(SUEntityRef)
DEFINE_SU_TYPE(SUFaceRef)
DEFINE_SU_TYPE(SUFontRef)
DEFINE_SU_TYPE(SUGeometryInputRef)
DEFINE_SU_TYPE(SUGroupRef)
DEFINE_SU_TYPE(SUGuideLineRef)
DEFINE_SU_TYPE(SUGuidePointRef)
DEFINE_SU_TYPE(SUImageRef)
DEFINE_SU_TYPE(SUImageRepRef)
DEFINE_SU_TYPE(SUInstancePathRef)
DEFINE_SU_TYPE(SULayerRef)
DEFINE_SU_TYPE(SULayerFolderRef)
DEFINE_SU_TYPE(SULineStyleRef)
DEFINE_SU_TYPE(SULineStylesRef)
DEFINE_SU_TYPE(SULocationRef)
DEFINE_SU_TYPE(SULoopInputRef)
DEFINE_SU_TYPE(SULoopRef)
DEFINE_SU_TYPE(SUMaterialRef)
DEFINE_SU_TYPE(SUMeshHelperRef)
DEFINE_SU_TYPE(SUModelRef)
DEFINE_SU_TYPE(SUOpeningRef)
DEFINE_SU_TYPE(SUOptionsManagerRef)
DEFINE_SU_TYPE(SUOptionsProviderRef)
DEFINE_SU_TYPE(SUPolyline3dRef)
DEFINE_SU_TYPE(SURenderingOptionsRef)
DEFINE_SU_TYPE(SUSceneRef)
DEFINE_SU_TYPE(SUSchemaRef)
DEFINE_SU_TYPE(SUSchemaTypeRef)
DEFINE_SU_TYPE(SUSectionPlaneRef)
DEFINE_SU_TYPE(SUSelectionRef)
DEFINE_SU_TYPE(SUShadowInfoRef)
DEFINE_SU_TYPE(SUStyleRef)
DEFINE_SU_TYPE(SUStylesRef)
DEFINE_SU_TYPE(SUTextRef)
DEFINE_SU_TYPE(SUTextureRef)
DEFINE_SU_TYPE(SUTextureWriterRef)
DEFINE_SU_TYPE(SUTypedValueRef)
DEFINE_SU_TYPE(SUUVHelperRef)
DEFINE_SU_TYPE(SUVertexRef)

// Concrete kind behind an SUEntityRef. The values are the SDK's; new kinds only ever append.
enum SURefType {
    SURefType_Unknown = 0,
    SURefType_AttributeDictionary,        // 1
    SURefType_Camera,                     // 2
    SURefType_ComponentDefinition,        // 3
    SURefType_ComponentInstance,          // 4
    SURefType_Curve,                      // 5
    SURefType_Edge,                       // 6
    SURefType_EdgeUse,                    // 7
    SURefType_Entities,                   // 8
    SURefType_Face,                       // 9
    SURefType_Group,                      // 10
    SURefType_Image,                      // 11
    SURefType_Layer,                      // 12
    SURefType_Location,                   // 13
    SURefType_Loop,                       // 14
    SURefType_MeshHelper,                 // 15
    SURefType_Material,                   // 16
    SURefType_Model,                      // 17
    SURefType_Polyline3D,                 // 18
    SURefType_Scene,                      // 19
    SURefType_Texture,                    // 20
    SURefType_TextureWriter,              // 21
    SURefType_TypedValue,                 // 22
    SURefType_UVHelper,                   // 23
    SURefType_Vertex,                     // 24
    SURefType_RenderingOptions,           // 25
    SURefType_GuidePoint,                 // 26
    SURefType_GuideLine,                  // 27
    SURefType_Schema,                     // 28
    SURefType_SchemaType,                 // 29
    SURefType_ShadowInfo,                 // 30
    SURefType_Axes,                       // 31
    SURefType_ArcCurve,                   // 32
    SURefType_SectionPlane,               // 33
    SURefType_DynamicComponentInfo,       // 34
    SURefType_DynamicComponentAttribute,  // 35
    SURefType_Style,                      // 36
    SURefType_Styles,                     // 37
    SURefType_ImageRep,                   // 38
    SURefType_InstancePath,               // 39
    SURefType_Font,                       // 40
    SURefType_Dimension,                  // 41
    SURefType_DimensionLinear,            // 42
    SURefType_DimensionRadial,            // 43
    SURefType_DimensionStyle,             // 44
    SURefType_Text,                       // 45
    SURefType_EntityList,                 // 46
    SURefType_EntityListIterator,         // 47
    SURefType_DrawingElement,             // 48
    SURefType_Entity,                     // 49
    SURefType_LengthFormatter,            // 50
    SURefType_LineStyle,                  // 51
    SURefType_LineStyleManager,           // 52
    SURefType_Selection,                  // 53
    SURefType_LayerFolder,                // 54
};

#pragma pack(pop)
