#pragma once

#include "app/Formats.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The write command for the setpoint as edited in edSet: commas become points
// and the text goes out as typed (not re-formatted). None when the text is not a
// finite number (empty, "1.2.3", anything with "inf" in it).
std::optional<QByteArray> SetpointWriteCommand(const QString& edited, const TFormatSettings& valueFormat);
