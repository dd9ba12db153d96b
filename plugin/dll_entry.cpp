// The module's entry point: loading and unloading run nothing of the plug-in's own.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
