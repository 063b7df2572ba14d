// Sketchup::Model: its contents and collections, operations, the editing context, identity and
// saving.
#include <cstdint>

#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

VALUE Bool(bool b) { return b ? Qtrue : Qfalse; }

// ---- contents and collections

VALUE ModelEntities(VALUE self) { return Wrap(UnwrapModel(self)->entities); }

// The contents of the innermost open editing context, or the model's own.
VALUE ModelActiveEntities(VALUE self) {
    Model* m = UnwrapModel(self);
    if (m->activePath.empty()) return Wrap(m->entities);
    return Wrap(m->activePath.back()->definition->entities);
}

template <Collection which>
VALUE ModelCollection(VALUE self) {
    return CollectionOf(UnwrapModel(self), which);
}

// ---- identity

VALUE ModelPath(VALUE self) { return Utf8(UnwrapModel(self)->path); }
VALUE ModelGuid(VALUE self) { return Utf8(UnwrapModel(self)->guid); }
VALUE ModelName(VALUE self) { return Utf8(UnwrapModel(self)->title); }

// The file's name without its extension, as SketchUp's window title shows it.
VALUE ModelTitle(VALUE self) {
    Model* m = UnwrapModel(self);
    if (m->path.empty()) return Utf8(m->title);
    const std::string& path = m->path;
    size_t start = path.find_last_of("/\\");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = path.find_last_of('.');
    size_t end = dot == std::string::npos || dot <= start ? path.size() : dot;
    return rb_utf8_str_new(path.data() + start, static_cast<long>(end - start));
}

// The address of the document, which SUModelFromExisting turns back into the model.
VALUE ModelSkpdoc(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 0, 1);
    return ULL2NUM(reinterpret_cast<uintptr_t>(UnwrapModel(self)));
}

VALUE ModelValid(VALUE self) { return Bool(App::Instance().IsLive(UnwrapModel(self))); }
VALUE ModelNumberFaces(VALUE self) { return INT2NUM(UnwrapModel(self)->Counts().faces); }
VALUE ModelModified(VALUE self) { return Bool(UnwrapModel(self)->Modified()); }

VALUE ModelInspect(VALUE self) { return rb_sprintf("#<Sketchup::Model:%p>", static_cast<void*>(UnwrapModel(self))); }

// ---- operations

void StartOperation(Model* m, VALUE packedName, bool transparent, bool nextTransparent) {
    m->StartOperation(TextOf(packedName), transparent, nextTransparent);
}

// (name, disable_ui = false, next_transparent = false, transparent = false); disable_ui only
// matters to SketchUp's user interface.
VALUE ModelStartOperation(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 4);
    Model* m = UnwrapModel(self);
    StartOperation(m, PackText(argv[0]), argc > 3 && RTEST(argv[3]), argc > 2 && RTEST(argv[2]));
    return Qtrue;
}

VALUE ModelCommitOperation(VALUE self) {
    UnwrapModel(self)->CommitOperation();
    return Qtrue;
}

VALUE ModelAbortOperation(VALUE self) {
    UnwrapModel(self)->AbortOperation();
    return Qtrue;
}

// ---- finding entities

VALUE FindById(Model* m, VALUE id) { return Wrap(m->FindEntity(NUM2UINT(id))); }

// One id gives one entity (or nil); several ids, or an array of them, give an array.
VALUE ModelFindEntityById(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, UNLIMITED_ARGUMENTS);
    Model* m = UnwrapModel(self);
    if (argc == 1 && !RB_TYPE_P(argv[0], T_ARRAY)) return FindById(m, argv[0]);
    VALUE ids = ArgumentList(argc, argv);
    VALUE found = rb_ary_new_capa(RARRAY_LEN(ids));
    for (long i = 0; i < RARRAY_LEN(ids); ++i) rb_ary_push(found, FindById(m, rb_ary_entry(ids, i)));
    return found;
}

// ---- editing context

VALUE ModelActivePath(VALUE self) {
    Model* m = UnwrapModel(self);
    if (m->activePath.empty()) return Qnil;
    return ArrayOf(m->activePath);
}

