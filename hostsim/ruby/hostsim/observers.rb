# SketchUp's observer base classes. Every callback is optional: hostsim calls only the
# methods an observer defines, so the classes are empty, as in SketchUp.
module Sketchup
  class AppObserver; end
  class ModelObserver; end
  class EntitiesObserver; end
  class EntityObserver; end
  class LayersObserver; end
  class MaterialsObserver; end
  class DefinitionsObserver; end
  class DefinitionObserver < EntityObserver; end
  class PagesObserver; end
  class RenderingOptionsObserver; end
  class ToolsObserver; end
  class ViewObserver; end
  class SelectionObserver; end
end
