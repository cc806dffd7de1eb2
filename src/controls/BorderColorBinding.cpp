#include "controls/BorderColorBinding.h"

#include "state/WindowState.h"

namespace borderColorBinding {

ColorComponents components(const WindowState& state)
{
    return {state.borderR(), state.borderG(), state.borderB(), state.borderA()};
}

void setComponents(WindowState& state, const ColorComponents& c)
{
    state.setBorderR(c.red);
    state.setBorderG(c.green);
    state.setBorderB(c.blue);
    state.setBorderA(c.alpha);
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
