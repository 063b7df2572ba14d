// The Ruby method ids and constants the plug-in calls and compares with, looked up once when the
// library is loaded (before Init_KorvanPlugin runs) and never changed afterwards. Because the
// lookup runs at load, every constant must exist by then, the loader's module Korvan included:
// loading the library without it fails.
#pragma once

#include <ruby/ruby.h>

namespace korvan::rb {

// X(member, "Ruby name")
#define KORVAN_RUBY_METHOD_IDS(X)                        \
    X(multiply, "*")                                     \
    X(plus, "+")                                         \
    X(activeEntities, "active_entities")                 \
    X(activeModel, "active_model")                       \
    X(activePath, "active_path")                         \
    X(activeToolId, "active_tool_id")                    \
    X(activeView, "active_view")                         \
    X(addContextMenuHandler, "add_context_menu_handler") \
    X(addItem, "add_item")                               \
    X(addObserver, "add_observer")                       \
    X(addSeparator, "add_separator")                     \
    X(addSubmenu, "add_submenu")                         \
    X(alpha, "alpha")                                    \
    X(setAlwaysFaceCamera, "always_face_camera=")        \
    X(isAlwaysFaceCamera, "always_face_camera?")         \
    X(at, "at")                                          \
    X(backMaterial, "back_material")                     \
    X(basename, "basename")                              \
    X(behavior, "behavior")                              \
    X(camera, "camera")                                  \
    X(center, "center")                                  \
    X(clone, "clone")                                    \
    X(closeActive, "close_active")                       \
    X(color, "color")                                    \
    X(countInstances, "count_instances")                 \
    X(countPoints, "count_points")                       \
    X(countUsedInstances, "count_used_instances")        \
    X(createCursor, "create_cursor")                     \
    X(setCutsOpening, "cuts_opening=")                   \
    X(isCutsOpening, "cuts_opening?")                    \
    X(setDebugMode, "debug_mode=")                       \
    X(isDebugMode, "debug_mode?")                        \
    X(definition, "definition")                          \
    X(definitions, "definitions")                        \
    X(isDeleted, "deleted?")                             \
    X(dialogTitle, "dialog_title")                       \
    X(dirname, "dirname")                                \
    X(each, "each")                                      \
    X(editTransform, "edit_transform")                   \
    X(entities, "entities")                              \
    X(entityID, "entityID")                              \
    X(extensions, "extensions")                          \
    X(eye, "eye")                                        \
    X(face, "face")                                      \
    X(faces, "faces")                                    \
    X(filename, "filename")                              \
    X(findEntityById, "find_entity_by_id")               \
    X(focalLength, "focal_length")                       \
    X(fov, "fov")                                        \
    X(getLastState, "get_last_state")                    \
    X(guid, "guid")                                      \
    X(height, "height")                                  \
    X(isHidden, "hidden?")                               \
    X(hiddenEntities, "hidden_entities")                 \
    X(hide, "hide")                                      \
    X(instances, "instances")                            \
    X(inverse, "inverse")                                \
    X(invertInPlace, "inverse!")                         \
    X(is2d, "is_2d?")                                    \
    X(isA, "is_a?")                                      \
    X(join, "join")                                      \
    X(largeIcon, "large_icon")                           \
    X(setLargeIcon, "large_icon=")                       \
    X(layer, "layer")                                    \
    X(layers, "layers")                                  \
    X(left, "left")                                      \
    X(length, "length")                                  \
    X(loops, "loops")                                    \
    X(material, "material")                              \
    X(materialType, "materialType")                      \
    X(materials, "materials")                            \
    X(menu, "menu")                                      \
    X(menuText, "menu_text")                             \
    X(setMenuText, "menu_text=")                         \
    X(mesh, "mesh")                                      \
    X(messagebox, "messagebox")                          \
    X(model, "model")                                    \
    X(name, "name")                                      \
    X(new_, "new")                                       \
    X(isNil, "nil?")                                     \
    X(normalAt, "normal_at")                             \
    X(numberFaces, "number_faces")                       \
    X(pages, "pages")                                    \
    X(parent, "parent")                                  \
    X(path, "path")                                      \
    X(persistentId, "persistent_id")                     \
    X(isPerspective, "perspective?")                     \
    X(points, "points")                                  \
    X(polygons, "polygons")                              \
    X(puts, "puts")                                      \
    X(removeObserver, "remove_observer")                 \
    X(renderingOptions, "rendering_options")             \
    X(resizable, "resizable")                            \
    X(respondTo, "respond_to?")                          \
    X(restore, "restore")                                \
    X(scrollable, "scrollable")                          \
    X(selectedPage, "selected_page")                     \
    X(selection, "selection")                            \
    X(setCursor, "set_cursor")                           \
    X(setHtml, "set_html")                               \
    X(setStatusText, "set_status_text")                  \
    X(setValidationProc, "set_validation_proc")          \
    X(show, "show")                                      \
    X(showModal, "show_modal")                           \
    X(size, "size")                                      \
    X(skpdoc, "skpdoc")                                  \
    X(smallIcon, "small_icon")                           \
    X(setSmallIcon, "small_icon=")                       \
    X(startTimer, "start_timer")                         \
    X(statusBarText, "status_bar_text")                  \
    X(setStatusBarText, "status_bar_text=")              \
    X(stopTimer, "stop_timer")                           \
    X(style, "style")                                    \
    X(target, "target")                                  \
    X(texture, "texture")                                \
    X(toA, "to_a")                                       \
    X(toI, "to_i")                                       \
    X(toS, "to_s")                                       \
    X(tools, "tools")                                    \
    X(tooltip, "tooltip")                                \
    X(setTooltip, "tooltip=")                            \
    X(top, "top")                                        \
    X(transformInPlace, "transform!")                    \
    X(transformation, "transformation")                  \
    X(typename_, "typename")                             \
    X(undo, "undo")                                      \
    X(up, "up")                                          \
    X(isUseAlpha, "use_alpha?")                          \
    X(uvs, "uvs")                                        \
    X(version, "version")                                \
    X(isVisible, "visible?")                             \
    X(width, "width")                                    \
    X(write, "write")                                    \
    X(x, "x")                                            \
    X(y, "y")                                            \
    X(z, "z")

struct MethodIds {
#define KORVAN_DECLARE_ID(member, text) ID member;
    KORVAN_RUBY_METHOD_IDS(KORVAN_DECLARE_ID)
#undef KORVAN_DECLARE_ID
};

// Modules, classes and constant values.
struct Constants {
    // Top level.
    VALUE mSketchup, mKorvan, cArray, cFile;
    // Classes under Sketchup.
    VALUE cAppObserver, cComponentDefinition, cComponentInstance, cDrawingelement, cEdge, cEntities,
        cFace, cGroup, cImage, cLayer, cLoop, cMaterial, cMaterialsObserver, cMenu, cModel;
    // Found through Sketchup (top-level constants included).
    VALUE mUI, mGeom, MB_OK, MB_YESNO, IDYES, IDNO, MF_ENABLED, MF_GRAYED, SB_PROMPT, SB_VCB_LABEL,
        SB_VCB_VALUE, SKETCHUP_CONSOLE;
    // Under UI.
    VALUE cCommand, cHtmlDialog, cToolbar, htmlDialogStyleDialog;
    // Under Geom.
    VALUE cTransformation, transformationIdentity;
};

extern const MethodIds& id;
extern const Constants& k;

// Re-raises, in the caller's context, the error that the lookup at load met (typically the
// NameError of a missing Korvan module). Returns when the lookup succeeded.
void RaiseIfLookupFailed();

}  // namespace korvan::rb
