// Sketchup::Face, Edge, Vertex and Loop: the shared topology of the geometry in a collection.
#include <algorithm>
#include <vector>

#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

template <typename T>
T* Live(VALUE self, RefType type) {
    auto* e = Unwrap<T>(self, type);
    if (e->deleted) rb_raise(rb_eTypeError, "Reference to deleted %" PRIsVALUE, rb_obj_class(self));
    return e;
}

Face* LiveFace(VALUE self) { return Live<Face>(self, RefType::Face); }
Edge* LiveEdge(VALUE self) { return Live<Edge>(self, RefType::Edge); }
Vertex* LiveVertex(VALUE self) { return Live<Vertex>(self, RefType::Vertex); }
Loop* LiveLoop(VALUE self) { return Live<Loop>(self, RefType::Loop); }

VALUE Bool(bool b) { return b ? Qtrue : Qfalse; }

// ---- Face

VALUE FaceLoops(VALUE self) {
    Face* f = LiveFace(self);
    VALUE loops = rb_ary_new_from_args(1, Wrap(f->outer));
    for (Loop* hole : f->inner) rb_ary_push(loops, Wrap(hole));
    return loops;
}

VALUE FaceOuterLoop(VALUE self) { return Wrap(LiveFace(self)->outer); }
// The edges or vertices of every loop, outer first, read in place.
template <typename T>
VALUE OfAllLoops(Face* f, std::vector<T*> Loop::*member) {
    VALUE all = ArrayOf(f->outer->*member);
    for (Loop* hole : f->inner) rb_ary_concat(all, ArrayOf(hole->*member));
    return all;
}

VALUE FaceEdges(VALUE self) { return OfAllLoops(LiveFace(self), &Loop::edges); }
VALUE FaceVertices(VALUE self) { return OfAllLoops(LiveFace(self), &Loop::vertices); }
VALUE FaceNormal(VALUE self) { return NewVector(LiveFace(self)->Normal()); }
VALUE FaceArea(VALUE self) { return DBL2NUM(LiveFace(self)->Area()); }

// [a, b, c, d] with a x + b y + c z + d = 0 and (a, b, c) the unit normal.
VALUE FacePlane(VALUE self) {
    Face* f = LiveFace(self);
    Vec3 n = f->Normal();
    double d = 0.0 - n.Dot(f->outer->vertices[0]->position);  // 0 rather than -0 through the origin
    return rb_ary_new_from_args(4, DBL2NUM(n.x), DBL2NUM(n.y), DBL2NUM(n.z), DBL2NUM(d));
}

VALUE FaceBackMaterial(VALUE self) { return Wrap(LiveFace(self)->backMaterial); }

VALUE FaceSetBackMaterial(VALUE self, VALUE material) {
    Face* f = LiveFace(self);
    Material* m = MaterialArgument(f->model, material);
    f->model->SetBackMaterial(f, m);
    return material;
}

VALUE FaceReverse(VALUE self) {
    Face* f = LiveFace(self);
    f->model->ReverseFace(f);
    return self;
}

// Only the push/pull hostsim models: a face whose neighbours all stand across the push.
VALUE FacePushPull(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 2);
    Face* f = LiveFace(self);
    if (argc > 1 && RTEST(argv[1])) rb_raise(rb_eNotImpError, "hostsim does not push/pull a copy");
    if (!f->model->PushPull(f, NUM2DBL(argv[0])))
        rb_raise(rb_eNotImpError, "hostsim pushes/pulls only a face whose every edge has a neighbour across the push");
    return Qnil;
}

// ---- Edge

VALUE EdgeSoft(VALUE self) { return Bool(LiveEdge(self)->soft); }
VALUE EdgeSmooth(VALUE self) { return Bool(LiveEdge(self)->smooth); }

VALUE EdgeSetSoft(VALUE self, VALUE soft) {
    Edge* e = LiveEdge(self);
    e->model->SetEdgeFlags(e, RTEST(soft), std::nullopt, std::nullopt);
    return soft;
}

VALUE EdgeSetSmooth(VALUE self, VALUE smooth) {
    Edge* e = LiveEdge(self);
    e->model->SetEdgeFlags(e, std::nullopt, RTEST(smooth), std::nullopt);
    return smooth;
}

// An edge's hidden flag is one of its edge flags, changed together with soft and smooth.
VALUE EdgeSetHidden(VALUE self, VALUE hidden) {
    Edge* e = LiveEdge(self);
    e->model->SetEdgeFlags(e, std::nullopt, std::nullopt, RTEST(hidden));
    return hidden;
}

