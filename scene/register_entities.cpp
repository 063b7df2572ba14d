// One entities collection made known to the scene: the observer is attached so that its edits
// are reported, and every face and edge in it is entered into the face table and the edge
// states before any leaf is built.
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "scene/su_scene.h"

namespace korvan {

using rb::id;
using rb::k;

// Nothing with a destructor lives in this frame: the Ruby calls may raise. The loop itself
// calls only the C API.
void SUScene::RegisterEntities(VALUE entities, uint32_t ownerDefinitionId) {
    if (NIL_P(entities)) return;
    rb_funcall(entities, id.addObserver, 1, observer);
    VALUE elements = rb_funcall(entities, id.toA, 0);
    rb_check_type(elements, T_ARRAY);
    for (long i = 0; i < RARRAY_LEN(elements); ++i) {
        const VALUE element = RARRAY_AREF(elements, i);
        const VALUE klass = rb::ClassOf(element);
        if (klass == k.cFace) {
            const uint32_t faceId = rb::EntityIdOf(element);
            if (faceId == kNoId) continue;
            SUFaceRef face = SU_INVALID;
            face.ptr = DATA_PTR(element);
            RegisterFace(face, faceId, ownerDefinitionId);
        } else if (klass == k.cEdge) {
            SUEdgeRef edge = SU_INVALID;
            edge.ptr = DATA_PTR(element);
            RegisterEdge(edge);
        }
    }
    RB_GC_GUARD(elements);
}

}  // namespace korvan
