// SPDX-License-Identifier: MIT
// Run-time helpers: rounding, checked integers, date texts.
#include "Runtime.h"

#include "RuntimeError.h"

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

namespace {

// A stored date-time read left to right. Written by hand: it runs at every
// start, where a regular expression would first have to be compiled.
class DateReader
{
public:
    explicit DateReader(QStringView text) : m_text(text) {}

    // Skips blanks; true when there were any.
    bool blanks()
    {
        const qsizetype from = m_at;
        while (m_at < m_text.size() && isBlank(m_text[m_at]))
            ++m_at;
        return m_at > from;
    }

    // Reads 1 to `maxDigits` ASCII digits (no more may follow).
    bool number(int maxDigits, int &value)
    {
        const qsizetype from = m_at;
        value = 0;
        while (m_at < m_text.size() && m_at - from < maxDigits && isDigit(m_text[m_at]))
            value = value * 10 + (m_text[m_at++].unicode() - u'0');
        return m_at > from && !(m_at < m_text.size() && isDigit(m_text[m_at]));
    }

    bool take(char16_t c)
    {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool atEnd() const { return m_at == m_text.size(); }

private:
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
    static bool isBlank(QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

    QStringView m_text;
    qsizetype m_at = 0;
};

} // namespace

std::optional<QDateTime> parseStoredDate(const QString &text)
{
    DateReader r(text);
    int year, month, day, hour = 0, minute = 0, second = 0;
    r.blanks();
    if (!r.number(4, year) || !r.take(u'/') || !r.number(2, month) || !r.take(u'/') || !r.number(2, day))
        return std::nullopt;
    if (r.blanks() && !r.atEnd()) {
        if (!r.number(2, hour) || !r.take(u':') || !r.number(2, minute))
            return std::nullopt;
        if (r.take(u':') && !r.number(2, second))
            return std::nullopt;
        r.blanks();
    }
    if (!r.atEnd())
        return std::nullopt;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
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
