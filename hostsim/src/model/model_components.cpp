// Editing component definitions, their placements, groups and images.
#include <algorithm>

#include "model/guid.h"
#include "model/model.h"
#include "model/operation_scope.h"

namespace hostsim {

ComponentDefinition* Model::AddDefinition(const std::string& name) {
    ComponentDefinition* def = Make<ComponentDefinition>();
    def->entities = MakeObject<Entities>(this, def);
    def->guid = NewGuid();
    // Names are never handed out twice, not even after an undo, so one counter per base name
    // finds the next free one without scanning every definition.
    std::string base = name.empty() ? "Component" : name;
    std::string unique = base;
    int& n = definitionNameCounters_[base];
    while (!definitionNames_.insert(unique).second) unique = base + "#" + std::to_string(++n);
    def->name = unique;
    auto add = [this, def] {
        def->deleted = false;
        definitions.push_back(def);
    };
    auto remove = [this, def] {
        def->deleted = true;
        std::erase(definitions, def);
    };
    Edit("Add Definition", add, remove, {{EventKind::ComponentAdded, this, def}}, {{EventKind::ComponentRemoved, this, def}});
    return def;
}

ComponentInstance* Model::AddInstance(Entities* in, ComponentDefinition* def, const Transform& t) {
    if (!def) return nullptr;
    OperationScope scope(*this, "Place Component");
    auto* inst = Make<ComponentInstance>(RefType::ComponentInstance);
    inst->definition = def;
    inst->transform = t;
    inst->guid = NewGuid();
    RecordAttach(inst, in);
    return inst;
}

ComponentInstance* Model::AddGroup(Entities* in) {
    OperationScope scope(*this, "Group");
    ComponentDefinition* def = AddDefinition("Group");
    def->kind = DefinitionKind::Group;
    auto* group = Make<ComponentInstance>(RefType::Group);
    group->definition = def;
    group->guid = NewGuid();
    RecordAttach(group, in);
    return group;
}

Image* Model::AddImage(Entities* in, Texture* picture, const Vec3& origin, double width, double height) {
    if (!picture || width <= 0 || height <= 0) return nullptr;
    OperationScope scope(*this, "Add Image");
    // The picture lies on a unit square of its own definition; the placement scales it.
    ComponentDefinition* def = AddDefinition("Image");
    def->kind = DefinitionKind::Image;
    Material* paint = Make<Material>();
    paint->name = "[" + (picture->fileName.empty() ? std::string("Image") : picture->fileName) + "]";
    paint->texture = picture;
    picture->width = picture->height = 1;
    Face* face = AddFaceWithHoles(def->entities, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {});
    face->material = paint;
    auto* image = Make<Image>();
    image->definition = def;
    image->transform = Transform::Translation(origin) * Transform::Scaling(width, height, 1);
    image->path = picture->fileName;
    image->imageMaterial = paint;
    RecordAttach(image, in);
    return image;
}

void Model::SetTransform(ComponentInstance* inst, const Transform& t) {
    Transform old = inst->transform;
    if (old == t) return;
    Edit("Move", [inst, t] { inst->transform = t; }, [inst, old] { inst->transform = old; }, {ModifiedEvent(inst)},
         {ModifiedEvent(inst)});
}

void Model::SetDefinition(ComponentInstance* inst, ComponentDefinition* def) {
    ComponentDefinition* old = inst->definition;
    if (!def || old == def) return;
    auto move = [inst](ComponentDefinition* from, ComponentDefinition* to) {
        return [inst, from, to] {
            if (!inst->deleted) {
                std::erase(from->instances, inst);
                to->instances.push_back(inst);
            }
            inst->definition = to;
        };
    };
    Edit("Replace Definition", move(old, def), move(def, old), {ModifiedEvent(inst)}, {ModifiedEvent(inst)});
}

void Model::MakeUnique(ComponentInstance* inst) {
    ComponentDefinition* def = inst->definition;
    if (!def || def->instances.size() < 2) return;
    OperationScope scope(*this, "Make Unique");
    ComponentDefinition* copy = AddDefinition(def->name);
    copy->kind = def->kind;
    copy->cutsOpening = def->cutsOpening;
    copy->alwaysFaceCamera = def->alwaysFaceCamera;
    CopyContents(def->entities, copy->entities);
    SetDefinition(inst, copy);
}

void Model::SetCutsOpening(ComponentDefinition* def, bool cuts) {
    bool old = def->cutsOpening;
    if (old == cuts) return;
    Edit("Behavior", [def, cuts] { def->cutsOpening = cuts; }, [def, old] { def->cutsOpening = old; }, {}, {});
}

void Model::SetAlwaysFaceCamera(ComponentDefinition* def, bool faces) {
    bool old = def->alwaysFaceCamera;
    if (old == faces) return;
    Edit("Behavior", [def, faces] { def->alwaysFaceCamera = faces; }, [def, old] { def->alwaysFaceCamera = old; }, {},
         {});
}

void Model::SetDefinitionName(ComponentDefinition* def, const std::string& name) {
    std::string old = def->name;
    if (old == name) return;
    definitionNames_.insert(name);
    Edit("Rename", [def, name] { def->name = name; }, [def, old] { def->name = old; }, {}, {});
}

void Model::Glue(ComponentInstance* inst, Face* face) {
    Face* old = inst->gluedTo;
    if (old == face) return;
    auto glue = [inst](Face* from, Face* to) {
        return [inst, from, to] {
            if (from) std::erase(from->glued, inst);
            if (to && !inst->deleted) to->glued.push_back(inst);
            inst->gluedTo = to;
        };
    };
    std::vector<Event> events{ModifiedEvent(inst)};
    for (Face* f : {old, face})
        if (f) events.push_back(ModifiedEvent(f));
    Edit("Glue", glue(old, face), glue(face, old), events, events);
}

void Model::SetInstanceName(ComponentInstance* inst, const std::string& name) {
    std::string old = inst->name;
    Edit("Rename", [inst, name] { inst->name = name; }, [inst, old] { inst->name = old; }, {ModifiedEvent(inst)},
         {ModifiedEvent(inst)});
}

void Model::CopyContents(Entities* from, Entities* to) {
    auto points = [](const Loop* loop) { return loop->Points(); };
    for (DrawingElement* e : from->items) {
        if (e->type == RefType::Face) {
            auto* f = static_cast<Face*>(e);
            std::vector<std::vector<Vec3>> holes;
            for (const Loop* h : f->inner) holes.push_back(points(h));
            Face* c = AddFaceWithHoles(to, points(f->outer), holes);
            if (!c) continue;
            c->material = f->material;
            c->backMaterial = f->backMaterial;
            c->layer = f->layer;
            c->hidden = f->hidden;
            c->textureOrigin = f->textureOrigin;
            c->textureU = f->textureU;
            c->textureV = f->textureV;
        }
    }
    for (DrawingElement* e : from->items) {
        if (e->type == RefType::Edge) {
            auto* src = static_cast<Edge*>(e);
            Edge* c = AddEdge(to, src->start->position, src->end->position);
            if (!c) continue;
            c->soft = src->soft;
            c->smooth = src->smooth;
            c->hidden = src->hidden;
            c->layer = src->layer;
            c->material = src->material;
        } else if (e->type == RefType::ComponentInstance || e->type == RefType::Group) {
            auto* src = static_cast<ComponentInstance*>(e);
            ComponentInstance* c = nullptr;
            if (e->type == RefType::Group) {
                c = AddGroup(to);
                CopyContents(src->definition->entities, c->definition->entities);
                c->transform = src->transform;
            } else {
                c = AddInstance(to, src->definition, src->transform);
            }
            c->material = src->material;
            c->layer = src->layer;
            c->hidden = src->hidden;
            c->name = src->name;
        } else if (e->type == RefType::Image) {
            auto* src = static_cast<Image*>(e);
            ComponentInstance* c = AddImage(to, src->imageMaterial->texture, {0, 0, 0}, 1, 1);
            c->transform = src->transform;
            c->layer = src->layer;
            c->hidden = src->hidden;
        }
    }
}

}  // namespace hostsim
