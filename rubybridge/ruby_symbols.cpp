#include "rubybridge/ruby_symbols.h"

namespace korvan::rb {

namespace {

MethodIds methodIds;
Constants constants;
// The exception the lookup at load raised, or nil.
VALUE lookupError = Qnil;

VALUE Get(VALUE under, const char* name) {
    return rb_const_get(under, rb_intern(name));
}

VALUE FillTables(VALUE) {
#define KORVAN_INTERN_ID(member, text) methodIds.member = rb_intern(text);
    KORVAN_RUBY_METHOD_IDS(KORVAN_INTERN_ID)
#undef KORVAN_INTERN_ID

    Constants& c = constants;
    c.mSketchup = Get(rb_cObject, "Sketchup");
    c.mKorvan = Get(rb_cObject, "Korvan");
    c.cArray = Get(rb_cObject, "Array");
    c.cFile = Get(rb_cObject, "File");

    c.cAppObserver = Get(c.mSketchup, "AppObserver");
    c.cComponentDefinition = Get(c.mSketchup, "ComponentDefinition");
    c.cComponentInstance = Get(c.mSketchup, "ComponentInstance");
    c.cDrawingelement = Get(c.mSketchup, "Drawingelement");
    c.cEdge = Get(c.mSketchup, "Edge");
    c.cEntities = Get(c.mSketchup, "Entities");
    c.cFace = Get(c.mSketchup, "Face");
    c.cGroup = Get(c.mSketchup, "Group");
    c.cImage = Get(c.mSketchup, "Image");
    c.cLayer = Get(c.mSketchup, "Layer");
    c.cLoop = Get(c.mSketchup, "Loop");
    c.cMaterial = Get(c.mSketchup, "Material");
    c.cMaterialsObserver = Get(c.mSketchup, "MaterialsObserver");
    c.cMenu = Get(c.mSketchup, "Menu");
    c.cModel = Get(c.mSketchup, "Model");

    c.mUI = Get(c.mSketchup, "UI");
    c.mGeom = Get(c.mSketchup, "Geom");
    c.MB_OK = Get(c.mSketchup, "MB_OK");
    c.MB_YESNO = Get(c.mSketchup, "MB_YESNO");
    c.IDYES = Get(c.mSketchup, "IDYES");
    c.IDNO = Get(c.mSketchup, "IDNO");
    c.MF_ENABLED = Get(c.mSketchup, "MF_ENABLED");
    c.MF_GRAYED = Get(c.mSketchup, "MF_GRAYED");
    c.SB_PROMPT = Get(c.mSketchup, "SB_PROMPT");
    c.SB_VCB_LABEL = Get(c.mSketchup, "SB_VCB_LABEL");
    c.SB_VCB_VALUE = Get(c.mSketchup, "SB_VCB_VALUE");
    c.SKETCHUP_CONSOLE = Get(c.mSketchup, "SKETCHUP_CONSOLE");

    c.cCommand = Get(c.mUI, "Command");
    c.cHtmlDialog = Get(c.mUI, "HtmlDialog");
    c.cToolbar = Get(c.mUI, "Toolbar");
    c.htmlDialogStyleDialog = Get(c.cHtmlDialog, "STYLE_DIALOG");

    c.cTransformation = Get(c.mGeom, "Transformation");
    c.transformationIdentity = Get(c.cTransformation, "IDENTITY");
    return Qnil;
}

// Runs while the interpreter loads the library. A missing constant raises; the error must not
// unwind through the dynamic loader, so it is caught here and raised again by
// Init_KorvanPlugin, which makes the require fail with it.
struct LookupAtLoad {
    LookupAtLoad() {
        int state = 0;
        rb_protect(FillTables, Qnil, &state);
        if (state != 0) {
            lookupError = rb_errinfo();
            rb_set_errinfo(Qnil);
            rb_gc_register_address(&lookupError);
        }
    }
} lookupAtLoad;

}  // namespace

const MethodIds& id = methodIds;
const Constants& k = constants;

void RaiseIfLookupFailed() {
    if (!NIL_P(lookupError)) rb_exc_raise(lookupError);
}

}  // namespace korvan::rb
