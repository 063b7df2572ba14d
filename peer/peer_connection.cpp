#include "peer/peer_connection.h"

#include "liveconnection/shared_word.h"
#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace korvan::peer {

const uint8_t* PeerConnection::MainView() const {
    return static_cast<const uint8_t*>(mainView);
}

size_t PeerConnection::MainViewSize() const {
    return mainView != nullptr ? platform::MappingSize(mainHandle) : 0;
}

size_t PeerConnection::SectionViewSize(uint32_t sectionId) const {
    TwinLinkAPI::SectionTable::const_accessor entry;
    if (!sections.find(entry, sectionId) || entry->second.view == nullptr) return 0;
    return platform::MappingSize(entry->second.handle);
}

uint32_t PeerConnection::CreatorProcessId() const {
    return header != nullptr ? TwinLinkAPI::LoadShared(header->creatorProcessId) : 0;
}

uint32_t PeerConnection::LockOwner() const {
    return header != nullptr ? TwinLinkAPI::LoadShared(header->lockOwner) : 0;
}

bool AttachLink(PeerConnection& connection, const std::optional<std::u16string>& name,
                std::string* error) {
    std::u16string target;
    if (name) {
        target = *name;
    } else {
        const std::vector<std::u16string> links = connection.EnumerateConnections(0);
        if (links.empty()) {
            if (error) *error = "no live link in the directory";
            return false;
        }
        target = links.front();
    }
    if (connection.Attach(target) != 0) {
        if (error) *error = "cannot open the link \"" + platform::Utf16ToUtf8(target) + "\"";
        return false;
    }
    return true;
}

bool EndLink(PeerConnection& connection) {
    if (!connection.IsOpen()) return false;
    connection.MarkHeader(TwinLinkAPI::kPeerClosedFlag);
    return true;
}

}  // namespace korvan::peer
