// The SketchUp document: every entity, the collections, the operations with undo and redo,
// and the observers' events. One instance per open model; the Ruby API and the C API are
// two views of it. Everything here runs on the host's main thread, except read-only access
// from the parallel tasks that the C API's callers start and wait for.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/appearance.h"
#include "model/attributes.h"
#include "model/components.h"
#include "model/entities.h"
#include "model/events.h"
#include "model/scene_page.h"
#include "model/topology.h"
#include "model/undo.h"

namespace hostsim {

// Entity counts as SUModelGetStatistics reports them, over the model and every definition.
struct ModelCounts {
    int edges = 0, faces = 0, instances = 0, groups = 0, images = 0, definitions = 0, layers = 0, materials = 0;
};

// Well-known tool ids (SketchUp's command ids).
inline constexpr int kSelectToolId = 21022;
inline constexpr int kMoveToolId = 21048;

class Model : public Object {
public:
    Model();
    ~Model() override;

    // ---- identity
    std::string path;   // empty until saved
    std::string guid;   // changes at every save
    std::string title;
    Entity* FindEntity(uint32_t id) const;  // live entities only
    uint32_t LastId() const { return nextId_ - 1; }

    // ---- contents (live objects, in SketchUp's order)
    Entities* entities = nullptr;
    std::vector<ComponentDefinition*> definitions;
    std::vector<Material*> materials;
    std::vector<Layer*> layers;  // layers[0] is the default layer "Layer0"
    Layer* defaultLayer = nullptr;
    std::vector<Page*> pages;
    Page* selectedPage = nullptr;
    std::map<std::string, Value> renderingOptions;
    Camera camera;
    int activeToolId = kSelectToolId;
    std::string activeToolName = "SelectionTool";
    std::vector<Entity*> selection;
    std::vector<ComponentInstance*> activePath;  // open editing contexts, outermost first

    ModelCounts Counts() const;
    // The transformation of the innermost open editing context, identity when none.
    Transform EditTransform() const;
    // While a context is open, SketchUp's C API reports what its definition holds in model
    // coordinates: the frame to apply for geometry in `in`, nothing when `in` is not open.
    std::optional<Transform> ReportedFrame(const Entities* in) const;

    // ---- operations, undo and redo
    // Starting while another operation is open commits that one first. A transparent
    // operation joins the undo step before it; next transparent makes the next one join this.
    void StartOperation(const std::string& name, bool transparent = false, bool nextTransparent = false);
    void CommitOperation();
    void AbortOperation();
    bool Undo();
    bool Redo();
    bool InOperation() const { return open_ != nullptr; }
    size_t UndoDepth() const { return undo_.size(); }
    size_t RedoDepth() const { return redo_.size(); }
    // Drops every recorded operation and counts the document as unmodified, as a model fresh
    // from a file or a generator is.
    void ForgetHistory();
    // Observer calls made while an operation is open wait for its commit or abort, as in every
    // SketchUp since 2016. The order they then come in differs between versions:
    //  - current SketchUp (true): onTransactionStart, onTransactionCommit, then the element
    //    events; an undo or redo announces itself first, then the events of what it reverted
    //    or applied again (material changes as onMaterialUndoRedo);
    //  - SketchUp 2017-18 (false): the element events inside the bracket; an undo's events
    //    before onTransactionUndo; a redo only onTransactionRedo.
    bool deferElementEvents = false;
    // After an undo or redo, the entities it touched get new Ruby objects (same entity id; the
    // old objects report deleted?), as SketchUp does.
    bool freshObjectsAfterUndo = false;

    // ---- observers
    void AddListener(EventListener* l);
    void RemoveListener(EventListener* l);

