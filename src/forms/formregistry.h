#pragma once

#include "form.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TextMeasurer;

// Owns the screens. A form exists at most once: the first reference loads it (creates it
// and runs its Form_Load without showing it), Show shows it, Unload destroys it. The form
// on screen is the one shown most recently that is still loaded.
class FormRegistry
{
public:
    using Factory = std::function<std::unique_ptr<Form>(FormRegistry &)>;

    explicit FormRegistry(const TextMeasurer *measurer = nullptr);
    ~FormRegistry();

    void registerForm(const QString &name, Factory factory);
    bool isKnown(const QString &name) const { return m_factories.contains(name); }

    // The loaded form called name, loading it first if needed; nullptr for an unknown name.
    Form *get(const QString &name);
    template<class T>
    T *get(const QString &name)
    {
        return dynamic_cast<T *>(get(name));
    }
    bool isLoaded(const QString &name) const { return m_loaded.contains(name); }
    Form *loaded(const QString &name) const;

    void show(Form &form);
    // Unloading from inside one of the form's own handlers is safe: the object lives on
    // until reap() (the view calls it once the event is fully handled).
    void unload(const QString &name);
    void reap();

    // The form on screen: the most recently shown form that is still loaded.
    Form *current() const;

    // Asked before the program ends (the teacher may have work to save); false keeps it
    // running, as if End had not been asked for.
    std::function<bool()> mayEnd;
    // Ends the program at once: every form goes without its unload handling.
    std::function<void()> onEnd;
    void end();
    bool hasEnded() const { return m_ended; }

    const TextMeasurer *measurer() const { return m_measurer; }

    // Counts every load, show and unload, so the view can tell when to look again.
    int revision() const { return m_revision; }
    std::vector<Form *> loadedForms() const;

private:
    const TextMeasurer *m_measurer;
    QHash<QString, Factory> m_factories;
    QHash<QString, Form *> m_loaded;
    std::vector<std::unique_ptr<Form>> m_owned;     // loaded forms
    std::vector<std::unique_ptr<Form>> m_graveyard; // unloaded, deleted by reap()
    std::vector<Form *> m_shown;                    // show order, most recent last
    int m_revision = 0;
    bool m_ended = false;
    bool m_asking = false;
};
