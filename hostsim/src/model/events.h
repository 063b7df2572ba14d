// What the document reports to its observers. The Ruby layer turns each event into the
// SketchUp observer call of the same name on the objects observing its target.
#pragma once

#include <cstdint>
#include <string>

#include "model/object.h"

namespace hostsim {

enum class EventKind {
    // Entities observers: target = the Entities collection.
    ElementAdded,     // subject = the entity
    ElementModified,  // subject = the entity
    ElementRemoved,   // id = the erased entity's id
    // Model observers: target = the model.
    TransactionStart,
    TransactionCommit,
    TransactionAbort,
    TransactionEmpty,
    TransactionUndo,
    TransactionRedo,
    ActivePathChanged,
    PreSaveModel,
    PostSaveModel,
    // Collection observers: target = the model, the collection is implied by the kind.
    MaterialAdd,        // subject = material
    MaterialChange,     // subject = material
    MaterialRemove,     // subject = material
    MaterialUndoRedo,   // subject = material
    LayerAdded,         // subject = layer
    LayerChanged,       // subject = layer
    LayerRemoved,       // subject = layer
    ComponentAdded,     // subject = definition
    ComponentRemoved,   // subject = definition
    PageAdded,    // subject = page; onElementAdded on the pages
    PageRemoved,  // subject = page; onElementRemoved on the pages, with the page itself
    PagesContentsModified,
    RenderingOptionsChanged,  // number = SketchUp's change type
    ActiveToolChanged,        // number = tool id, text = tool name
    ViewChanged,
    SelectionChanged,
    // Application observers: target = the model concerned (null for Quit).
    NewModel,
    OpenModel,
    Quit,
    UnloadExtension,  // text = the extension's name
};

struct Event {
    EventKind kind;
    Object* target = nullptr;
    Object* subject = nullptr;
    uint32_t id = 0;
    int number = 0;
    std::string text;
};

struct DrawingElement;
// onElementModified for the element, sent to the collection that holds it.
Event ModifiedEvent(DrawingElement* e);

class EventListener {
public:
    virtual ~EventListener() = default;
    virtual void OnEvent(const Event& e) = 0;
};

}  // namespace hostsim
