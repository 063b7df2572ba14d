// Sketchup::Entities (the contents of the model or of one definition: adding, listing, erasing and
// moving geometry and placements) and Sketchup::DefinitionList.
#include <cstring>
#include <string_view>

#include "model/image_file.h"
#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

Entities* CollectionOfSelf(VALUE self) { return Unwrap<Entities>(self, RefType::Entities); }

// ---- adding

Face* AddFace(Entities* in, VALUE packedPoints) { return in->model->AddFace(in, UnpackPoints(packedPoints)); }

VALUE EntitiesAddFace(int argc, VALUE* argv, VALUE self) {
    Entities* in = CollectionOfSelf(self);
    VALUE points = PackPoints(ArgumentList(argc, argv));
    return Wrap(AddFace(in, points));
}

VALUE EntitiesAddLine(VALUE self, VALUE from, VALUE to) {
    Entities* in = CollectionOfSelf(self);
    Vec3 a = PointOf(from), b = PointOf(to);
    return Wrap(in->model->AddEdge(in, a, b));
}

// Edges between consecutive points, in one operation; coincident neighbours give no edge. The
// edges made are written as pointers into out, whose capacity the caller reserved.
void AddEdges(Entities* in, VALUE packedPoints, VALUE out) {
    std::vector<Vec3> points = UnpackPoints(packedPoints);
    long length = 0;
    AsOneOperation(in->model, "Add Edges", [&] {
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            Edge* e = in->model->AddEdge(in, points[i], points[i + 1]);
            if (!e) continue;
            memcpy(RSTRING_PTR(out) + length, &e, sizeof e);
            length += static_cast<long>(sizeof e);
        }
    });
    rb_str_set_len(out, length);
}

VALUE EntitiesAddEdges(int argc, VALUE* argv, VALUE self) {
    Entities* in = CollectionOfSelf(self);
    VALUE points = PackPoints(ArgumentList(argc, argv));
    long count = RSTRING_LEN(points) / static_cast<long>(sizeof(Vec3));
    VALUE made = rb_str_buf_new(count * static_cast<long>(sizeof(Edge*)));
    AddEdges(in, points, made);
    VALUE edges = rb_ary_new();
    for (long i = 0; i < RSTRING_LEN(made) / static_cast<long>(sizeof(Edge*)); ++i) {
        Edge* e = nullptr;
        memcpy(&e, RSTRING_PTR(made) + i * static_cast<long>(sizeof e), sizeof e);
        rb_ary_push(edges, Wrap(e));
    }
    return edges;
}

VALUE EntitiesAddGroup(int argc, VALUE* argv, VALUE self) {
    Entities* in = CollectionOfSelf(self);
    VALUE list = ArgumentList(argc, argv);
    if (RARRAY_LEN(list) > 0) rb_raise(rb_eNotImpError, "add_group with existing entities is not supported by hostsim");
    return Wrap(in->model->AddGroup(in));
}

VALUE EntitiesAddInstance(VALUE self, VALUE definition, VALUE transformation) {
    Entities* in = CollectionOfSelf(self);
    auto* def = Unwrap<ComponentDefinition>(definition, RefType::ComponentDefinition);
    if (def->deleted || def->model != in->model) rb_raise(rb_eArgError, "the definition is not in this model");
    if (def->kind != DefinitionKind::Component) rb_raise(rb_eArgError, "a group's or image's definition cannot be placed");
    if (def->entities == in) rb_raise(rb_eArgError, "a definition cannot contain itself");
    Transform t = TransformOf(transformation);
    return Wrap(in->model->AddInstance(in, def, t));
}

// Null when the file cannot be decoded. A height of 0 keeps the picture's aspect ratio.
Image* AddImageFile(Entities* in, VALUE packedPath, const Vec3& origin, double width, double height) {
    const std::string path = TextOf(packedPath);
    std::optional<ImagePixels> picture = LoadImageFile(path);
    if (!picture || picture->pixelWidth <= 0) return nullptr;
    if (height <= 0) height = width * picture->pixelHeight / picture->pixelWidth;
    Model* m = in->model;
    Image* image = nullptr;
    AsOneOperation(m, "Add Image", [&] {
        Texture* t = m->CreateTexture(picture->pixelWidth, picture->pixelHeight, picture->bitsPerPixel,
                                      std::move(picture->pixels), width, height, path);
        image = m->AddImage(in, t, origin, width, height);
    });
    return image;
}

VALUE EntitiesAddImage(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 3, 4);
    Entities* in = CollectionOfSelf(self);
    VALUE path = PackText(argv[0]);
    Vec3 origin = PointOf(argv[1]);
    double width = NUM2DBL(argv[2]);
    double height = argc > 3 ? NUM2DBL(argv[3]) : 0.0;
    if (width <= 0 || height < 0) rb_raise(rb_eArgError, "an image needs a positive width and height");
    return Wrap(AddImageFile(in, path, origin, width, height));
}

// ---- listing

VALUE EntitiesToA(VALUE self) { return ArrayOf(CollectionOfSelf(self)->items); }

VALUE EntitiesEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, EntitiesToA(self));
}

VALUE EntitiesSize(VALUE self) { return SIZET2NUM(CollectionOfSelf(self)->items.size()); }

