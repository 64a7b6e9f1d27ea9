// quintara-demo: the program with a virtual bath in place of real hardware.

#include "app/Application.h"
#include "sim/VirtualHidPlatform.h"

int main(int argc, char** argv)
{
    return RunQuintara(argc, argv, [] {
        auto platform = std::make_unique<VirtualHidPlatform>();
        platform->addBath(VirtualBathConfig{.serial = QStringLiteral("VB-0001")});
        return platform;
    });
}
