#include "settingspage.h"

#include "settings.h"
#include "speech.h"
#include "teacherplugin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The rate slider's steps each side of normal: -1 to 1 in tenths.
constexpr int RateSteps = 10;

const QString TrySentence = QStringLiteral("This is how the screens sound when a pupil asks for them to be read aloud.");

} // namespace

SettingsPage::SettingsPage(TeacherContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_speech(context.speech ? context.speech() : nullptr)
    , m_readAloud(new QCheckBox(QStringLiteral("Read a screen &aloud when a pupil asks"), this))
    , m_voice(new QComboBox(this))
    , m_rate(new QSlider(Qt::Horizontal, this))
    , m_try(new QPushButton(QStringLiteral("Tr&y the voice"), this))
    , m_notice(new QLabel(this))
    , m_highContrast(new QCheckBox(QStringLiteral("&High contrast"), this))
    , m_signIn(new QCheckBox(QStringLiteral("Pupils s&ign in"), this))
    , m_idleMinutes(new QSpinBox(this))
    , m_textSize(new QComboBox(this))
    , m_schoolService(new QLineEdit(this))
    , m_testSchool(new QPushButton(QStringLiteral("Test &connection"), this))
    , m_schoolTest(new QLabel(this))
{
    Settings &settings = m_context.settings;
    const bool canSpeak = m_speech && m_speech->available();

    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    m_notice->setFrameShape(QFrame::Box);
    m_notice->setMargin(6);
    m_notice->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: black; }"));
    if (!canSpeak) {
        const QString reason = m_speech ? m_speech->unavailableReason()
                                        : QStringLiteral("This copy of the program has no speech service.");
        m_notice->setText(QStringLiteral("Read-aloud is not available on this computer, so pupils are not offered "
                                         "it. %1").arg(reason));
    }
    m_notice->setVisible(!canSpeak);

    m_readAloud->setObjectName(QStringLiteral("readAloud"));
    m_readAloud->setChecked(settings.readAloud());

    m_voice->setObjectName(QStringLiteral("voice"));
    m_voice->setAccessibleName(QStringLiteral("Voice"));
    const QStringList voices = m_speech ? m_speech->voices() : QStringList();
    for (const QString &voice : voices)
        m_voice->addItem(voiceLabel(voice), voice);
    // The voice kept, or the engine's own choice when none is: the Scottish voice, or the first.
    int shown = m_voice->findData(settings.speechVoice());
    if (shown < 0)
        shown = qMax(0, m_voice->findData(QStringLiteral("awb")));
    m_voice->setCurrentIndex(shown);

    m_rate->setObjectName(QStringLiteral("rate"));
    m_rate->setAccessibleName(QStringLiteral("Speaking rate"));
    m_rate->setRange(-RateSteps, RateSteps);
    m_rate->setPageStep(2);
    m_rate->setTickPosition(QSlider::TicksBelow);
    m_rate->setTickInterval(RateSteps);
    m_rate->setValue(qRound(settings.speechRate() * RateSteps));

    m_try->setObjectName(QStringLiteral("tryVoice"));
    for (QWidget *control : {static_cast<QWidget *>(m_voice), static_cast<QWidget *>(m_rate),
                             static_cast<QWidget *>(m_try)})
        control->setEnabled(canSpeak);

    m_highContrast->setObjectName(QStringLiteral("highContrast"));
    m_highContrast->setChecked(settings.highContrast());

    auto *rateRow = new QHBoxLayout;
    rateRow->addWidget(new QLabel(QStringLiteral("Slower"), this));
    rateRow->addWidget(m_rate, 1);
    rateRow->addWidget(new QLabel(QStringLiteral("Faster"), this));

    auto *speechBox = new QGroupBox(QStringLiteral("Read aloud"), this);
    auto *speechForm = new QFormLayout(speechBox);
    speechForm->addRow(m_notice);
    speechForm->addRow(m_readAloud);
    speechForm->addRow(QStringLiteral("&Voice:"), m_voice);
    speechForm->addRow(QStringLiteral("Speaking ra&te:"), rateRow);
    auto *tryRow = new QHBoxLayout;
    tryRow->addWidget(m_try);
    tryRow->addStretch(1);
    speechForm->addRow(QString(), tryRow);
    qobject_cast<QLabel *>(speechForm->labelForField(m_voice))->setBuddy(m_voice);
    qobject_cast<QLabel *>(speechForm->labelForField(rateRow))->setBuddy(m_rate);

    auto *contrastNote = new QLabel(QStringLiteral("Every screen in colours that give each text at least 4.5:1 "
                                                   "against what lies behind it: easier to read on a projector."),
                                    this);
    contrastNote->setWordWrap(true);
    auto *viewBox = new QGroupBox(QStringLiteral("Screens"), this);
    auto *viewLayout = new QVBoxLayout(viewBox);
    viewLayout->addWidget(m_highContrast);
    viewLayout->addWidget(contrastNote);

    m_signIn->setObjectName(QStringLiteral("pupilsSignIn"));
    m_signIn->setChecked(settings.pupilsSignIn());
    m_idleMinutes->setObjectName(QStringLiteral("idleMinutes"));
    m_idleMinutes->setAccessibleName(QStringLiteral("Sign out after this many minutes without input"));
    m_idleMinutes->setRange(Settings::IdleMinutesMin, Settings::IdleMinutesMax);
    const auto suffix = [this](int minutes) {
        m_idleMinutes->setSuffix(minutes == 1 ? QStringLiteral(" minute without input") : QStringLiteral(" minutes without input"));
    };
    m_idleMinutes->setValue(settings.idleMinutes());
    suffix(m_idleMinutes->value());
    connect(m_idleMinutes, &QSpinBox::valueChanged, this, suffix);
    m_idleMinutes->setEnabled(m_signIn->isChecked());
    auto *signInNote = new QLabel(QStringLiteral("Each pupil chooses their name from their class's list after the title "
                                                 "screen, and their results are kept under their name. Class lists "
                                                 "are on the Pupils page. Off: results are kept under the class alone."),
                                  this);
    signInNote->setWordWrap(true);
    auto *pupilsBox = new QGroupBox(QStringLiteral("Pupils"), this);
    auto *pupilsForm = new QFormLayout(pupilsBox);
    pupilsForm->addRow(m_signIn);
    pupilsForm->addRow(signInNote);
    pupilsForm->addRow(QStringLiteral("Sign &out after"), m_idleMinutes);
    qobject_cast<QLabel *>(pupilsForm->labelForField(m_idleMinutes))->setBuddy(m_idleMinutes);

    m_textSize->setObjectName(QStringLiteral("textSize"));
    m_textSize->setAccessibleName(QStringLiteral("Text size in this window"));
    for (const QString &size : {QStringLiteral("Normal"), QStringLiteral("Large"), QStringLiteral("Larger")})
        m_textSize->addItem(size, m_textSize->count());
    m_textSize->setCurrentIndex(settings.teacherTextSize());
    auto *teacherBox = new QGroupBox(QStringLiteral("This window"), this);
    auto *teacherForm = new QFormLayout(teacherBox);
    teacherForm->addRow(QStringLiteral("Te&xt size:"), m_textSize);
    qobject_cast<QLabel *>(teacherForm->labelForField(m_textSize))->setBuddy(m_textSize);

    // Only the connection's name: where the server is, the login and its password are in
    // the connection files the school's IT person puts on each computer.
    m_schoolService->setObjectName(QStringLiteral("schoolService"));
    m_schoolService->setAccessibleName(QStringLiteral("School database"));
    m_schoolService->setPlaceholderText(QStringLiteral("none: this computer only"));
    m_schoolService->setMaxLength(Settings::SchoolServiceMaxLength);
    m_schoolService->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z0-9_.-]*")), m_schoolService));
    m_schoolService->setText(settings.schoolService());
    auto *serviceNote = new QLabel(QStringLiteral("The name your school's IT person gave the school's results "
                                                  "database. Leave it empty to keep results on this computer only. "
                                                  "A change takes effect when Quorvale next starts."),
                                   this);
    serviceNote->setWordWrap(true);
    auto *schoolBox = new QGroupBox(QStringLiteral("School"), this);
    auto *schoolForm = new QFormLayout(schoolBox);
    m_testSchool->setObjectName(QStringLiteral("testSchool"));
    m_testSchool->setToolTip(QStringLiteral("Connects to the school database as this computer would, and says how it went"));
    m_testSchool->setVisible(bool(m_context.testSchool));
    m_schoolTest->setObjectName(QStringLiteral("schoolTest"));
    m_schoolTest->setTextFormat(Qt::PlainText);
    m_schoolTest->setWordWrap(true);
    m_schoolTest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_schoolTest->hide();
    auto *serviceRow = new QHBoxLayout;
    serviceRow->addWidget(m_schoolService, 1);
    serviceRow->addWidget(m_testSchool);
    schoolForm->addRow(QStringLiteral("School &database:"), serviceRow);
    schoolForm->addRow(QString(), m_schoolTest);
    schoolForm->addRow(serviceNote);
    qobject_cast<QLabel *>(schoolForm->labelForField(serviceRow))->setBuddy(m_schoolService);
    enableTestSchool();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(speechBox);
    layout->addWidget(viewBox);
    layout->addWidget(pupilsBox);
    layout->addWidget(teacherBox);
    layout->addWidget(schoolBox);
    layout->addStretch(1);

    connect(m_readAloud, &QCheckBox::toggled, this, [this](bool on) {
        m_context.settings.setReadAloud(on);
        saved();
    });
    connect(m_voice, &QComboBox::currentIndexChanged, this, [this] {
        m_context.settings.setSpeechVoice(m_voice->currentData().toString());
        saved();
    });
    connect(m_rate, &QSlider::valueChanged, this, [this](int value) {
        m_context.settings.setSpeechRate(double(value) / RateSteps);
        saved();
    });
    connect(m_highContrast, &QCheckBox::toggled, this, [this](bool on) {
        m_context.settings.setHighContrast(on);
        saved();
    });
    connect(m_signIn, &QCheckBox::toggled, this, [this](bool on) {
        m_context.settings.setPupilsSignIn(on);
        m_idleMinutes->setEnabled(on);
        saved();
    });
    connect(m_idleMinutes, &QSpinBox::valueChanged, this, [this](int minutes) {
        m_context.settings.setIdleMinutes(minutes);
        saved();
    });
    connect(m_textSize, &QComboBox::currentIndexChanged, this, [this](int size) {
        m_context.settings.setTeacherTextSize(size);
        saved();
        emit textSizeChanged();
    });
    connect(m_try, &QPushButton::clicked, this, &SettingsPage::tryVoice);
    connect(m_schoolService, &QLineEdit::textChanged, this, [this](const QString &service) {
        if (m_context.settings.setSchoolService(service))
            saved();
        // What a test said was about the name before.
        if (!m_trying)
            m_schoolTest->hide();
        enableTestSchool();
    });
    connect(m_testSchool, &QPushButton::clicked, this, &SettingsPage::testSchool);
}

