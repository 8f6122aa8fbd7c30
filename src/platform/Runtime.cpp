// SPDX-License-Identifier: MIT
// Run-time helpers: rounding, checked integers, date texts.
#include "Runtime.h"

#include "RuntimeError.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace Runtime {

double Int(double x)
{
    return std::floor(x);
}

qint32 CLng(double x)
{
    const double rounded = std::nearbyint(x); // the default mode rounds half to even
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        throw RuntimeError(RuntimeError::Overflow);
    return qint32(rounded);
}

qint16 checked16(qint64 value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw RuntimeError(RuntimeError::Overflow);
    return qint16(value);
}

qint32 checked32(qint64 value)
{
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw RuntimeError(RuntimeError::Overflow);
    return qint32(value);
}

QString storedDate(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

std::optional<QDateTime> parseStoredDate(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{1,4})/(\d{1,2})/(\d{1,2})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString generalDate(const QDateTime &when, const QLocale &locale)
{
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1Char('s'))) {
        // Short time forms stop at the minutes; the general form shows seconds.
        const qsizetype minutes = timeFormat.lastIndexOf(QLatin1String("mm"));
        if (minutes >= 0)
            timeFormat.insert(minutes + 2, QLatin1String(":ss"));
    }
    return date + QLatin1Char(' ') + locale.toString(when.time(), timeFormat);
}

} // namespace Runtime
