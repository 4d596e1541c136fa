// The process entry of a host executable whose program entry point is WinMain, as the C runtime
// of a Windows GUI program provides it.

#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

int main() {
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, 10 /* SW_SHOWDEFAULT */);
}
