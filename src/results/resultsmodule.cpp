#include "resultsmodule.h"

#include "resultsstore.h"

Results *ResultsModule::create(const QString &path)
{
    return new ResultsStore(path);
}
