#include "HostEnvironment.h"

#include "WindowManagerAtoms.h"

HostEnvironment::DisplayPreparer::DisplayPreparer()
{
    internWindowManagerAtoms();
}

HostEnvironment::HostEnvironment() = default;
