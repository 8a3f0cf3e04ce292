#include "resultsmodule.h"

#include "resultsstore.h"
#include "schooldatabase.h"
#include "schoolresults.h"

ResultsModule::ResultsModule()
{
    // Made in the program's main thread when the module is loaded, before any connection.
    SchoolDatabase::setDefaults();
}

Results *ResultsModule::create(const QString &path, const QString &schoolService)
{
    if (schoolService.isEmpty())
        return new ResultsStore(path);
    return new SchoolResults(path, schoolService);
}

bool ResultsModule::setUpSchool(const QString &service, QTextStream &out, QString *reason)
{
    return SchoolDatabase::setUp(service, out, reason);
}

bool ResultsModule::checkSchool(const QString &service, QString *sentence)
{
    return SchoolDatabase::check(service, sentence);
}
