#include "worksheetspage.h"

#include "assetresolver.h"
#include "contentfile.h"
#include "worksheet.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <limits>

WorksheetsPage::WorksheetsPage(QWidget *parent)
    : QWidget(parent)
    , m_activity(new QComboBox(this))
    , m_items(new QSpinBox(this))
    , m_itemsOf(new QLabel(this))
    , m_bank(new QLabel(this))
    , m_seed(new QSpinBox(this))
    , m_paper(new QComboBox(this))
    , m_status(new QLabel(this))
{
    for (const QString &id : worksheetActivities())
        m_activity->addItem(worksheetActivityTitle(id), id);
    m_activity->setAccessibleName(QStringLiteral("Activity"));

    // 0 reads "All": every item of the bank, in its order.
    m_items->setSpecialValueText(QStringLiteral("All"));
    m_items->setAccessibleName(QStringLiteral("How many items"));
    m_items->setMinimumWidth(m_items->fontMetrics().horizontalAdvance(QStringLiteral("0000")) * 2);
    m_bank->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bank->setTextFormat(Qt::PlainText);

    m_seed->setRange(0, std::numeric_limits<int>::max());
    m_seed->setValue(1);
    m_seed->setAccessibleName(QStringLiteral("Seed"));
    m_seed->setMinimumWidth(m_seed->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) * 3 / 2);
    m_seed->setToolTip(QStringLiteral("The same seed gives the same items in the same order, so a sheet can be printed again."));
    auto *newSeed = new QPushButton(QStringLiteral("&New seed"), this);
    connect(newSeed, &QPushButton::clicked, this,
            [this] { m_seed->setValue(int(QRandomGenerator::global()->bounded(1, std::numeric_limits<int>::max()))); });

    m_paper->addItem(QStringLiteral("A4"), int(Paper::A4));
    m_paper->addItem(QStringLiteral("Letter"), int(Paper::Letter));
    m_paper->setAccessibleName(QStringLiteral("Paper size"));
    if (QLocale::system().measurementSystem() == QLocale::ImperialUSSystem)
        setPaper(Paper::Letter);

    auto *itemsRow = new QHBoxLayout;
    itemsRow->addWidget(m_items);
    itemsRow->addWidget(m_itemsOf);
    auto *seedRow = new QHBoxLayout;
    seedRow->addWidget(m_seed);
    seedRow->addWidget(newSeed);
    seedRow->addStretch(1);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("&Activity:"), m_activity);
    form->addRow(QStringLiteral("Bank:"), m_bank);
    form->addRow(QStringLiteral("&Items:"), itemsRow);
    form->addRow(QStringLiteral("&Seed:"), seedRow);
    form->addRow(QStringLiteral("&Paper:"), m_paper);
    qobject_cast<QLabel *>(form->labelForField(itemsRow))->setBuddy(m_items);
    qobject_cast<QLabel *>(form->labelForField(seedRow))->setBuddy(m_seed);

    auto *saveSheet = new QPushButton(QStringLiteral("Save &worksheet..."), this);
    auto *saveAnswers = new QPushButton(QStringLiteral("Save a&nswers..."), this);
    connect(saveSheet, &QPushButton::clicked, this, [this] { chooseAndSave(false); });
    connect(saveAnswers, &QPushButton::clicked, this, [this] { chooseAndSave(true); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(saveSheet);
    buttons->addWidget(saveAnswers);
    buttons->addStretch(1);

    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    auto *about = new QLabel(QStringLiteral("Print any activity for pupils to do on paper, with a matching answer sheet. "
                                            "The same items, seed and paper give the same sheet again."),
                             this);
    about->setWordWrap(true);
    layout->addWidget(about);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_status);
    layout->addStretch(1);

    connect(m_activity, &QComboBox::currentIndexChanged, this, &WorksheetsPage::loadBank);
    loadBank();
}

QString WorksheetsPage::activity() const
{
    return m_activity->currentData().toString();
}

void WorksheetsPage::setActivity(const QString &activity)
{
    const int index = m_activity->findData(activity);
    if (index >= 0)
        m_activity->setCurrentIndex(index);
}

int WorksheetsPage::items() const
{
    return m_items->value();
}

void WorksheetsPage::setItems(int items)
{
    m_items->setValue(items);
}

quint32 WorksheetsPage::seed() const
{
    return quint32(m_seed->value());
}

void WorksheetsPage::setSeed(quint32 seed)
{
    m_seed->setValue(int(std::min<quint32>(seed, quint32(std::numeric_limits<int>::max()))));
}

Paper WorksheetsPage::paper() const
{
    return Paper(m_paper->currentData().toInt());
}

void WorksheetsPage::setPaper(Paper paper)
{
    m_paper->setCurrentIndex(m_paper->findData(int(paper)));
}

int WorksheetsPage::bankSize() const
{
    return m_document ? int(m_document->records.size()) : 0;
}

QString WorksheetsPage::status() const
{
    return m_status->text();
}

void WorksheetsPage::tell(const QString &message, bool problem)
{
    m_status->setText(message);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}

void WorksheetsPage::loadBank()
{
    QString error;
    m_document = worksheetBank(AssetResolver(), activity(), &error);
    const int size = bankSize();
    m_items->setRange(0, size);
    m_itemsOf->setText(QStringLiteral("of %1").arg(size));
    if (!m_document) {
        m_bank->setText(QString());
        tell(error, true);
        return;
    }
    const QString path = m_document->path;
    m_bank->setText(path.startsWith(QLatin1Char(':')) ? QStringLiteral("built in")
                                                      : QDir::toNativeSeparators(path));
    tell(QString(), false);
}

void WorksheetsPage::bankChanged(const QString &changed)
{
    if (changed == activity())
        loadBank();
}

bool WorksheetsPage::saveTo(const QString &path, bool answers)
{
    // The bank as it is now: a file dropped into the content folder by hand since the
    // activity was chosen is printed too.
    loadBank();
    QString error;
    std::optional<Worksheet> sheet;
    if (m_document)
        sheet = buildWorksheet(*m_document, items(), seed(), &error);
    else
        error = status();
    int pages = 0;
    if (!sheet || !writeWorksheetPdf(*sheet, answers, paper(), path, &error, &pages)) {
        tell(error, true);
        return false;
    }
    tell(QStringLiteral("Saved the %1 of %2 (%3 items, %4 %5) to %6.")
             .arg(answers ? QStringLiteral("answer sheet") : QStringLiteral("worksheet"), sheet->title)
             .arg(sheet->items.size())
             .arg(pages)
             .arg(pages == 1 ? QStringLiteral("page") : QStringLiteral("pages"), QDir::toNativeSeparators(path)),
         false);
    return true;
}

void WorksheetsPage::chooseAndSave(bool answers)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name = QStringLiteral("%1 %2.pdf").arg(m_activity->currentText(),
                                                         answers ? QStringLiteral("answers") : QStringLiteral("worksheet"));
    const QString path = QFileDialog::getSaveFileName(this, answers ? QStringLiteral("Save answers") : QStringLiteral("Save worksheet"),
                                                      QDir(folder).filePath(name), QStringLiteral("PDF files (*.pdf)"));
    if (!path.isEmpty())
        saveTo(path, answers);
}
