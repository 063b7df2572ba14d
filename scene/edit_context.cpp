// The editing context SketchUp has open (the group or component the user double-clicked into),
// read through Ruby because the C API does not tell it. While a context is open SketchUp
// reports what lies inside its definition in model coordinates; the inverse of the context's
// transform undoes that.
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "scene/su_scene.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

constexpr long kMatrixValues = 16;

// The definition id of the innermost open context; all ones when none is open.
uint32_t OpenDefinitionOf(VALUE model) {
    const VALUE path = rb_funcall(model, id.activePath, 0);
    if (!RB_TYPE_P(path, T_ARRAY) || RARRAY_LEN(path) == 0) return kNoId;
    const VALUE innermost = RARRAY_AREF(path, RARRAY_LEN(path) - 1);
    const VALUE klass = rb::ClassOf(innermost);
    if (klass != k.cGroup && klass != k.cComponentInstance) return kNoId;
    const VALUE definition = rb_funcall(innermost, id.definition, 0);
    return static_cast<uint32_t>(rb::ToInt(rb_funcall(definition, id.entityID, 0)));
}

// The 16 values of the model's edit_transform, column by column; false when there is none.
bool ReadEditTransform(VALUE model, double values[kMatrixValues]) {
    const VALUE transform = rb_funcall(model, id.editTransform, 0);
    if (NIL_P(transform)) return false;
    VALUE array = rb_funcall(transform, id.toA, 0);
    rb_check_type(array, T_ARRAY);
    if (RARRAY_LEN(array) < kMatrixValues) return false;
    for (long i = 0; i < kMatrixValues; ++i) values[i] = NUM2DBL(RARRAY_AREF(array, i));
    RB_GC_GUARD(array);
    return true;
}

}  // namespace

// Nothing with a destructor lives in these frames: every Ruby call may raise.
void SUScene::UpdateEditContext() {
    if (NIL_P(model)) return;
    openDefinitionId = kNoId;
    editMirrored = false;
    editInverse = kIdentityMatrix;
    editNormalMatrix = kIdentityMatrix;

    openDefinitionId = OpenDefinitionOf(model);

    double values[kMatrixValues];
    if (!ReadEditTransform(model, values)) return;
    const Matrix4 edit = ConvertTransformation(values, false);
    if (IsIdentity(edit)) return;
    editInverse = Inverse(edit);
    editNormalMatrix = NormalMatrix(editInverse);
    editMirrored = Determinant3(editInverse) < 0;
}

}  // namespace korvan
