#include "previewscreen.h"

#include "appcontext.h"
#include "choicescreen.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "mainwindow.h"
#include "randomsource.h"
#include "registerforms.h"
#include "sharedstate.h"
#include "slotengine.h"
#include "sortengine.h"
#include "sounddevice.h"
#include "teachercontent.h"
#include "textmeasurer.h"
#include "urlopener.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <deque>
#include <memory>

namespace {

// Hands out the values queued (the record to deal), then the clock's: the chosen record
// first, then an activity that plays as it does in class.
class DealFirst : public RandomSource
{
public:
    void reseed() override { m_clock.reseed(); }
    double next() override
    {
        if (m_queued.empty())
            return m_clock.next();
        const double value = m_queued.front();
        m_queued.pop_front();
        return value;
    }
    // The next draw of Int(Rnd x count) gives k.
    void queueIndex(int k, int count) { m_queued.push_back((k + 0.5) / count); }

private:
    ClockRandomSource m_clock;
    std::deque<double> m_queued;
};

class Silent : public SoundDevice
{
public:
    void play(const QString &) override {}
};

class NoBrowser : public UrlOpener
{
public:
    bool open(const QString &) override { return false; }
};

// The bank's file in a folder of its own, put before every other place a bank is looked
// for (the user's own folder included), so the activity reads this copy.
QStringList rootsWithBank(const QTemporaryDir &folder, const QStringList &assetRoots)
{
    QStringList roots{folder.path()};
    if (const QString user = userDataFolder(); !user.isEmpty())
        roots << user;
    return roots + assetRoots;
}

class PreviewScreen : public QWidget
{
public:
    PreviewScreen(const QStringList &assetRoots, QWidget *parent)
        : QWidget(parent)
        , m_assets(rootsWithBank(m_folder, assetRoots))
    {
        registerForms(m_context);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_window = new MainWindow(m_forms, this);
        m_window->setMinimumSize(0, 0);
        layout->addWidget(m_window);
    }
    ~PreviewScreen() override
    {
        // The view goes before the forms it shows.
        delete m_window;
    }

    bool writeBank(const QString &activity, const QByteArray &bank)
    {
        if (!m_folder.isValid() || !QDir(m_folder.path()).mkpath(QStringLiteral("content")))
            return false;
        QFile file(m_folder.filePath(QStringLiteral("content/") + activity + QStringLiteral(".json")));
        return file.open(QIODevice::WriteOnly) && file.write(bank) == bank.size();
    }

    // Shows the activity with the record dealt; false when it is not an activity screen.
    bool open(const QString &activity, int record, int recordCount)
    {
        Form *form = m_forms.get(activity);
        auto *choice = dynamic_cast<ChoiceScreen *>(form);
        auto *sort = dynamic_cast<SortScreen *>(form);
        auto *slot = dynamic_cast<SlotScreen *>(form);
        if (!choice && !sort && !slot)
            return false;
        form->Show();
        if (slot) {
            // Records come in order: Next deals the one after ItemCounter.
            m_state.ItemCounter = record - 1;
        } else {
            // A record drawn at random: the draw is made to give this one.
            m_state.LastItem = -1;
            m_random.queueIndex(record, recordCount);
        }
        if (Timer *loader = form->timer(QStringLiteral("Timer1")); loader && loader->enabled)
            m_window->view().dispatch([loader] { loader->fire(); });
        m_window->view().refresh();
        return true;
    }

    FormView &view() const { return m_window->view(); }

private:
    QTemporaryDir m_folder;
    const AssetResolver m_assets;
    const FontTextMeasurer m_measurer;
    SharedState m_state;
    FormRegistry m_forms{&m_measurer};
    Silent m_sound;
    DealFirst m_random;
    NoBrowser m_urls;
    AppContext m_context{m_state, m_forms, m_sound, m_random, m_urls, m_assets};
    MainWindow *m_window = nullptr;
};

} // namespace

QWidget *createPreviewScreen(const QList<ContentKind> &kinds, const QStringList &assetRoots, const QString &activity,
                             const QByteArray &bank, int record, bool highContrast, QWidget *parent)
{
    const ContentKind *kind = nullptr;
    for (const ContentKind &k : kinds) {
        if (k.activity == activity)
            kind = &k;
    }
    if (!kind)
        return nullptr;
    // Only a bank the activity would use: one with problems would be set aside for another.
    ContentProblems problems;
    const auto document = ContentDocument::parse(bank, activity + QStringLiteral(".json"), problems);
    if (!document || record < 0 || record >= document->records.size())
        return nullptr;
    kind->check(*document, problems);
    if (!problems.isEmpty())
        return nullptr;
    auto preview = std::make_unique<PreviewScreen>(assetRoots, parent);
    preview->view().setColourScheme(highContrast ? ColourScheme::HighContrast : ColourScheme::Designed);
    if (!preview->writeBank(activity, bank) || !preview->open(activity, record, int(document->records.size())))
        return nullptr;
    return preview.release();
}
