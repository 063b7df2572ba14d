// The descriptor sent once at every start of a link: who talks to Korvan (host and plug-in),
// the exchange format, which model file, how long the first load took and whether the camera
// follows.
#pragma once

#include <cstdint>
#include <string>

#include "liveconnection/descriptor_text.h"

namespace korvan {

// The descriptor's entries for the model at `modelPath` (exactly as Ruby gave it), whose mirror
// holds `vertexCount` vertices (decimal text), a start that took `elapsedMicroseconds`, and the
// camera synchronisation as it is now.
TwinLinkAPI::DescriptorMap BuildLinkDescriptor(const std::u16string& modelPath,
                                               const std::u16string& vertexCount,
                                               int32_t elapsedMicroseconds, bool cameraSync);

}  // namespace korvan
