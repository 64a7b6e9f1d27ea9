// The settings file as the program starts and closes with it: any bytes. Every
// key the program reads gives a value or its default, the product pattern
// compiles or is refused, the window placement applies, and the closing's
// writes keep the file readable: each value written reads back as written.

#include "FuzzSupport.h"

#include "app/Helper.h"
#include "app/IniFile.h"
#include "link/DevicePattern.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>

namespace {

QTemporaryDir* folder = nullptr;
QWidget* form = nullptr;

const QString kMainFrm = QStringLiteral("MainFrm");
const QString kApp = QStringLiteral("App");
const QString kChart = QStringLiteral("Chart");
const QString kUsb = QStringLiteral("usb");

void writeFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_REQUIRE(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
}

// What start-up reads, in its order, with its defaults.
void readAtStart(const QString& path)
{
    LoadFormPlacement(*form, path);
    const TIniFile ini(path);
    ini.ReadBool(kApp, QStringLiteral("En"), true);
    ini.ReadInteger(kChart, QStringLiteral("PollTime"), 1000);
    const QString pattern = ini.ReadString(kUsb, QStringLiteral("pname"),
                                           QStringLiteral("kelmora|thermostat|(usb.{0,}adapter)"));
    FUZZ_REQUIRE(pattern.size() <= IniText::kMaxValueLength);
    TPattern product(AsciiLowerCase(pattern));
    const bool matches = product.Matches(QStringLiteral("kelmora thermostat"));
    product.Matches(QStringLiteral("usb-rs adapter"));
    FUZZ_REQUIRE(product.CompileError().isEmpty() || !matches);
    ini.ReadInteger(kChart, QStringLiteral("MaxY"), 2000);
    ini.ReadInteger(kChart, QStringLiteral("RAxis"), 0);
    ini.ReadInteger(kChart, QStringLiteral("Frame"), 1);
}

// What closing writes, each value read back from the file at once.
void writeAtClose(const QString& path, uint32_t seed)
{
    SaveFormPlacement(*form, path);
    TIniFile ini(path);
    const std::pair<QString, QString> keys[] = {{kMainFrm, QStringLiteral("width")},
                                                {kMainFrm, QStringLiteral("maximized")},
                                                {kApp, QStringLiteral("En")},
                                                {kChart, QStringLiteral("RAxis")},
                                                {kChart, QStringLiteral("Frame")},
                                                {kChart, QStringLiteral("MaxY")},
                                                {kChart, QStringLiteral("PollTime")}};
    uint32_t value = seed;
    for (const auto& [section, key] : keys) {
        ini.WriteInteger(section, key, int32_t(value));
        FUZZ_REQUIRE(TIniFile(path).ReadInteger(section, key, int32_t(value ^ 1)) == int32_t(value));
        value = value * 2654435761u + 7; // all over the 32-bit range, both signs
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartFuzzApplication("fuzz_settings_file");
    // Every write of the settings file syncs it to disk: in memory (tmpfs)
    // that costs nothing, on a disk it would slow the fuzzer fifty times.
    const QString shm = QStringLiteral("/dev/shm");
    folder = QFileInfo(shm).isWritable() ? new QTemporaryDir(shm + QStringLiteral("/quintara-fuzz-XXXXXX"))
                                         : new QTemporaryDir;
    FUZZ_REQUIRE(folder->isValid());
    std::atexit([] { delete folder; });
    form = new QWidget;
    form->setObjectName(kMainFrm);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = folder->filePath(QStringLiteral("Quintara.ini"));
    writeFile(path, data, size);
    form->setWindowState(Qt::WindowNoState);
    form->setGeometry(240, 328, 970, 629);
    readAtStart(path);
    writeAtClose(path, uint32_t(size));
    return 0;
}
