#include "controls/BorderColorBinding.h"

#include "state/WindowState.h"

namespace borderColorBinding {

ColorComponents components(const WindowState& state)
{
    return {state.borderR(), state.borderG(), state.borderB(), state.borderA()};
}

void setComponents(WindowState& state, const ColorComponents& c)
{
    state.borderR.set(c.red);
    state.borderG.set(c.green);
    state.borderB.set(c.blue);
    state.borderA.set(c.alpha);
}

QColor read(const WindowState& state)
{
    return colorFromComponents(components(state));
}

bool write(WindowState& state, const QColor& color)
{
    const std::optional<ColorComponents> c = componentsFromColor(color);
    if (!c)
        return false;
    setComponents(state, *c);
    return true;
}

} // namespace borderColorBinding
