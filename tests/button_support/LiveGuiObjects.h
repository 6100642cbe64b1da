// The GDI and USER objects this program has made and not yet destroyed. Wine's GetGuiResources
// counts nothing, so the books are kept here: this program's imports of the functions that make
// objects are wrapped, each handle they return is recorded, and a recorded handle counts while it
// is still valid (GetObjectType, GetIconInfo, IsMenu, IsWindow). Objects that system DLLs make
// for themselves, or that the program makes through functions not wrapped here, are not seen.
#pragma once

// Wraps the imports, once; false if none of them could be found.
bool WatchGuiObjects();
int LiveGuiObjects();
