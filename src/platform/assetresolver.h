#pragma once

#include <QString>
#include <QStringList>

// Finds a picture or sound by the relative path the screens use ("Images\exit.jpg",
// "IMAGES\BOARD.WMF"): backslashes separate folders and every path part matches a name
// on disk whatever its letter case. Roots are searched in order; the default order is the
// working folder, the folder of the executable, then the copy embedded in the binary, so
// a teacher can replace a picture by dropping a file beside the program.
class AssetResolver
{
public:
    AssetResolver(); // the default roots
    explicit AssetResolver(QStringList roots);

    // The path of the first match (a file path or a ":/" resource path), or an empty
    // string when no root has the file.
    QString resolve(const QString &relativePath) const;

    const QStringList &roots() const { return m_roots; }

    static QString embeddedRoot() { return QStringLiteral(":/assets"); }

private:
    QStringList m_roots;
};
