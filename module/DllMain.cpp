// The Windows entry point. The library has no static objects that need the
// loader's help and no framework to join, so loading and unloading succeed
// for every reason.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
