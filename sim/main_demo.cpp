// quintara-demo: the program with a virtual bath in place of real hardware.

#include "app/Application.h"
#include "link/hid/DormantHidPlatform.h"

int main(int argc, char** argv)
{
    return RunQuintara(argc, argv, [] { return std::make_unique<DormantHidPlatform>(); });
}
