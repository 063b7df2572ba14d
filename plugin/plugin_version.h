// The plug-in's version: published to Ruby as Korvan::CEXT_VERSION, shown in the About box,
// sent in the link descriptor and carried by the web links.
#pragma once

namespace korvan {

inline constexpr char kPluginVersion[] = "3.52.774";
inline constexpr char16_t kPluginVersionWide[] = u"3.52.774";

}  // namespace korvan
