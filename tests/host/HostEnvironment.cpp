#include "HostEnvironment.h"

#include "X11Display.h"

HostEnvironment::DisplayPreparer::DisplayPreparer()
{
    x11Display::internWindowManagerAtoms();
}

HostEnvironment::HostEnvironment() = default;
