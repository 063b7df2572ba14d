// Pages, the view, rendering options, tools, selection, the editing context and saving.
#include <algorithm>
#include <fstream>

#include "model/guid.h"
#include "model/model.h"
#include "model/operation_scope.h"

namespace hostsim {

namespace {
// SketchUp's codes for onRenderingOptionsChanged.
int RenderingOptionChangeType(const std::string& key) {
    if (key == "DisplayColorByLayer") return 16;
    if (key == "DrawHidden") return 27;
    if (key == "Texture") return 3;
    if (key == "RenderMode") return 1;
    return 0;
}
}  // namespace

Page* Model::AddPage(const std::string& name) {
    Page* p = Make<Page>();
    p->name = name.empty() ? "Scene " + std::to_string(pages.size() + 1) : name;
    p->camera = camera;
    pages.push_back(p);
    if (!selectedPage) selectedPage = p;
    Emit({EventKind::PageAdded, this, p});
    Emit({EventKind::PagesContentsModified, this});
    return p;
}

void Model::RemovePage(Page* p) {
    if (!p || p->deleted) return;
    std::erase(pages, p);
    p->deleted = true;
    if (selectedPage == p) selectedPage = pages.empty() ? nullptr : pages.front();
    Emit({EventKind::PageRemoved, this, p});
}

void Model::SetPageHidden(Page* p, const std::vector<Entity*>& hidden) { p->hiddenEntities = hidden; }

void Model::SetPageLayerVisible(Page* p, Layer* l, bool visible) {
    std::erase(p->hiddenLayers, l);
    if (!visible) p->hiddenLayers.push_back(l);
}

void Model::SetPageName(Page* p, const std::string& name) {
    if (p->name == name) return;
    p->name = name;
    Emit({EventKind::PagesContentsModified, this});
}

void Model::SetPageCamera(Page* p, const Camera& c) {
    if (p->camera == c) return;
    p->camera = c;
    Emit({EventKind::PagesContentsModified, this});
}

void Model::SelectPage(Page* p) {
    // Showing a page hides what it hides and shows what the previous page hid. SketchUp reports
    // this as a change of the pages and of the view, not of each entity.
    auto setHidden = [](Entity* e, bool hidden) {
        if (auto* d = dynamic_cast<DrawingElement*>(e)) d->hidden = hidden;
    };
    if (selectedPage)
        for (Entity* e : selectedPage->hiddenEntities) setHidden(e, false);
    // Layers change as the user would switch them, each reported as changed, but the switch is
    // the scene's and not on the undo stack.
    std::vector<Layer*> shown = selectedPage ? selectedPage->hiddenLayers : std::vector<Layer*>{};
    selectedPage = p;
    if (p) {
        for (Entity* e : p->hiddenEntities) setHidden(e, true);
        for (Layer* l : p->hiddenLayers) std::erase(shown, l);
        camera = p->camera;
    }
    auto setLayerVisible = [this](Layer* l, bool visible) {
        if (l->deleted || l->visible == visible) return;
        l->visible = visible;
        Emit({EventKind::LayerChanged, this, l});
    };
    for (Layer* l : shown) setLayerVisible(l, true);
    if (p)
        for (Layer* l : p->hiddenLayers) setLayerVisible(l, false);
    // SketchUp reports the pages' contents twice for one selection.
    Emit({EventKind::PagesContentsModified, this});
    Emit({EventKind::PagesContentsModified, this});
    Emit({EventKind::ViewChanged, this});
}

void Model::SetCamera(const Camera& c) {
    camera = c;
    Emit({EventKind::ViewChanged, this});
}

void Model::SetRenderingOption(const std::string& key, const Value& v) {
    auto it = renderingOptions.find(key);
    std::optional<Value> old;
    if (it != renderingOptions.end()) {
        if (it->second == v) return;
        old = it->second;
    }
    Event changed{EventKind::RenderingOptionsChanged, this, nullptr, 0, RenderingOptionChangeType(key)};
    Edit(
        "Rendering Options", [this, key, v] { renderingOptions[key] = v; },
        [this, key, old] {
            if (old) renderingOptions[key] = *old;
            else renderingOptions.erase(key);
        },
        {changed}, {changed});
}

void Model::SetActiveTool(int id, const std::string& name) {
    activeToolId = id;
    activeToolName = name;
    Event e{EventKind::ActiveToolChanged, this, nullptr, 0, id, name};
    Emit(e);
}

void Model::SetSelection(const std::vector<Entity*>& chosen) {
    selection = chosen;
    Emit({EventKind::SelectionChanged, this});
}

void Model::SetActivePath(const std::vector<ComponentInstance*>& path) {
    std::vector<ComponentInstance*> old = activePath;
    if (old == path) return;
    Event changed{EventKind::ActivePathChanged, this};
    Edit("Edit Component", [this, path] { activePath = path; }, [this, old] { activePath = old; }, {changed},
         {changed});
}

bool Model::CloseActive() {
    if (activePath.empty()) return false;
    std::vector<ComponentInstance*> outer(activePath.begin(), activePath.end() - 1);
    SetActivePath(outer);
    return true;
}

void Model::Save(const std::string& newPath) {
    Emit({EventKind::PreSaveModel, this});
    path = newPath;
    guid = NewGuid();
    saved_ = undo_.empty() ? nullptr : undo_.back().get();
    // Leave a file where the model was saved, as SketchUp does; its content is not read back.
    std::ofstream out(newPath, std::ios::binary | std::ios::trunc);
    if (out) out << "hostsim model " << guid << "\n";
    Emit({EventKind::PostSaveModel, this});
}

bool Model::Modified() const {
    if (open_ && !open_->changes.empty()) return true;
    return !saved_ || (undo_.empty() ? nullptr : undo_.back().get()) != *saved_;
}

}  // namespace hostsim