VALUE EntitiesAt(VALUE self, VALUE index) {
    Entities* in = CollectionOfSelf(self);
    long i = NUM2LONG(index);
    long n = static_cast<long>(in->items.size());
    if (i < 0) i += n;
    return i >= 0 && i < n ? Wrap(in->items[static_cast<size_t>(i)]) : Qnil;
}

VALUE EntitiesParent(VALUE self) { return OwnerOf(CollectionOfSelf(self)); }
VALUE EntitiesModel(VALUE self) { return Wrap(CollectionOfSelf(self)->model); }
VALUE EntitiesSectionPlane(VALUE self) { return Qnil; }

// ---- erasing and moving

void Erase(Model* m, VALUE packedElements) { m->Erase(UnpackElements(packedElements)); }

VALUE EntitiesErase(int argc, VALUE* argv, VALUE self) {
    Entities* in = CollectionOfSelf(self);
    VALUE elements = PackElements(ArgumentList(argc, argv));
    Erase(in->model, elements);
    return Qnil;
}

void TransformElements(Model* m, const Transform& t, VALUE packedElements) {
    m->TransformEntities(t, UnpackElements(packedElements));
}

VALUE EntitiesTransform(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, UNLIMITED_ARGUMENTS);
    Entities* in = CollectionOfSelf(self);
    Transform t = TransformOf(argv[0]);
    VALUE elements = PackElements(ArgumentList(argc - 1, argv + 1));
    TransformElements(in->model, t, elements);
    return Qtrue;
}

// ---- DefinitionList: the data pointer is the model

std::string_view View(VALUE s) { return {RSTRING_PTR(s), static_cast<size_t>(RSTRING_LEN(s))}; }

VALUE DefinitionsToA(VALUE self) { return ArrayOf(ModelOfCollection(self)->definitions); }

VALUE DefinitionsEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, DefinitionsToA(self));
}

VALUE DefinitionsSize(VALUE self) { return SIZET2NUM(ModelOfCollection(self)->definitions.size()); }

VALUE DefinitionsAtIndex(VALUE self, VALUE index) {
    const auto& defs = ModelOfCollection(self)->definitions;
    long i = NUM2LONG(index);
    return i >= 0 && i < static_cast<long>(defs.size()) ? Wrap(defs[static_cast<size_t>(i)]) : Qnil;
}

// By index, by name or by GUID.
VALUE DefinitionsAt(VALUE self, VALUE key) {
    if (RB_INTEGER_TYPE_P(key)) return DefinitionsAtIndex(self, key);
    if (!RB_TYPE_P(key, T_STRING)) rb_raise(rb_eTypeError, "expected an index, a name or a GUID");
    std::string_view wanted = View(key);
    for (ComponentDefinition* d : ModelOfCollection(self)->definitions)
        if (d->name == wanted || d->guid == wanted) return Wrap(d);
    return Qnil;
}

ComponentDefinition* AddDefinition(Model* m, VALUE packedName) { return m->AddDefinition(TextOf(packedName)); }

VALUE DefinitionsAdd(VALUE self, VALUE name) {
    Model* m = ModelOfCollection(self);
    return Wrap(AddDefinition(m, PackText(name)));
}

VALUE DefinitionsModel(VALUE self) { return Wrap(ModelOfCollection(self)); }

}  // namespace

void DefineEntitiesCollections() {
    VALUE E = k.cEntities;
    rb_define_method(E, "add_face", EntitiesAddFace, -1);
    rb_define_method(E, "add_line", EntitiesAddLine, 2);
    rb_define_method(E, "add_edges", EntitiesAddEdges, -1);
    rb_define_method(E, "add_group", EntitiesAddGroup, -1);
    rb_define_method(E, "add_instance", EntitiesAddInstance, 2);
    rb_define_method(E, "add_image", EntitiesAddImage, -1);
    rb_define_method(E, "each", EntitiesEach, 0);
    rb_define_method(E, "to_a", EntitiesToA, 0);
    rb_define_method(E, "[]", EntitiesAt, 1);
    rb_define_method(E, "at", EntitiesAt, 1);
    // count comes from Enumerable, as in SketchUp since 2014, so that it takes a block too.
    rb_define_method(E, "size", EntitiesSize, 0);
    rb_define_method(E, "length", EntitiesSize, 0);
    rb_define_method(E, "erase_entities", EntitiesErase, -1);
    rb_define_method(E, "transform_entities", EntitiesTransform, -1);
    rb_define_method(E, "parent", EntitiesParent, 0);
    rb_define_method(E, "model", EntitiesModel, 0);
    rb_define_method(E, "active_section_plane", EntitiesSectionPlane, 0);

    VALUE D = k.cDefinitionList;
    rb_define_method(D, "each", DefinitionsEach, 0);
    rb_define_method(D, "to_a", DefinitionsToA, 0);
    rb_define_method(D, "[]", DefinitionsAt, 1);
    rb_define_method(D, "at", DefinitionsAtIndex, 1);
    rb_define_method(D, "size", DefinitionsSize, 0);
    rb_define_method(D, "length", DefinitionsSize, 0);
    rb_define_method(D, "add", DefinitionsAdd, 1);
    rb_define_method(D, "model", DefinitionsModel, 0);
}

}  // namespace hostsim::ruby