VALUE EdgeSetVisible(VALUE self, VALUE visible) {
    Edge* e = LiveEdge(self);
    e->model->SetEdgeFlags(e, std::nullopt, std::nullopt, !RTEST(visible));
    return visible;
}

VALUE EdgeFaces(VALUE self) { return ArrayOf(LiveEdge(self)->faces); }
VALUE EdgeStart(VALUE self) { return Wrap(LiveEdge(self)->start); }
VALUE EdgeEnd(VALUE self) { return Wrap(LiveEdge(self)->end); }

VALUE EdgeVertices(VALUE self) {
    Edge* e = LiveEdge(self);
    return rb_ary_new_from_args(2, Wrap(e->start), Wrap(e->end));
}

VALUE EdgeLength(VALUE self) {
    Edge* e = LiveEdge(self);
    return DBL2NUM((e->end->position - e->start->position).Length());
}

VALUE EdgeOtherVertex(VALUE self, VALUE vertex) {
    Edge* e = LiveEdge(self);
    Vertex* v = LiveVertex(vertex);
    if (v == e->start) return Wrap(e->end);
    if (v == e->end) return Wrap(e->start);
    return Qnil;
}

// ---- Vertex

VALUE VertexPosition(VALUE self) { return NewPoint(LiveVertex(self)->position); }
VALUE VertexEdges(VALUE self) { return ArrayOf(LiveVertex(self)->edges); }

VALUE VertexFaces(VALUE self) {
    Vertex* v = LiveVertex(self);
    VALUE faces = rb_ary_new();
    for (const Edge* e : v->edges)
        for (Face* f : e->faces) {
            VALUE face = Wrap(f);
            if (!RTEST(rb_ary_includes(faces, face))) rb_ary_push(faces, face);
        }
    return faces;
}

// ---- Loop

VALUE LoopVertices(VALUE self) { return ArrayOf(LiveLoop(self)->vertices); }
VALUE LoopEdges(VALUE self) { return ArrayOf(LiveLoop(self)->edges); }
VALUE LoopFace(VALUE self) { return Wrap(LiveLoop(self)->face); }

VALUE LoopOuter(VALUE self) {
    Loop* l = LiveLoop(self);
    return Bool(l->face && l->face->outer == l);
}

}  // namespace

void DefineTopology() {
    VALUE F = k.cFace;
    rb_define_method(F, "loops", FaceLoops, 0);
    rb_define_method(F, "outer_loop", FaceOuterLoop, 0);
    rb_define_method(F, "edges", FaceEdges, 0);
    rb_define_method(F, "vertices", FaceVertices, 0);
    rb_define_method(F, "normal", FaceNormal, 0);
    rb_define_method(F, "area", FaceArea, 0);
    rb_define_method(F, "plane", FacePlane, 0);
    rb_define_method(F, "back_material", FaceBackMaterial, 0);
    rb_define_method(F, "back_material=", FaceSetBackMaterial, 1);
    rb_define_method(F, "reverse!", FaceReverse, 0);
    rb_define_method(F, "pushpull", FacePushPull, -1);

    VALUE E = k.cEdge;
    rb_define_method(E, "soft?", EdgeSoft, 0);
    rb_define_method(E, "soft=", EdgeSetSoft, 1);
    rb_define_method(E, "smooth?", EdgeSmooth, 0);
    rb_define_method(E, "smooth=", EdgeSetSmooth, 1);
    rb_define_method(E, "hidden=", EdgeSetHidden, 1);
    rb_define_method(E, "visible=", EdgeSetVisible, 1);
    rb_define_method(E, "faces", EdgeFaces, 0);
    rb_define_method(E, "start", EdgeStart, 0);
    rb_define_method(E, "end", EdgeEnd, 0);
    rb_define_method(E, "vertices", EdgeVertices, 0);
    rb_define_method(E, "length", EdgeLength, 0);
    rb_define_method(E, "other_vertex", EdgeOtherVertex, 1);

    VALUE V = k.cVertex;
    rb_define_method(V, "position", VertexPosition, 0);
    rb_define_method(V, "edges", VertexEdges, 0);
    rb_define_method(V, "faces", VertexFaces, 0);

    VALUE L = k.cLoop;
    rb_define_method(L, "vertices", LoopVertices, 0);
    rb_define_method(L, "edges", LoopEdges, 0);
    rb_define_method(L, "face", LoopFace, 0);
    rb_define_method(L, "outer?", LoopOuter, 0);
}

}  // namespace hostsim::ruby
