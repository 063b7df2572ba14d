#include "plugin/web_links.h"

#include "liveconnection/wide_text.h"
#include "plugin/host_identity.h"
#include "plugin/plugin_version.h"
#include "rubybridge/string_utilities.h"

namespace korvan {

namespace {

std::u16string PageLink(const char16_t* path) {
    return FormatWide(u"https://%s%s%s", kMakerHost, path, WebLinkQuery().c_str());
}

}  // namespace

// Function-local statics: built on first use, safely even if two threads raced.
const std::u16string& WebLinkQuery() {
    static const std::u16string query = [] {
        using TwinLinkAPI::PercentEncode;
        const std::u16string source = PercentEncode(HostIdentityText());
        const std::u16string medium = PercentEncode(kPluginVersionWide);
        const std::u16string campaign = PercentEncode(u"Sketchup TwinLink");
        return FormatWide(u"?utm_source=%s&utm_medium=%s&utm_campaign=%s", source.c_str(),
                          medium.c_str(), campaign.c_str());
    }();
    return query;
}

const std::u16string& HomePageLink() {
    static const std::u16string link = PageLink(u"");
    return link;
}

const std::u16string& SupportPageLink() {
    static const std::u16string link = PageLink(u"/support.html");
    return link;
}

const std::u16string& ExportersPageLink() {
    static const std::u16string link = PageLink(u"/sketchup-exporters.html");
    return link;
}

}  // namespace korvan
