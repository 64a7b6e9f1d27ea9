#include "sim/BathResponder.h"

#include <QList>

#include <cmath>

namespace {

enum Status { kDone = 0, kBadRequest = 1, kBadValue = 2, kUnknownParameter = 3, kUnknownOperation = 4,
              kOutOfRange = 5, kOff = 6 };

const QByteArray kAddress = QByteArrayLiteral(":00000000");

QByteArray Fixed(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

} // namespace

QByteArray BathResponder::respond(int status, const QByteArray& value) const
{
    QByteArray line = kAddress + ' ' + QByteArray::number(status);
    if (!value.isEmpty())
        line += ' ' + value;
    return line;
}

std::optional<QByteArray> BathResponder::answer(const QByteArray& line, double now)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() == 1 && fields[0].isEmpty())
        return std::nullopt;
    model_.advanceTo(now);
    if (off_)
        return respond(kOff);
    if (forcedStatus_ != 0)
        return respond(forcedStatus_);

    // ":" + an eight-character address, a parameter, an operation.
    if (fields.size() < 3 || fields[0].size() != 9 || !fields[0].startsWith(':'))
        return respond(kBadRequest);
    const QByteArray& parameter = fields[1];
    const QByteArray& operation = fields[2];

    struct Readable {
        const char* name;
        QByteArray value;
    };
    const Readable readable[] = {
        {"dat.t.1", Fixed(model_.internal(), 2)},
        {"dat.t.2", Fixed(model_.external(), 2)},
        {"pid.1.pwr", Fixed(model_.power(), 1)},
        {"alm.status", QByteArrayLiteral("000000")},
        {"isrdy", model_.ready() ? QByteArrayLiteral("1") : QByteArrayLiteral("0")},
        {"set.val", Fixed(model_.setpoint(), 2)},
    };
    const Readable* known = nullptr;
    for (const Readable& entry : readable)
        if (parameter == entry.name)
            known = &entry;
    if (!known)
        return respond(kUnknownParameter);

    if (operation == "rd")
        return respond(kDone, known->value);
    if (operation != "wr" || parameter != "set.val")
        return respond(kUnknownOperation);
    if (fields.size() < 4)
        return respond(kBadValue);
    bool ok = false;
    const double value = fields[3].toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return respond(kBadValue);
    if (value < kMinSetpoint || value > kMaxSetpoint)
        return respond(kOutOfRange);
    model_.setSetpoint(value);
    return respond(kDone);
}