// Each placement must lie in the contents of the one before it, the first in the model's.
bool IsEditablePath(Model* m, const std::vector<DrawingElement*>& path) {
    const Entities* in = m->entities;
    for (const DrawingElement* e : path) {
        if (e->type != RefType::Group && e->type != RefType::ComponentInstance) return false;
        if (e->parent != in) return false;
        in = static_cast<const ComponentInstance*>(e)->definition->entities;
    }
    return true;
}

bool OpenPath(Model* m, VALUE packedPath) {
    std::vector<DrawingElement*> path = UnpackElements(packedPath);
    if (!IsEditablePath(m, path)) return false;
    std::vector<ComponentInstance*> placements;
    for (DrawingElement* e : path) placements.push_back(static_cast<ComponentInstance*>(e));
    m->SetActivePath(placements);
    return true;
}

VALUE ModelSetActivePath(VALUE self, VALUE path) {
    Model* m = UnwrapModel(self);
    VALUE packed = PackElements(NIL_P(path) ? rb_ary_new() : rb_Array(path));
    if (!OpenPath(m, packed))
        rb_raise(rb_eArgError, "not a valid editing path: groups or component instances, each inside the one before it");
    return path;
}

VALUE ModelCloseActive(VALUE self) { return Bool(UnwrapModel(self)->CloseActive()); }
VALUE ModelEditTransform(VALUE self) { return NewTransformation(UnwrapModel(self)->EditTransform()); }

// ---- saving

void Save(Model* m, VALUE packedPath) { m->Save(TextOf(packedPath)); }

// save(path = the model's path): the model takes the path and a new GUID.
VALUE ModelSave(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 0, 2);
    Model* m = UnwrapModel(self);
    VALUE path = argc > 0 ? PackText(argv[0]) : Utf8(m->path);
    if (RSTRING_LEN(path) == 0) rb_raise(rb_eArgError, "the model has no path yet: give one");
    Save(m, path);
    return Qtrue;
}

VALUE ModelSaveAs(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 2);
    return ModelSave(argc, argv, self);
}

}  // namespace

void DefineModel() {
    VALUE M = k.cModel;
    rb_define_method(M, "entities", ModelEntities, 0);
    rb_define_method(M, "active_entities", ModelActiveEntities, 0);
    rb_define_method(M, "definitions", ModelCollection<Collection::Definitions>, 0);
    rb_define_method(M, "materials", ModelCollection<Collection::Materials>, 0);
    rb_define_method(M, "layers", ModelCollection<Collection::Layers>, 0);
    rb_define_method(M, "pages", ModelCollection<Collection::Pages>, 0);
    rb_define_method(M, "active_view", ModelCollection<Collection::View>, 0);
    rb_define_method(M, "rendering_options", ModelCollection<Collection::RenderingOptions>, 0);
    rb_define_method(M, "tools", ModelCollection<Collection::Tools>, 0);
    rb_define_method(M, "selection", ModelCollection<Collection::Selection>, 0);
    rb_define_method(M, "shadow_info", ModelCollection<Collection::ShadowInfo>, 0);

    rb_define_method(M, "path", ModelPath, 0);
    rb_define_method(M, "guid", ModelGuid, 0);
    rb_define_method(M, "title", ModelTitle, 0);
    rb_define_method(M, "name", ModelName, 0);
    rb_define_method(M, "skpdoc", ModelSkpdoc, -1);
    rb_define_method(M, "valid?", ModelValid, 0);
    rb_define_method(M, "number_faces", ModelNumberFaces, 0);
    rb_define_method(M, "modified?", ModelModified, 0);
    rb_define_method(M, "inspect", ModelInspect, 0);
    rb_define_method(M, "to_s", ModelInspect, 0);

    rb_define_method(M, "start_operation", ModelStartOperation, -1);
    rb_define_method(M, "commit_operation", ModelCommitOperation, 0);
    rb_define_method(M, "abort_operation", ModelAbortOperation, 0);

    rb_define_method(M, "find_entity_by_id", ModelFindEntityById, -1);

    rb_define_method(M, "active_path", ModelActivePath, 0);
    rb_define_method(M, "active_path=", ModelSetActivePath, 1);
    rb_define_method(M, "close_active", ModelCloseActive, 0);
    rb_define_method(M, "edit_transform", ModelEditTransform, 0);

    rb_define_method(M, "save", ModelSave, -1);
    rb_define_method(M, "save_as", ModelSaveAs, -1);
}

}  // namespace hostsim::ruby
