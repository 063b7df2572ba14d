#include "ruby/wrap.h"

#include <map>

namespace hostsim::ruby {

Classes k;

namespace {

// Keeps every wrapper alive for the life of the process: the document never frees an
// entity either, and the same object must come back every time.
VALUE g_keep = Qnil;

VALUE NoNew(VALUE) {
    rb_raise(rb_eNotImpError, "this object is created by the model, not with new");
    return Qnil;
}

VALUE DefineUnder(VALUE outer, const char* name, VALUE super) {
    VALUE c = rb_define_class_under(outer, name, super);
    rb_undef_alloc_func(c);
    rb_define_singleton_method(c, "new", NoNew, 0);
    return c;
}

VALUE ClassOfObject(const Object* o) {
    switch (o->type) {
        case RefType::Face: return k.cFace;
        case RefType::Edge: return k.cEdge;
        case RefType::Vertex: return k.cVertex;
        case RefType::Loop: return k.cLoop;
        case RefType::Group: return k.cGroup;
        case RefType::ComponentInstance: return k.cComponentInstance;
        case RefType::Image: return k.cImage;
        case RefType::ComponentDefinition: return k.cComponentDefinition;
        case RefType::Entities: return k.cEntities;
        case RefType::Model: return k.cModel;
        case RefType::Material: return k.cMaterial;
        case RefType::Texture: return k.cTexture;
        case RefType::Layer: return k.cLayer;
        case RefType::Scene: return k.cPage;
        case RefType::AttributeDictionary: return k.cAttributeDictionary;
        default: return k.cEntity;
    }
}

std::map<std::pair<Model*, Collection>, VALUE>& CollectionCache() {
    static std::map<std::pair<Model*, Collection>, VALUE> cache;
    return cache;
}

VALUE ClassOfCollection(Collection c) {
    switch (c) {
        case Collection::Materials: return k.cMaterials;
        case Collection::Layers: return k.cLayers;
        case Collection::Definitions: return k.cDefinitionList;
        case Collection::Pages: return k.cPages;
        case Collection::RenderingOptions: return k.cRenderingOptions;
        case Collection::Tools: return k.cTools;
        case Collection::View: return k.cView;
        case Collection::Selection: return k.cSelection;
        case Collection::ShadowInfo: return k.cShadowInfo;
    }
    return k.cEntity;
}

}  // namespace

void DefineClasses() {
    g_keep = rb_ary_new();
    rb_gc_register_address(&g_keep);

    k.mSketchup = rb_define_module("Sketchup");
    k.mGeom = rb_define_module("Geom");
    k.mHostSim = rb_define_module("HostSim");
    VALUE S = k.mSketchup;
    k.cEntity = DefineUnder(S, "Entity", rb_cObject);
    k.cDrawingelement = DefineUnder(S, "Drawingelement", k.cEntity);
    k.cFace = DefineUnder(S, "Face", k.cDrawingelement);
    k.cEdge = DefineUnder(S, "Edge", k.cDrawingelement);
    k.cGroup = DefineUnder(S, "Group", k.cDrawingelement);
    k.cComponentInstance = DefineUnder(S, "ComponentInstance", k.cDrawingelement);
    k.cImage = DefineUnder(S, "Image", k.cDrawingelement);
    k.cComponentDefinition = DefineUnder(S, "ComponentDefinition", k.cDrawingelement);
    k.cVertex = DefineUnder(S, "Vertex", k.cEntity);
    k.cLoop = DefineUnder(S, "Loop", k.cEntity);
    k.cBehavior = DefineUnder(S, "Behavior", k.cEntity);
    k.cMaterial = DefineUnder(S, "Material", k.cEntity);
    k.cTexture = DefineUnder(S, "Texture", k.cEntity);
    k.cLayer = DefineUnder(S, "Layer", k.cEntity);
    k.cPage = DefineUnder(S, "Page", k.cEntity);
    k.cAttributeDictionary = DefineUnder(S, "AttributeDictionary", k.cEntity);
    k.cAttributeDictionaries = DefineUnder(S, "AttributeDictionaries", k.cEntity);
    k.cMaterials = DefineUnder(S, "Materials", k.cEntity);
    k.cLayers = DefineUnder(S, "Layers", k.cEntity);
    k.cDefinitionList = DefineUnder(S, "DefinitionList", k.cEntity);
    k.cPages = DefineUnder(S, "Pages", k.cEntity);
    k.cRenderingOptions = DefineUnder(S, "RenderingOptions", k.cEntity);
    k.cShadowInfo = DefineUnder(S, "ShadowInfo", k.cEntity);
    k.cEntities = DefineUnder(S, "Entities", rb_cObject);
    k.cModel = DefineUnder(S, "Model", rb_cObject);
    k.cTools = DefineUnder(S, "Tools", rb_cObject);
    k.cView = DefineUnder(S, "View", rb_cObject);
    k.cSelection = DefineUnder(S, "Selection", rb_cObject);
    // Value classes that scripts create themselves.
    k.cCamera = rb_define_class_under(S, "Camera", rb_cObject);
    k.cColor = rb_define_class_under(S, "Color", rb_cObject);
    k.cPoint3d = rb_define_class_under(k.mGeom, "Point3d", rb_cObject);
    k.cVector3d = rb_define_class_under(k.mGeom, "Vector3d", rb_cObject);
    k.cTransformation = rb_define_class_under(k.mGeom, "Transformation", rb_cObject);
    for (VALUE c : {k.cEntities, k.cSelection, k.cMaterials, k.cLayers, k.cDefinitionList, k.cPages})
        rb_include_module(c, rb_mEnumerable);
}

VALUE Wrap(Object* o) {
    if (!o) return Qnil;
    if (o->rubyObject && !o->renewRubyObject) return static_cast<VALUE>(o->rubyObject);
    VALUE v = rb_data_object_wrap(ClassOfObject(o), o, nullptr, nullptr);
    rb_ary_push(g_keep, v);
    o->rubyObject = v;
    o->renewRubyObject = false;
    return v;
}

bool IsSuperseded(VALUE v, const Object* o) { return o->rubyObject != v || o->renewRubyObject; }

static bool IsOurs(VALUE v) {
    if (!RB_TYPE_P(v, T_DATA) || RTYPEDDATA_P(v)) return false;
    VALUE c = rb_obj_class(v);
    return rb_class_inherited_p(c, k.cEntity) == Qtrue || c == k.cEntities || c == k.cModel;
}

Object* UnwrapObject(VALUE v, RefType want) {
    if (!IsOurs(v) || rb_obj_class(v) == k.cMaterials || rb_obj_class(v) == k.cLayers ||
        rb_obj_class(v) == k.cDefinitionList || rb_obj_class(v) == k.cPages ||
        rb_obj_class(v) == k.cRenderingOptions || rb_obj_class(v) == k.cShadowInfo ||
        rb_obj_class(v) == k.cBehavior || rb_obj_class(v) == k.cAttributeDictionaries)
        rb_raise(rb_eTypeError, "expected a SketchUp entity, got %" PRIsVALUE, rb_obj_class(v));
    auto* o = static_cast<Object*>(DATA_PTR(v));
    if (want != RefType::Unknown && o->type != want)
        rb_raise(rb_eTypeError, "wrong kind of entity: %" PRIsVALUE, rb_obj_class(v));
    return o;
}

Entity* UnwrapEntity(VALUE v) {
    Object* o = UnwrapObject(v);
    if (o->type == RefType::Entities || o->type == RefType::Model)
        rb_raise(rb_eTypeError, "expected a SketchUp entity, got %" PRIsVALUE, rb_obj_class(v));
    return static_cast<Entity*>(o);
}

Entity* UnwrapLiveEntity(VALUE v) {
    Entity* e = UnwrapEntity(v);
    if (e->deleted || IsSuperseded(v, e))
        rb_raise(rb_eTypeError, "Reference to deleted %" PRIsVALUE, rb_obj_class(v));
    return e;
}

DrawingElement* UnwrapDrawingElement(VALUE v) {
    Entity* e = UnwrapLiveEntity(v);
    switch (e->type) {
        case RefType::Face:
        case RefType::Edge:
        case RefType::Group:
        case RefType::ComponentInstance:
        case RefType::Image:
            return static_cast<DrawingElement*>(e);
        default:
            rb_raise(rb_eTypeError, "expected a drawing element, got %" PRIsVALUE, rb_obj_class(v));
    }
    return nullptr;
}

ComponentInstance* UnwrapPlacement(VALUE v) {
    DrawingElement* e = UnwrapDrawingElement(v);
    if (e->type != RefType::Group && e->type != RefType::ComponentInstance && e->type != RefType::Image)
        rb_raise(rb_eTypeError, "expected a group, component instance or image");
    return static_cast<ComponentInstance*>(e);
}

Model* UnwrapModel(VALUE v) { return Unwrap<Model>(v, RefType::Model); }

VALUE CollectionOf(Model* m, Collection which) {
    auto& cache = CollectionCache();
    auto it = cache.find({m, which});
    if (it != cache.end()) return it->second;
    VALUE v = rb_data_object_wrap(ClassOfCollection(which), m, nullptr, nullptr);
    rb_ary_push(g_keep, v);
    cache[{m, which}] = v;
    return v;
}

Model* ModelOfCollection(VALUE collection) {
    if (!RB_TYPE_P(collection, T_DATA)) rb_raise(rb_eTypeError, "not a model collection");
    return static_cast<Model*>(DATA_PTR(collection));
}

VALUE Utf8(const std::string& s) { return rb_utf8_str_new(s.data(), static_cast<long>(s.size())); }

std::string StringOf(VALUE v) {
    VALUE s = rb_obj_as_string(v);
    return std::string(RSTRING_PTR(s), static_cast<size_t>(RSTRING_LEN(s)));
}

}  // namespace hostsim::ruby
