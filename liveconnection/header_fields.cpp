// The header's flags, counters and text fields.
#include <algorithm>

#include "liveconnection/live_connection.h"
#include "liveconnection/shared_word.h"

namespace TwinLinkAPI {
namespace {

// Copies at most capacity - 1 units, always terminates and zero-fills the rest of the field, so a
// reader never sees the tail of an earlier, longer text.
template <size_t Capacity>
void CopyIntoField(char16_t (&field)[Capacity], const std::u16string& text) {
    const size_t length = std::min(text.size(), Capacity - 1);
    std::copy_n(text.data(), length, field);
    std::fill(field + length, field + Capacity, u'\0');
}

}  // namespace

void LiveConnection::MarkHeader(uint32_t flags) {
    if (!IsOpen()) return;
    if (flags & kChangedFlag) {
        SharedWord(header->record.changeCounter).fetch_add(1);
        SharedWord(header->updateCount).fetch_add(1);
    }
    SharedWord(header->record.flags).fetch_or(flags);
}

void LiveConnection::ClearHeaderFlags(uint32_t flags) {
    if (!IsOpen()) return;
    SharedWord(header->record.flags).fetch_and(~flags);
}

uint32_t LiveConnection::TestHeaderFlags(uint32_t flags) const {
    if (!IsOpen()) return 0;
    return LoadShared(header->record.flags) & flags;
}

void LiveConnection::SetUpdateCount(uint32_t count) {
    if (!IsOpen()) return;
    StoreShared(header->updateCount, count);
}

uint32_t LiveConnection::GetUpdateCount() const {
    if (!IsOpen()) return 0;
    return LoadShared(header->updateCount);
}

void LiveConnection::SetModelGuid(const std::u16string& guid) {
    if (!IsOpen()) return;
    CopyIntoField(header->modelGuid, guid);
}

const char16_t* LiveConnection::GetModelGuid() const {
    return IsOpen() ? header->modelGuid : nullptr;
}

void LiveConnection::SetPeerPathA(const std::u16string& path) {
    if (!IsOpen()) return;
    CopyIntoField(header->peerPathA, path);
}

const char16_t* LiveConnection::GetPeerPathA() const {
    return IsOpen() ? header->peerPathA : nullptr;
}

void LiveConnection::SetPeerPathB(const std::u16string& path) {
    if (!IsOpen()) return;
    CopyIntoField(header->peerPathB, path);
}

const char16_t* LiveConnection::GetPeerPathB() const {
    return IsOpen() ? header->peerPathB : nullptr;
}

void LiveConnection::SetPeerValue(uint32_t value) {
    if (!IsOpen()) return;
    StoreShared(header->peerValue, value);
}

uint32_t LiveConnection::GetPeerValue() const {
    if (!IsOpen()) return 0;
    return LoadShared(header->peerValue);
}

}  // namespace TwinLinkAPI