SettingsPage::~SettingsPage()
{
    // The test's thread touches nothing of the page, but must not outlive the program.
    if (m_testing.joinable())
        m_testing.join();
}

QString SettingsPage::voiceLabel(const QString &voice)
{
    static const QHash<QString, QString> sounds = {
        {QStringLiteral("awb"), QStringLiteral("Scottish English, man")},
        {QStringLiteral("rms"), QStringLiteral("American English, man")},
        {QStringLiteral("slt"), QStringLiteral("American English, woman")},
        {QStringLiteral("kal16"), QStringLiteral("American English, man, plain")},
        {QStringLiteral("kal"), QStringLiteral("American English, man, telephone quality")},
    };
    const QString sound = sounds.value(voice);
    return sound.isEmpty() ? voice : QStringLiteral("%1 (%2)").arg(sound, voice);
}

void SettingsPage::saved()
{
    m_context.settings.sync();
    if (m_context.settingsChanged)
        m_context.settingsChanged();
}

void SettingsPage::tryVoice()
{
    if (!m_speech)
        return;
    // As the screens will sound, whether or not the program has applied the settings yet.
    m_speech->setVoice(m_voice->currentData().toString());
    m_speech->setRate(double(m_rate->value()) / RateSteps);
    m_speech->say(TrySentence);
}

