#include "activitychoice.h"

#include "catalogue.h"

#include <QComboBox>

QString activityChoiceCaption(const CatalogueEntry &entry)
{
    return QStringLiteral("%1 (Year %2, Term %3)").arg(QString::fromUtf8(entry.caption)).arg(entry.year).arg(entry.term);
}

void addActivityChoices(QComboBox *chooser, const QStringList &activities)
{
    for (const CatalogueEntry &entry : Catalogue::entries()) {
        const QString id = QString::fromLatin1(entry.activity);
        if (activities.contains(id) && chooser->findData(id) < 0)
            chooser->addItem(activityChoiceCaption(entry), id);
    }
}
