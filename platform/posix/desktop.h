// Message boxes. The host application shows them when it provides a desktop: hostsim's
// libSketchUpAPI exports hostsim_desktop_message_box, found in the process at run time. Without
// one, the box is printed to stderr and answered with its default button, as a person pressing
// Enter would.
#pragma once

#include <cstdint>
#include <string>

namespace twinlink::platform::posix {

// The box without a host desktop: printed to stderr, answered with its default button.
int PrintedMessageBox(const std::u16string& text, const std::u16string& caption, uint32_t flags);

}  // namespace twinlink::platform::posix
