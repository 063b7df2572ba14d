// Before a link is hosted, the start makes sure that a Korvan recent enough to read it is
// running, or at least installed, and talks to the user when it is not.
#pragma once

namespace korvan {

// True when the start may go on. Shows its own messages when it finds no suitable Korvan.
bool CheckRenderer();

}  // namespace korvan