    // ---- geometry
    // A face from its outer ring. Points that coincide with existing vertices of the
    // collection reuse them, and so do edges, so neighbours share edges. A face drawn inside
    // a coplanar face of the same collection also cuts a hole in it. Null for fewer than
    // three distinct points or collinear points.
    Face* AddFace(Entities* in, const std::vector<Vec3>& outer);
    // A face with holes given at once (used by importers and generators).
    Face* AddFaceWithHoles(Entities* in, const std::vector<Vec3>& outer, const std::vector<std::vector<Vec3>>& holes);
    Edge* AddEdge(Entities* in, const Vec3& a, const Vec3& b);
    // Erases drawing elements in one step; erasing an edge erases the faces it bounds.
    void Erase(const std::vector<DrawingElement*>& doomed);
    void SetEdgeFlags(Edge* e, std::optional<bool> soft, std::optional<bool> smooth, std::optional<bool> hidden);
    void SetMaterial(DrawingElement* e, Material* m);
    void SetBackMaterial(Face* f, Material* m);
    void SetHidden(DrawingElement* e, bool hidden);
    void SetLayer(DrawingElement* e, Layer* layer);
    void ReverseFace(Face* f);
    void SetTextureAxes(Face* f, const Vec3& origin, const Vec3& u, const Vec3& v);
    // Moves the given geometry (vertices of faces and edges) or composes the transformation of
    // the given placements.
    void TransformEntities(const Transform& t, const std::vector<DrawingElement*>& which);
    // Pushes a face whose every edge has a neighbour across the push (the top of a box) along its
    // normal, stretching the neighbours; false, and nothing changed, for any other face.
    bool PushPull(Face* f, double distance);

    // ---- components, groups and images
    ComponentDefinition* AddDefinition(const std::string& name);
    ComponentInstance* AddInstance(Entities* in, ComponentDefinition* def, const Transform& t);
    ComponentInstance* AddGroup(Entities* in);  // type Group, with a new definition of its own
    Image* AddImage(Entities* in, Texture* picture, const Vec3& origin, double width, double height);
    void SetTransform(ComponentInstance* inst, const Transform& t);
    void SetDefinition(ComponentInstance* inst, ComponentDefinition* def);
    // Gives the placement a copy of its definition when the definition is shared.
    void MakeUnique(ComponentInstance* inst);
    void SetCutsOpening(ComponentDefinition* def, bool cuts);
    void SetAlwaysFaceCamera(ComponentDefinition* def, bool faces);
    void SetDefinitionName(ComponentDefinition* def, const std::string& name);
    void Glue(ComponentInstance* inst, Face* face);
    void SetInstanceName(ComponentInstance* inst, const std::string& name);

    // ---- materials and textures
    Material* AddMaterial(const std::string& name);
    Texture* CreateTexture(int pixelWidth, int pixelHeight, int bitsPerPixel, std::vector<uint8_t> pixels,
                           double width, double height, const std::string& fileName);
    void SetMaterialColor(Material* m, const Color& c);
    void SetMaterialAlpha(Material* m, double alpha);
    void SetMaterialTexture(Material* m, Texture* t);
    void SetMaterialColorized(Material* m, bool colorized);
    void SetMaterialName(Material* m, const std::string& name);
    void RemoveMaterial(Material* m);
    // Removes every material that no drawing element is painted with; returns how many went.
    int PurgeUnusedMaterials();
    std::string UniqueMaterialName(const std::string& wanted) const;
    // The size of one repeat in inches; the materials using the texture report a change.
    void SetTextureSize(Texture* t, double width, double height);

    // ---- attribute dictionaries
    AttributeDictionary* Dictionary(Entity* e, const std::string& name, bool create);
    void SetAttribute(Entity* e, const std::string& dict, const std::string& key, const Value& v);
    void DeleteAttribute(Entity* e, const std::string& dict, const std::string& key);

    // ---- layers
    Layer* AddLayer(const std::string& name);
    void SetLayerVisible(Layer* l, bool visible);
    void SetLayerColor(Layer* l, const Color& c);
    // Ignored when another layer already has the name.
    void SetLayerName(Layer* l, const std::string& name);
    // Entities on a removed layer move to the default layer.
    void RemoveLayer(Layer* l);

