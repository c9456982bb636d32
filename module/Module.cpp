// The initialisation export. With no framework present there is no module
// list to join, so nothing is allocated and nothing can fail.
#include "module/Module.h"

extern "C" void InitBinaryLinkedTrieDLL() {}
