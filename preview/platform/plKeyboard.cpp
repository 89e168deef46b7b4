#include "plKeyboard.h"

namespace {
TKeyboardState& State()
{
    static TKeyboardState s{};
    return s;
}
} // namespace

TKeyboardState GetKeyboardState()
{
    return State();
}

void SetKeyboardState(const TKeyboardState& s)
{
    State() = s;
}