    // ---- pages, view, options, tools, selection
    Page* AddPage(const std::string& name);
    // The selection moves to the first page left, if any. Pages are not on the undo stack.
    void RemovePage(Page* p);
    void SelectPage(Page* p);
    void SetPageHidden(Page* p, const std::vector<Entity*>& hidden);
    void SetPageLayerVisible(Page* p, Layer* l, bool visible);
    void SetPageName(Page* p, const std::string& name);
    void SetPageCamera(Page* p, const Camera& c);
    void SetCamera(const Camera& c);
    void SetRenderingOption(const std::string& key, const Value& v);
    void SetActiveTool(int id, const std::string& name);
    void SetSelection(const std::vector<Entity*>& entities);

    // ---- editing context
    // Opens the given path of nested placements for editing (an undoable step, as in SketchUp).
    void SetActivePath(const std::vector<ComponentInstance*>& path);
    // Closes the innermost open context; false when none is open.
    bool CloseActive();

    // ---- saving
    void Save(const std::string& newPath);
    // True when the document differs from what was last saved (a new model: from empty).
    bool Modified() const;

    // ---- for the C API and the Ruby layer
    template <typename T, typename... Args>
    T* Make(Args&&... args) {
        auto obj = std::make_unique<T>(this, nextId_++, std::forward<Args>(args)...);
        T* raw = obj.get();
        arena_.push_back(std::move(obj));
        byId_[raw->id] = raw;
        return raw;
    }
    // Objects without an entity id (entities collections).
    template <typename T, typename... Args>
    T* MakeObject(Args&&... args) {
        auto obj = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = obj.get();
        arena_.push_back(std::move(obj));
        return raw;
    }
    void Emit(Event e);
    // Applies one recorded edit: apply() now and on redo, undo() on undo or abort; the forward
    // events are sent now, the revert events when it is undone.
    void Edit(const char* name, std::function<void()> apply, std::function<void()> undo, std::vector<Event> forward,
              std::vector<Event> revert);

private:
    struct OperationScope;  // opens an implicit operation around one edit when none is open

    void Record(Change c);
    void Fire(const Event& e);
    void FireAll(const std::vector<Event>& events);
    // Reverts the operation's changes, newest first, and returns the events that announce it.
    std::vector<Event> Revert(Operation& op);
    // The subjects of the events get new Ruby objects when the model hands those out.
    void RenewObjects(const std::vector<Event>& events);
    Vertex* FindOrAddVertex(Entities* in, const Vec3& p, std::vector<DrawingElement*>& added);
    Edge* FindOrAddEdge(Entities* in, Vertex* a, Vertex* b, std::vector<DrawingElement*>& added);
    Loop* MakeLoop(Entities* in, const std::vector<Vec3>& ring, std::vector<DrawingElement*>& added);
    Face* FindEnclosingFace(Entities* in, const std::vector<Vec3>& ring, const Vec3& normal) const;
    // Attaching and detaching keep the back references (edge->faces, vertex->edges,
    // definition->instances) in step with the collection.
    void Attach(DrawingElement* e, Entities* in, size_t index);
    size_t Detach(DrawingElement* e);
    void RecordAttach(DrawingElement* e, Entities* in);
    void EmitModified(DrawingElement* e);
    void CopyContents(Entities* from, Entities* to);
    std::vector<Face*> FacesUsing(const std::vector<Vertex*>& moved) const;

    uint32_t nextId_ = 1;
    std::vector<std::unique_ptr<Object>> arena_;
    std::unordered_map<uint32_t, Entity*> byId_;
    std::vector<EventListener*> listeners_;
    std::unique_ptr<Operation> open_;
    std::vector<Event> queued_;  // observer calls waiting for the open operation to end
    std::vector<std::unique_ptr<Operation>> undo_, redo_;
    bool nextJoins_ = false;  // the operation committed last asked the next one to join it
    std::unordered_set<std::string> definitionNames_;
    std::unordered_map<std::string, int> definitionNameCounters_;
    // The newest undoable operation when last saved; nothing once that state cannot come back.
    std::optional<const Operation*> saved_ = nullptr;
};

}  // namespace hostsim
