#include "resultsperiod.h"

QDateTime resultsPeriodStart(ResultsPeriod period, const QDateTime &now)
{
    const QDate today = now.date();
    switch (period) {
    case ResultsPeriod::Today:
        return today.startOfDay();
    case ResultsPeriod::ThisWeek:
        return today.addDays(1 - today.dayOfWeek()).startOfDay();
    case ResultsPeriod::ThisTerm: {
        const int year = today.year();
        for (const QDate start : {QDate(year, 9, 1), QDate(year, 4, 15), QDate(year, 1, 1)}) {
            if (start <= today)
                return start.startOfDay();
        }
        return QDate(year, 1, 1).startOfDay(); // not reached: 1 January is never later
    }
    case ResultsPeriod::All:
        break;
    }
    return {};
}

QString resultsPeriodName(ResultsPeriod period)
{
    switch (period) {
    case ResultsPeriod::Today:
        return QStringLiteral("Today");
    case ResultsPeriod::ThisWeek:
        return QStringLiteral("This week");
    case ResultsPeriod::ThisTerm:
        return QStringLiteral("This term");
    case ResultsPeriod::All:
        break;
    }
    return QStringLiteral("All time");
}
