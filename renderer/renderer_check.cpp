#include "renderer/renderer_check.h"

namespace korvan {

// Looking for Korvan's windows and installations, comparing their versions with the minimum
// and offering to start or obtain Korvan come with the renderer discovery. Until then every
// start goes on, and a Korvan started later finds the link in the directory.
bool CheckRenderer() {
    return true;
}

}  // namespace korvan
