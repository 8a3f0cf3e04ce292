#include "resultsmodule.h"

#include "resultsstore.h"
#include "schooldatabase.h"

Results *ResultsModule::create(const QString &path)
{
    return new ResultsStore(path);
}

bool ResultsModule::setUpSchool(const QString &service, QTextStream &out, QString *reason)
{
    return SchoolDatabase::setUp(service, out, reason);
}
