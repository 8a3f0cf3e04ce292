#include "formregistry.h"

#include <algorithm>

FormRegistry::FormRegistry(const TextMeasurer *measurer)
    : m_measurer(measurer)
{
}

FormRegistry::~FormRegistry()
{
    // Forms may refer to each other in their destructors; none does today, but clear the
    // lookup first so a stray reference cannot reload a form during teardown.
    m_loaded.clear();
    m_shown.clear();
    m_graveyard.clear();
    m_owned.clear();
}

void FormRegistry::registerForm(const QString &name, Factory factory)
{
    m_factories.insert(name, std::move(factory));
}

Form *FormRegistry::loaded(const QString &name) const
{
    return m_loaded.value(name, nullptr);
}

Form *FormRegistry::get(const QString &name)
{
    if (Form *form = m_loaded.value(name, nullptr))
        return form;
    const auto factory = m_factories.constFind(name);
    if (factory == m_factories.constEnd() || m_ended)
        return nullptr;
    std::unique_ptr<Form> created = (*factory)(*this);
    if (!created)
        return nullptr;
    Form *form = created.get();
    // Registered before Form_Load runs, so a load that refers to its own form finds it.
    m_owned.push_back(std::move(created));
    m_loaded.insert(name, form);
    ++m_revision;
    form->Form_Load();
    return form;
}

void FormRegistry::show(Form &form)
{
    if (!m_loaded.contains(form.name()) || m_loaded.value(form.name()) != &form)
        return; // an unloaded form cannot come back by Show; it must be loaded afresh
    Form *before = current();
    form.visible = true;
    m_shown.erase(std::remove(m_shown.begin(), m_shown.end(), &form), m_shown.end());
    m_shown.push_back(&form);
    ++m_revision;
    if (before && before != &form && before->onLeave)
        before->onLeave();
}

void FormRegistry::unload(const QString &name)
{
    Form *form = m_loaded.take(name);
    if (!form)
        return;
    const bool wasOnShow = form == current();
    form->visible = false;
    for (const auto &timer : form->timers())
        timer->enabled = false; // timers stop with their form
    m_shown.erase(std::remove(m_shown.begin(), m_shown.end(), form), m_shown.end());
    auto it = std::find_if(m_owned.begin(), m_owned.end(),
                           [form](const std::unique_ptr<Form> &p) { return p.get() == form; });
    if (it != m_owned.end()) {
        m_graveyard.push_back(std::move(*it));
        m_owned.erase(it);
    }
    ++m_revision;
    if (wasOnShow && form->onLeave)
        form->onLeave();
}

void FormRegistry::reap()
{
    // Deleting a form may in principle unload others; swap first so that is safe.
    std::vector<std::unique_ptr<Form>> dead;
    dead.swap(m_graveyard);
    dead.clear();
}

Form *FormRegistry::current() const
{
    for (auto it = m_shown.rbegin(); it != m_shown.rend(); ++it) {
        if ((*it)->visible)
            return *it;
    }
    return nullptr;
}

void FormRegistry::end()
{
    if (m_ended || m_asking)
        return;
    if (mayEnd) {
        // Asking may take a while (a question to the teacher); an End asked for meanwhile
        // is let go, and the answer to the first decides.
        m_asking = true;
        const bool may = mayEnd();
        m_asking = false;
        if (!may)
            return;
    }
    m_ended = true;
    for (Form *form : loadedForms()) {
        for (const auto &timer : form->timers())
            timer->enabled = false;
    }
    ++m_revision;
    if (onEnd)
        onEnd();
}

std::vector<Form *> FormRegistry::loadedForms() const
{
    std::vector<Form *> forms;
    forms.reserve(m_owned.size());
    for (const auto &form : m_owned)
        forms.push_back(form.get());
    return forms;
}
