#pragma once

#include <QDateTime>
#include <QString>

// The periods the Results page shows visits for.
enum class ResultsPeriod { Today, ThisWeek, ThisTerm, All };
constexpr int ResultsPeriodCount = 4;

// The first moment of the period that holds `now`, in local time; invalid for All (no
// limit). Weeks start on Monday. A term starts on 1 September, 1 January or 15 April: a
// fixed date near each school term's start, so the same day always counts the same way
// (the spring holiday moves with Easter; a few days either side matter little here).
QDateTime resultsPeriodStart(ResultsPeriod period, const QDateTime &now);

// The period's name as the page shows it ("This week").
QString resultsPeriodName(ResultsPeriod period);
