// Before a link is hosted, the start makes sure that a Korvan recent enough to read it is
// running, or at least installed, and talks to the user when it is not.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvan {

// How the check reaches the user: the plug-in's message box (returns the button pressed) and
// the maker's home page.
struct RendererPrompts {
    std::function<int(const std::u16string& text, const std::u16string& caption, uint32_t flags)> ask;
    std::function<void()> openHomePage;
};

// True when the start may go on. Asks the user when it finds no suitable Korvan running.
bool CheckRenderer(const RendererPrompts& prompts);

}  // namespace korvan
