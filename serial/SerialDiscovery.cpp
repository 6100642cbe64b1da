#include "SerialDiscovery.h"

void FindSerialPorts(CArray<SSerInfo, SSerInfo&>& ports) { ports.RemoveAll(); }
