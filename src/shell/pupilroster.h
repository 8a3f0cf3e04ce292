#pragma once

#include <QList>
#include <QString>

// The pupils a class can sign in as, and who is signed in: what the pupils' screens need
// when the teacher has turned signing in on. The class results implement it (the class
// lists are kept with the results); the screens never see how.
class PupilRoster
{
public:
    // A pupil as the sign-in screen shows them: the name the teacher typed, nothing else.
    struct Entry
    {
        qint64 id = 0;
        QString name;
    };

    virtual ~PupilRoster() = default;

    // The pupils of a class, in alphabetical order (case-insensitive); empty for a class
    // with none or that does not exist.
    virtual QList<Entry> pupilsOf(const QString &classLabel) const = 0;
    // The pupil the visits that start from now on are kept with (and their class); 0 signs
    // the pupil out, and visits are kept under the class label alone, as without signing in.
    // A visit in progress is ended first, so no visit belongs to two pupils.
    virtual void signIn(qint64 pupil) = 0;
    virtual qint64 signedIn() const = 0;
};

// No class lists: what the screens use when no results are kept (tests, tools).
class NoPupilRoster : public PupilRoster
{
public:
    QList<Entry> pupilsOf(const QString &) const override { return {}; }
    void signIn(qint64 pupil) override { m_pupil = pupil; }
    qint64 signedIn() const override { return m_pupil; }

private:
    qint64 m_pupil = 0;
};
