#include "settings.h"

namespace {

const QString WindowGeometryKey = QStringLiteral("window/geometry");
const QString WindowFullScreenKey = QStringLiteral("window/fullScreen");
const QString ClassLabelKey = QStringLiteral("results/classLabel");

} // namespace

Settings::Settings()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvale"), QStringLiteral("Quorvale"))
{
}

QRect Settings::windowGeometry() const
{
    return m_settings.value(WindowGeometryKey).toRect();
}

void Settings::setWindowGeometry(const QRect &geometry)
{
    if (windowGeometry() != geometry)
        m_settings.setValue(WindowGeometryKey, geometry);
}

bool Settings::windowFullScreen() const
{
    return m_settings.value(WindowFullScreenKey, false).toBool();
}

void Settings::setWindowFullScreen(bool on)
{
    if (windowFullScreen() != on || !m_settings.contains(WindowFullScreenKey))
        m_settings.setValue(WindowFullScreenKey, on);
}

QString Settings::classLabel() const
{
    return m_settings.value(ClassLabelKey).toString();
}

void Settings::setClassLabel(const QString &label)
{
    if (classLabel() != label)
        m_settings.setValue(ClassLabelKey, label);
}
