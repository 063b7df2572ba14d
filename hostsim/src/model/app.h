// The running application: its edition and version, the active model, and the observers
// of application events. Models are never freed while the process runs, so references
// that scripts or the plug-in still hold stay valid after a new model replaces them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/model.h"

namespace hostsim {

class App {
public:
    static App& Instance();

    Model* ActiveModel() const { return active_; }
    // A new empty model, or one filled by a loader, becomes active; observers hear
    // onNewModel or onOpenModel.
    Model* NewModel();
    Model* OpenModel(std::unique_ptr<Model> loaded);
    // Takes a model without making it active (loaders build into it first).
    std::unique_ptr<Model> CreateDetached() const { return std::make_unique<Model>(); }
    bool IsLive(const Model* m) const;
    void Quit();
    // An extension is being unloaded: observers hear onUnloadExtension with its name.
    void UnloadExtension(const std::string& name);

    void AddListener(EventListener* l);
    void RemoveListener(EventListener* l);

    // What SUGetEdition and SUGetVersionStringUtf8 report: 1 Make, 2 Pro, 0 unknown;
    // an edition below 0 makes SUGetEdition fail, an empty version makes the version fail.
    int edition = 2;
    std::string version = "17.3.116";

private:
    App();
    void Fire(const Event& e);
    Model* Adopt(std::unique_ptr<Model> m);

    std::vector<std::unique_ptr<Model>> models_;
    Model* active_ = nullptr;
    std::vector<EventListener*> listeners_;
};

}  // namespace hostsim
