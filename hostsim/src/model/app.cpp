#include "model/app.h"

#include <algorithm>

namespace hostsim {

App& App::Instance() {
    static App app;
    return app;
}

App::App() { active_ = Adopt(std::make_unique<Model>()); }

Model* App::Adopt(std::unique_ptr<Model> m) {
    Model* raw = m.get();
    models_.push_back(std::move(m));
    return raw;
}

bool App::IsLive(const Model* m) const {
    return std::any_of(models_.begin(), models_.end(), [m](const auto& p) { return p.get() == m; });
}

Model* App::NewModel() {
    active_ = Adopt(std::make_unique<Model>());
    Fire({EventKind::NewModel, active_});
    return active_;
}

Model* App::OpenModel(std::unique_ptr<Model> loaded) {
    active_ = Adopt(std::move(loaded));
    Fire({EventKind::OpenModel, active_});
    return active_;
}

void App::Quit() { Fire({EventKind::Quit, nullptr}); }

void App::UnloadExtension(const std::string& name) {
    Fire({EventKind::UnloadExtension, nullptr, nullptr, 0, 0, name});
}

void App::AddListener(EventListener* l) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void App::RemoveListener(EventListener* l) { std::erase(listeners_, l); }

void App::Fire(const Event& e) {
    std::vector<EventListener*> now = listeners_;
    for (EventListener* l : now) l->OnEvent(e);
}

}  // namespace hostsim
