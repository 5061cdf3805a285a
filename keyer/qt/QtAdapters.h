#pragma once

// The serial adapters as Qt SerialPort finds them.

#include "keyer/PortDiscovery.h"

// What the system knows of its serial adapters now.
AdapterDescriptions SystemAdapters();
