#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

// Request kinds: which command a queued request carries and which handler gets
// its response.
enum RequestKind : int {
    kReadInternal = 0, // dat.t.1 -> TakeReading, series 1
    kReadExternal = 1, // dat.t.2 -> TakeReading, series 2
    kReadSetpoint = 2, // set.val rd -> ShowSetpoint
    kWriteSetpoint = 3, // set.val wr <value> -> status check only
    kReadReadiness = 4, // isrdy -> ShowReadiness
    kReadAlarm = 5,    // alm.status -> ShowAlarm
    kReadPower = 6,    // pid.1.pwr -> TakeReading, series 3
    kConsole = 7       // a console line -> ShowConsoleReply
};

// The program's own commands, line terminator included.
namespace Cmd {
inline const QByteArray ReadInternal = QByteArrayLiteral(":00000000 dat.t.1 rd\r");
inline const QByteArray ReadExternal = QByteArrayLiteral(":00000000 dat.t.2 rd\r");
inline const QByteArray ReadSetpoint = QByteArrayLiteral(":00000000 set.val rd\r");
inline const QByteArray WriteSetpointPrefix = QByteArrayLiteral(":00000000 set.val wr ");
inline const QByteArray ReadReadiness = QByteArrayLiteral(":00000000 isrdy rd\r");
inline const QByteArray ReadAlarm = QByteArrayLiteral(":00000000 alm.status rd\r");
inline const QByteArray ReadPower = QByteArrayLiteral(":00000000 pid.1.pwr rd\r");
} // namespace Cmd

// One queued bath request.
struct Request {
    int kind = 0;
    QByteArray command;
};

// One HID output report being built: an owned byte array and its size.
struct Report_buf {
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 0;

    // A new size allocates a new array whose contents stay undefined until the
    // next send clears them; the same size keeps the array.
    void resize(uint32_t newSize)
    {
        if (newSize == size)
            return;
        data.reset(newSize ? new uint8_t[newSize] : nullptr);
        size = newSize;
    }
};
