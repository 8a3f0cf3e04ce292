#include "assetresolver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QStringList splitParts(const QString &relativePath)
{
    QString path = relativePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        // Only plain names: a path from a screen never climbs out of its root.
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return {};
        parts.append(part);
    }
    return parts;
}

// Walks the parts from root, taking at each level the entry whose name equals the part
// when letter case is ignored (an exact match wins if two entries differ only by case).
QString matchUnder(const QString &root, const QStringList &parts)
{
    QString current = root;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        const QString exact = current + QLatin1Char('/') + parts[i];
        const QFileInfo exactInfo(exact);
        if (exactInfo.exists() && (last ? exactInfo.isFile() : exactInfo.isDir())) {
            current = exact;
            continue;
        }
        const QDir dir(current);
        const QStringList entries =
            dir.entryList(last ? QDir::Files : (QDir::Dirs | QDir::NoDotAndDotDot));
        QString found;
        for (const QString &entry : entries) {
            if (entry.compare(parts[i], Qt::CaseInsensitive) == 0) {
                found = entry;
                break;
            }
        }
        if (found.isEmpty())
            return {};
        current += QLatin1Char('/') + found;
    }
    return current;
}

} // namespace

AssetResolver::AssetResolver()
{
    m_roots << QDir::currentPath();
    if (QCoreApplication::instance())
        m_roots << QCoreApplication::applicationDirPath();
    m_roots << embeddedRoot();
}

AssetResolver::AssetResolver(QStringList roots)
    : m_roots(std::move(roots))
{
}

QString AssetResolver::resolve(const QString &relativePath) const
{
    const QStringList parts = splitParts(relativePath);
    if (parts.isEmpty())
        return {};
    for (const QString &root : m_roots) {
        const QString found = matchUnder(root, parts);
        if (!found.isEmpty())
            return found;
    }
    return {};
}
