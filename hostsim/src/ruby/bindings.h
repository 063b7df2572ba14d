// Entry points of the parts of the hostsim Ruby extension; Init_hostsim_ext calls each once.
#pragma once

#include <ruby.h>

namespace hostsim::ruby {

// HostSim::Desktop: the recorded message boxes and dialogs, and the answers scripts give them.
void DefineDesktop(VALUE mHostSim);
// Geom::Point3d, Geom::Vector3d, Geom::Transformation.
void DefineGeom();
// add_observer/remove_observer and the delivery of document events to Ruby observers.
void DefineObservers();
// The entity classes, Entities, DefinitionList and Model (entity_bindings/, model_binding.cpp).
void DefineEntities();
// Materials, textures, colours, layers, pages, view, camera, rendering options, tools, selection.
void DefineAppearanceAndView();
// HostSim's model sources: the sample house, the city generator and file import.
void DefineModelSources();
// HostSim.summary: what a model holds, with its triangles as drawn.
void DefineSummary();
// HostSim.meshing_seconds, reset_meshing_clock and time_meshing: what meshing faces costs the host.
void DefineMeshing();
void DefineDrawnTriangles();

}  // namespace hostsim::ruby