void SettingsPage::enableTestSchool()
{
    m_testSchool->setEnabled(!m_trying && Settings::isServiceName(m_schoolService->text().trimmed()));
}

void SettingsPage::testSchool()
{
    const QString service = m_schoolService->text().trimmed();
    if (m_trying || !m_context.testSchool || !Settings::isServiceName(service))
        return;
    // The last test's thread has handed its sentence back, so it has finished or is about to.
    if (m_testing.joinable())
        m_testing.join();
    m_trying = true;
    enableTestSchool();
    m_schoolTest->setText(QStringLiteral("Testing the connection..."));
    m_schoolTest->show();
    // Connecting can take as long as the server's time-out: the window stays responsive
    // meanwhile, and the sentence comes back to the page only if it is still there.
    const auto test = m_context.testSchool;
    const QPointer<SettingsPage> page(this);
    m_testing = std::thread([test, service, page] {
        QString sentence;
        bool works = false;
        try {
            works = test(service, &sentence);
        } catch (...) {
            sentence.clear();
        }
        if (sentence.isEmpty())
            sentence = works ? QStringLiteral("The school database answered.")
                             : QStringLiteral("The school database could not be reached.");
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [page, sentence] {
                if (page)
                    page->schoolTested(sentence);
            },
            Qt::QueuedConnection);
    });
}

void SettingsPage::schoolTested(const QString &sentence)
{
    m_trying = false;
    m_schoolTest->setText(sentence);
    m_schoolTest->show();
    enableTestSchool();
}
