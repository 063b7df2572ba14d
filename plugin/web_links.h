// The maker's web pages the plug-in opens, each with a campaign query that tells the host and
// the plug-in's version.
#pragma once

#include <string>

namespace korvan {

// The maker's web host; the paths and the query are fixed.
inline constexpr char16_t kMakerHost[] = u"www.korvan-render.com";

// "?utm_source=<host identity>&utm_medium=<plug-in version>&utm_campaign=Sketchup%20TwinLink",
// each part percent-encoded. Built once per process.
const std::u16string& WebLinkQuery();
const std::u16string& HomePageLink();
const std::u16string& SupportPageLink();
const std::u16string& ExportersPageLink();

}  // namespace korvan
