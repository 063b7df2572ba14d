// HashData is shlwapi's own.
#include "windows_api.h"

namespace twinlink::platform {

void HashData(const uint8_t* data, size_t size, uint8_t* out, size_t outSize) {
    if (!out || (!data && size != 0)) return;
    // shlwapi refuses a null source even for no bytes; an empty input hashes the same from any.
    BYTE none = 0;
    BYTE* source = size == 0 ? &none : const_cast<BYTE*>(data);
    ::HashData(source, static_cast<DWORD>(size), out, static_cast<DWORD>(outSize));
}

}  // namespace twinlink::platform
