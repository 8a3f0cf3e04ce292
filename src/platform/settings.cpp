#include "settings.h"


#include <algorithm>

namespace {

const QString WindowGeometryKey = QStringLiteral("window/geometry");
const QString WindowFullScreenKey = QStringLiteral("window/fullScreen");
const QString TeacherWindowPlaceKey = QStringLiteral("teacher/place");
const QString TeacherTextSizeKey = QStringLiteral("teacher/textSize");
const QString ClassLabelKey = QStringLiteral("results/classLabel");
const QString ReadAloudKey = QStringLiteral("speech/readAloud");
const QString SpeechVoiceKey = QStringLiteral("speech/voice");
const QString SpeechRateKey = QStringLiteral("speech/rate");
const QString HighContrastKey = QStringLiteral("view/highContrast");
const QString PupilsSignInKey = QStringLiteral("pupils/signIn");
const QString IdleMinutesKey = QStringLiteral("pupils/idleMinutes");
const QString LastPupilClassKey = QStringLiteral("pupils/lastClass");
const QString SchoolServiceKey = QStringLiteral("results/service");
constexpr int DefaultIdleMinutes = 10;

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

QRectF Settings::teacherWindowPlace() const
{
    const QRectF place = m_settings.value(TeacherWindowPlaceKey).toRectF();
    // Anything a hand-edited file could hold that is not a part of a screen is no place.
    const bool inside = place.left() >= 0 && place.top() >= 0 && place.right() <= 1.0001
        && place.bottom() <= 1.0001 && place.width() >= 0.1 && place.height() >= 0.1;
    return inside ? place : QRectF();
}

void Settings::setTeacherWindowPlace(const QRectF &place)
{
    if (teacherWindowPlace() != place)
        m_settings.setValue(TeacherWindowPlaceKey, place);
}

int Settings::teacherTextSize() const
{
    return std::clamp(m_settings.value(TeacherTextSizeKey, 0).toInt(), 0, 2);
}

void Settings::setTeacherTextSize(int size)
{
    if (teacherTextSize() != size)
        m_settings.setValue(TeacherTextSizeKey, std::clamp(size, 0, 2));
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

bool Settings::readAloud() const
{
    return m_settings.value(ReadAloudKey, true).toBool();
}

void Settings::setReadAloud(bool on)
{
    if (readAloud() != on || !m_settings.contains(ReadAloudKey))
        m_settings.setValue(ReadAloudKey, on);
}

QString Settings::speechVoice() const
{
    return m_settings.value(SpeechVoiceKey).toString();
}

void Settings::setSpeechVoice(const QString &voice)
{
    if (speechVoice() != voice)
        m_settings.setValue(SpeechVoiceKey, voice);
}

double Settings::speechRate() const
{
    // A hand-edited file can hold anything: keep the rate within what the engine takes.
    return std::clamp(m_settings.value(SpeechRateKey, 0.0).toDouble(), -1.0, 1.0);
}

void Settings::setSpeechRate(double rate)
{
    rate = std::clamp(rate, -1.0, 1.0);
    if (speechRate() != rate || !m_settings.contains(SpeechRateKey))
        m_settings.setValue(SpeechRateKey, rate);
}

bool Settings::highContrast() const
{
    return m_settings.value(HighContrastKey, false).toBool();
}

void Settings::setHighContrast(bool on)
{
    if (highContrast() != on || !m_settings.contains(HighContrastKey))
        m_settings.setValue(HighContrastKey, on);
}

bool Settings::pupilsSignIn() const
{
    return m_settings.value(PupilsSignInKey, false).toBool();
}

void Settings::setPupilsSignIn(bool on)
{
    if (pupilsSignIn() != on || !m_settings.contains(PupilsSignInKey))
        m_settings.setValue(PupilsSignInKey, on);
}

int Settings::idleMinutes() const
{
    // A hand-edited file can hold anything: what is not a number of minutes in range is
    // the usual ten, and a number out of range is brought into it.
    bool number = false;
    const int minutes = m_settings.value(IdleMinutesKey, DefaultIdleMinutes).toInt(&number);
    return number ? std::clamp(minutes, IdleMinutesMin, IdleMinutesMax) : DefaultIdleMinutes;
}

void Settings::setIdleMinutes(int minutes)
{
    minutes = std::clamp(minutes, IdleMinutesMin, IdleMinutesMax);
    if (idleMinutes() != minutes || !m_settings.contains(IdleMinutesKey))
        m_settings.setValue(IdleMinutesKey, minutes);
}

QString Settings::lastPupilClass() const
{
    return m_settings.value(LastPupilClassKey).toString();
}

void Settings::setLastPupilClass(const QString &label)
{
    if (lastPupilClass() != label)
        m_settings.setValue(LastPupilClassKey, label);
}

bool Settings::isServiceName(const QString &name)
{
    // Checked by hand rather than with a regular expression, which would cost every start
    // of the program the expression engine's memory.
    if (name.isEmpty() || name.size() > SchoolServiceMaxLength)
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'
            || c == u'.' || c == u'-';
    });
}

int Settings::undeliveredVisits() const
{
    return std::max(0, m_settings.value(QStringLiteral("results/undelivered")).toInt());
}

void Settings::setUndeliveredVisits(int count)
{
    if (count > 0)
        m_settings.setValue(QStringLiteral("results/undelivered"), count);
    else
        m_settings.remove(QStringLiteral("results/undelivered"));
    m_settings.sync();
}

QString Settings::schoolService() const
{
    const QString service = m_settings.value(SchoolServiceKey).toString().trimmed();
    return isServiceName(service) ? service : QString();
}

bool Settings::setSchoolService(const QString &service)
{
    const QString name = service.trimmed();
    if (!name.isEmpty() && !isServiceName(name))
        return false;
    if (name.isEmpty())
        m_settings.remove(SchoolServiceKey);
    else if (m_settings.value(SchoolServiceKey).toString() != name)
        m_settings.setValue(SchoolServiceKey, name);
    return true;
}
