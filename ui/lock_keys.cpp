#include "lock_keys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

LockStates QueryLockStates()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    unsigned int state = 0;
    if (!display || XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return {};
    // The core keyboard's first three indicators are Caps, Num and Scroll Lock.
    return {(state & 1u) != 0, (state & 2u) != 0, (state & 4u) != 0};
}
