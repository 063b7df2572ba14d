#include "plugin/link_descriptor.h"

#include "plugin/host_identity.h"
#include "plugin/plugin_version.h"
#include "rubybridge/string_utilities.h"

namespace korvan {

TwinLinkAPI::DescriptorMap BuildLinkDescriptor(const std::u16string& modelPath,
                                               const std::u16string& vertexCount,
                                               int32_t elapsedMicroseconds, bool cameraSync) {
    using TwinLinkAPI::kEncodedValue;
    using TwinLinkAPI::kVerbatimValue;
    TwinLinkAPI::DescriptorMap descriptor;
    descriptor[u"toolName"] = {kEncodedValue, HostEditionName()};
    descriptor[u"toolVersion"] = {kEncodedValue, HostVersion()};
    descriptor[u"format"] = {kEncodedValue, u"TL"};
    descriptor[u"pluginVersion"] = {kEncodedValue, kPluginVersionWide};
    descriptor[u"fileNameCrc"] = {
        kVerbatimValue, FormatWide(u"%llu", static_cast<unsigned long long>(HashPath(modelPath)))};
    descriptor[u"vertexCount"] = {kVerbatimValue, vertexCount};
    descriptor[u"time"] = {kVerbatimValue,
                           FormatWide(u"%d", static_cast<int>(elapsedMicroseconds))};
    descriptor[u"cameraSync"] = {kVerbatimValue, cameraSync ? u"1" : u"0"};
    return descriptor;
}

}  // namespace korvan
