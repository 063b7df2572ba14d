// Korvan::KorvanObserver, the plug-in's one Ruby observer. It is attached to the application for
// the life of the process and, while a link runs, to the linked model and its collections;
// each callback forwards the event to the controller.
#pragma once

#include <ruby/ruby.h>

namespace korvan {

// Defines the class under Korvan (a Sketchup::AppObserver), creates its single instance and
// attaches it to the application. Returns the instance.
VALUE CreateKorvanObserver();

}  // namespace korvan
