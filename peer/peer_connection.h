// The attaching side of a link as the peer uses it: a LiveConnection that also tells how large
// its mappings really are. The peer reads shared memory only within those sizes, never within
// the sizes that the shared header or a record claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "liveconnection/live_connection.h"

namespace korvan::peer {

class PeerConnection : public TwinLinkAPI::LiveConnection {
  public:
    // The attached main section; null and 0 when nothing is attached.
    const uint8_t* MainView() const;
    size_t MainViewSize() const;
    // The mapped size of a data section that MapSection has opened; 0 when it is not open.
    size_t SectionViewSize(uint32_t sectionId) const;
    uint32_t OwnProcessId() const { return processId; }
    // The process that hosts the link (header word at 48); 0 when nothing is attached.
    uint32_t CreatorProcessId() const;
    // The header's lock word as it is now: the holder's process id, 0 when free or not attached.
    uint32_t LockOwner() const;
};

// Attaches to the named link, or with no name to the first live link in the directory.
// False, with the reason in `error`, when there is none or it cannot be opened.
bool AttachLink(PeerConnection& connection, const std::optional<std::u16string>& name,
                std::string* error);

// Ends the link from Korvan's side: header flag 2, after which the plug-in's next check stops
// the link. False when nothing is attached.
bool EndLink(PeerConnection& connection);

}  // namespace korvan::peer
