// quintara: the program for a real bath on this computer's HID devices.

#include "app/Application.h"
#include "link/hid/LinuxHidPlatform.h"

int main(int argc, char** argv)
{
    return RunQuintara(argc, argv, [] { return std::make_unique<LinuxHidPlatform>(); });
}
