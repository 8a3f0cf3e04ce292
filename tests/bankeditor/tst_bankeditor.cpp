#include "bankmodel.h"
#include "bankspage.h"
#include "contentkinds.h"
#include "form.h"
#include "formview.h"
#include "mainwindow.h"
#include "previewscreen.h"
#include "program.h"
#include "registerforms.h"
#include "results.h"
#include "settings.h"
#include "teachercontent.h"
#include "teacherplugin.h"
#include "teacherwindow.h"
#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTableView>
#include <QUndoStack>
#include <QtTest>

namespace {

QByteArray builtIn(const QString &activity)
{
    QFile file(QStringLiteral(":/assets/content/%1.json").arg(activity));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ContentKind kindOf(const QString &activity)
{
    for (const ContentKind &kind : allContentKinds()) {
        if (kind.activity == activity)
            return kind;
    }
    return {};
}

int columnNamed(const BankModel &model, const QString &title)
{
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.columnTitle(c) == title)
            return c;
    }
    return -1;
}

// Every visible label's caption on the form on show.
QStringList captions(const Form &form)
{
    QStringList texts;
    for (const auto &control : form.controls()) {
        if (control->visible && control->kind == ControlKind::Label && !control->caption().isEmpty())
            texts << control->caption();
    }
    return texts;
}

bool shows(const QStringList &captions, const QString &text)
{
    return std::any_of(captions.begin(), captions.end(), [&](const QString &c) { return c.contains(text.trimmed()); });
}

// Opens an activity as the class does (a fresh load of its bank) with a record dealt.
QStringList openAsClass(TestApp &app, const QString &activity, int record, int count)
{
    Form *form = app.forms.get(activity);
    form->Show();
    app.state.LastItem = -1;
    app.random.values.clear();
    app.random.queueIndex(record, count);
    for (int i = 0; i < 200; ++i)
        app.random.values.push_back(0.0);
    form->timer(QStringLiteral("Timer1"))->fire();
    return captions(*form);
}

// The Banks page as the teacher window holds it, with no results kept.
struct PageOnItsOwn
{
    Settings settings;
    NoResults results{QString()};
    TeacherContext context{results, settings};
    BanksPage page{context};
};

// Answers every question of a page with the button named answer, keeping the questions.
struct Answering
{
    Answering(BanksPage &page, const QString &answer)
    {
        page.confirm = [this, answer](const BanksPage::Question &question) {
            asked << question;
            return int(question.buttons.indexOf(answer));
        };
    }
    QList<BanksPage::Question> asked;
};

void press(QWidget &page, const QString &button)
{
    for (QPushButton *each : page.findChildren<QPushButton *>()) {
        if (each->text().remove(QLatin1Char('&')) == button)
            QTest::mouseClick(each, Qt::LeftButton);
    }
}

// The whole rows chosen, as a teacher chooses them by clicking their numbers.
QList<int> chosenRows(const QTableView &table)
{
    QList<int> rows;
    for (const QModelIndex &index : table.selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Types into a cell through its editor and ends with a key (none: the editor stays open).
void typeInto(QTableView &table, int row, int column, const QString &text, int key)
{
    const QModelIndex cell = table.model()->index(row, column);
    table.selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    table.edit(cell);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != &table);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text.isEmpty() ? QStringLiteral(" ") : text);
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Backspace);
    if (key)
        QTest::keyClick(editor, Qt::Key(key));
    QCoreApplication::processEvents();
}

} // namespace

class TestBankEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("tst_bankeditor"));
    }
    void init() { QDir(userDataFolder()).removeRecursively(); }

    void builtInBanksRoundTrip_data();
    void builtInBanksRoundTrip();
    void problemOnItsCell_data();
    void problemOnItsCell();
    void tooFewRecordsIsTheBanks();
    void undoRedo_data();
    void undoRedo();
    void saveRefusedWithProblems();
    void savedBankUsedOnNextOpening();
    void builtInAgainKeepsDatedCopy();
    void importIsUntrusted();
    void previewShowsRecord_data();
    void previewShowsRecord();
    void unsavedWorkIsAskedAbout_data();
    void unsavedWorkIsAskedAbout();
    void endingTheProgramAsksFirst();
    void rowEditsKeepTheChoice_data();
    void rowEditsKeepTheChoice();
    void typingKeepsTheCell_data();
    void typingKeepsTheCell();
    void sentenceNeedsNoClosingSpace_data();
    void sentenceNeedsNoClosingSpace();
    void paste_data();
    void paste();
    void newBankIsBlank();
};

// Every shipped bank loads with no problem and is written back byte for byte: the format a
// teacher edits by hand is kept.
void TestBankEditor::builtInBanksRoundTrip_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<bool>("exact");
    // genre keeps one list on one line that is longer than the others it wraps.
    for (const ContentKind &kind : allContentKinds())
        QTest::newRow(qPrintable(kind.activity)) << kind.activity << (kind.activity != QLatin1String("genre"));
}

void TestBankEditor::builtInBanksRoundTrip()
{
    QFETCH(QString, activity);
    QFETCH(bool, exact);
    BankModel model(kindOf(activity));
    QVERIFY(model.load(builtIn(activity), activity + QStringLiteral(".json")));
    QVERIFY2(!model.hasProblems(), qPrintable(model.describe(model.problems().value(0))));
    if (exact)
        QCOMPARE(model.toJson(), builtIn(activity));
    BankModel again(kindOf(activity));
    QVERIFY(again.load(model.toJson(), activity + QStringLiteral(".json")));
    QCOMPARE(again.records(), QJsonDocument::fromJson(builtIn(activity)).object().value("records").toArray());
    QCOMPARE(again.toJson(), model.toJson());
}

void TestBankEditor::problemOnItsCell_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column"); // the cell edited
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marked"); // the cell that must show the problem
    QTest::addColumn<bool>("alone");     // and no other cell
    QTest::addColumn<QString>("says");   // part of what it says, or empty

    QTest::newRow("option same as the answer") << "openings" << 5 << "Wrong 2" << "@correct" << "Wrong 2" << false << "";
    QTest::newRow("empty prompt") << "locating" << 3 << "Prompt" << "" << "Prompt" << true << "empty";
    QTest::newRow("event too long") << "chronological" << 4 << "Events 2"
                                    << QString("After a long and winding walk through the dark and dripping woods, "
                                               "where owls called from every branch, we came at last to the old mill ").repeated(4)
                                    << "Events 2" << false << "";
    QTest::newRow("number not a number") << "rhythm" << 2 << "Correct" << "eleven" << "Correct" << false << "";
    QTest::newRow("empty event") << "chronological" << 6 << "Events 3" << "" << "Events 3" << true << "empty";
    QTest::newRow("emptied last answer") << "similes" << 5 << "Wrong 2" << "" << "Wrong 2" << true << "empty";
    QTest::newRow("key digit out of range") << "notemaking" << 7 << "Key 2" << "7" << "Key 2" << true << "";
    QTest::newRow("emptied key digit") << "notemaking" << 7 << "Key 3" << "" << "Key 3" << true << "Choose a box";
    QTest::newRow("fragment key out of range") << "key2" << 6 << "Key 1" << "9" << "Key 1" << false << "";
    QTest::newRow("empty slot sentence") << "person" << 5 << "Sentence" << "" << "Sentence" << false << "";
    // Another row named by the number the table shows beside it.
    QTest::newRow("sentence of another row") << "person" << 7 << "Sentence" << "@3" << "Sentence" << true << "row 4";
}

void TestBankEditor::problemOnItsCell()
{
    QFETCH(QString, activity);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QString, marked);
    QFETCH(bool, alone);
    QFETCH(QString, says);
    BankModel model(kindOf(activity));
    QVERIFY(model.load(builtIn(activity), activity + QStringLiteral(".json")));
    const int edited = columnNamed(model, column);
    QVERIFY(edited >= 0);
    if (text == QLatin1String("@correct"))
        text = model.data(model.index(row, columnNamed(model, QStringLiteral("Correct"))), Qt::EditRole).toString();
    if (text == QLatin1String("@3"))
        text = model.data(model.index(3, edited), Qt::EditRole).toString();
    QStringList before;
    for (int c = 0; c < model.columnCount(); ++c)
        before << model.data(model.index(row, c), Qt::EditRole).toString();
    QVERIFY(model.setData(model.index(row, edited), text, Qt::EditRole));

    const int expected = columnNamed(model, marked);
    const QStringList reasons = model.problemsAt(row, expected);
    QVERIFY2(!reasons.isEmpty(), qPrintable(model.problems().isEmpty() ? QStringLiteral("no problem")
                                                                       : model.describe(model.problems().first())));
    QVERIFY2(reasons.join(' ').contains(says, Qt::CaseInsensitive), qPrintable(reasons.join(' ')));
    // Marked in colour, with an icon, and told in words.
    const QModelIndex cell = model.index(row, expected);
    QVERIFY(model.data(cell, Qt::BackgroundRole).isValid());
    QVERIFY(!model.data(cell, Qt::DecorationRole).isNull());
    QVERIFY(model.data(cell, Qt::ToolTipRole).toString().contains(reasons.first().toHtmlEscaped()));
    // Nowhere else: no other row is blamed (no other cell, for a problem of one cell).
    for (const BankModel::Problem &problem : model.problems()) {
        QCOMPARE(problem.row, row);
        QVERIFY(model.describe(problem).startsWith("Row " + model.headerData(row, Qt::Vertical, Qt::DisplayRole).toString() + ","));
        if (alone)
            QVERIFY2(problem.column == expected, qPrintable(model.describe(problem)));
    }
    // The other cells of the row keep their texts and places (an emptied cell shifts none).
    for (int c = 0; c < before.size(); ++c) {
        if (c != edited)
            QCOMPARE(model.data(model.index(row, c), Qt::EditRole).toString(), before[c]);
    }
}

void TestBankEditor::tooFewRecordsIsTheBanks()
{
    BankModel model(kindOf(QStringLiteral("similes")));
    QVERIFY(model.load(builtIn(QStringLiteral("similes")), QStringLiteral("similes.json")));
    while (model.rowCount() > 1)
        model.removeRow(0);
    QVERIFY(model.hasProblems());
    QCOMPARE(model.problems().first().row, -1);
    QVERIFY(model.describe(model.problems().first()).startsWith(QStringLiteral("The bank")));
}

void TestBankEditor::undoRedo_data()
{
    QTest::addColumn<QString>("edit");
    for (const char *edit : {"cell", "add", "duplicate", "delete", "move", "key digit", "longer sentence"})
        QTest::newRow(edit) << QString::fromLatin1(edit);
}

void TestBankEditor::undoRedo()
{
    QFETCH(QString, edit);
    const bool keyed = edit.contains(QLatin1String("key")) || edit.contains(QLatin1String("sentence"));
    const QString activity = keyed ? QStringLiteral("notemaking") : QStringLiteral("similes");
    BankModel model(kindOf(activity));
    QVERIFY(model.load(builtIn(activity), activity + QStringLiteral(".json")));
    const QByteArray before = model.toJson();
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    if (edit == QLatin1String("cell"))
        model.setData(model.index(4, 0), QStringLiteral("The wind was as cold as"), Qt::EditRole);
    else if (edit == QLatin1String("add"))
        model.addRow(2);
    else if (edit == QLatin1String("duplicate"))
        model.duplicateRow(6);
    else if (edit == QLatin1String("delete"))
        model.removeRow(3);
    else if (edit == QLatin1String("move"))
        model.moveRow(8, 2);
    else if (edit == QLatin1String("key digit"))
        model.setData(model.index(9, columnNamed(model, QStringLiteral("Key 3"))), QStringLiteral("5"), Qt::EditRole);
    else // more words than any sentence has: the key gains a cell for each
        model.setData(model.index(9, columnNamed(model, QStringLiteral("Sentence"))),
                      QStringLiteral("On Monday morning at nine the whole of Year Five and Year Six met in the hall."),
                      Qt::EditRole);
    const QByteArray after = model.toJson();
    QVERIFY(after != before);
    if (edit == QLatin1String("move")) {
        const QJsonArray original = QJsonDocument::fromJson(before).object().value("records").toArray();
        QCOMPARE(model.records().at(2), original.at(8));
        QCOMPARE(model.records().at(3), original.at(2));
    }
    if (edit == QLatin1String("add") || edit == QLatin1String("duplicate"))
        QCOMPARE(model.rowCount(), rows + 1);
    if (edit == QLatin1String("longer sentence"))
        QVERIFY(model.columnCount() > columns);
    model.undoStack().undo();
    QCOMPARE(model.toJson(), before);
    QCOMPARE(model.rowCount(), rows);
    QCOMPARE(model.columnCount(), columns);
    QVERIFY(!model.hasProblems());
    model.undoStack().redo();
    QCOMPARE(model.toJson(), after);
}

void TestBankEditor::saveRefusedWithProblems()
{
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QVERIFY(page.showActivity(QStringLiteral("openings")));
    BankModel &model = *page.model();
    model.setData(model.index(2, columnNamed(model, QStringLiteral("Prompt"))), QString(), Qt::EditRole);
    model.setData(model.index(3, columnNamed(model, QStringLiteral("Correct"))), QString(), Qt::EditRole);
    const int problems = int(model.problems().size());
    QVERIFY(problems >= 2);
    QVERIFY(!page.save());
    QVERIFY(!QFile::exists(page.teacherFile()));
    QVERIFY2(page.status().contains(QStringLiteral("%1 problems").arg(problems)), qPrintable(page.status()));
    // Mended from the keyboard: Ctrl+Z twice, Ctrl+Y brings one back, Ctrl+Z again.
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    page.table()->setFocus();
    QTest::keyClick(page.table(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(page.table(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!model.hasProblems());
    QTest::keyClick(page.table(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(model.hasProblems());
    QTest::keyClick(page.table(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(page.save());
    QVERIFY(QFile::exists(page.teacherFile()));
}

// The saved file reads back as the same bank, and the activity reads it afresh each time
// it is opened: no restart.
void TestBankEditor::savedBankUsedOnNextOpening()
{
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QVERIFY(page.showActivity(QStringLiteral("openings")));
    BankModel &model = *page.model();
    const int prompt = columnNamed(model, QStringLiteral("Prompt"));
    const int row = 7;
    TestApp app;
    registerForms(app.context);

    for (const QString &text : {QStringLiteral("Slowly the fog lifted from the moor."),
                                QStringLiteral("Far away, a bell rang twice.")}) {
        QVERIFY(model.setData(model.index(row, prompt), text, Qt::EditRole));
        QVERIFY(page.save());
        QFile saved(page.teacherFile());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        BankModel reloaded(kindOf(QStringLiteral("openings")));
        QVERIFY(reloaded.load(saved.readAll(), QStringLiteral("openings.json")));
        QCOMPARE(reloaded.records(), model.records());
        QCOMPARE(reloaded.toJson(), model.toJson());

        QVERIFY2(shows(openAsClass(app, QStringLiteral("openings"), row, model.rowCount()), text),
                 qPrintable(openAsClass(app, QStringLiteral("openings"), row, model.rowCount()).join(" | ")));
        app.forms.unload(QStringLiteral("openings"));
        app.forms.reap();
    }
}

void TestBankEditor::builtInAgainKeepsDatedCopy()
{
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QVERIFY(page.showActivity(QStringLiteral("fact")));
    page.model()->setData(page.model()->index(1, 0), QStringLiteral("Snow is white."), Qt::EditRole);
    {
        // Not saved yet: the question names what would be lost and what keeps it.
        Answering keep(page, QStringLiteral("Keep editing"));
        QVERIFY(page.useBuiltIn().isEmpty());
        QCOMPARE(keep.asked.value(0).buttons, QStringList({"Discard changes", "Keep editing"}));
        QCOMPARE(page.model()->data(page.model()->index(1, 0), Qt::EditRole).toString(), QStringLiteral("Snow is white."));
    }
    QVERIFY(page.save());
    const QString own = page.teacherFile();

    {
        Answering keep(page, QStringLiteral("Keep my bank"));
        QVERIFY(page.useBuiltIn().isEmpty());
        QCOMPARE(keep.asked.value(0).buttons, QStringList({"Use the built-in bank", "Keep my bank"}));
        QCOMPARE(keep.asked.value(0).defaultButton, 1);
    }
    QVERIFY(QFile::exists(own));

    Answering use(page, QStringLiteral("Use the built-in bank"));
    const QString copy = page.useBuiltIn();
    QVERIFY(!QFile::exists(own));
    QVERIFY(QFile::exists(copy));
    QCOMPARE(page.model()->toJson(), builtIn(QStringLiteral("fact")));
    // The copy is neither read as a bank nor reported as a file set aside.
    const QString folder = QFileInfo(own).path();
    QVERIFY(checkContentFolder(folder, allContentKinds()).isEmpty());
    QVERIFY(!contentCandidates(AssetResolver({AssetResolver::embeddedRoot()}), QStringLiteral("fact")).contains(copy));
}

void TestBankEditor::importIsUntrusted()
{
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QTemporaryDir dir;

    const QString huge = dir.filePath(QStringLiteral("huge.json"));
    QFile big(huge);
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(5 * 1024 * 1024, ' '));
    big.close();
    QVERIFY(!page.importFile(huge));

    // A device in a bank's place, to import or as the teacher's own file: refused at once
    // (read whole, it never ends), and the built-in bank shown instead of the own one.
    QElapsedTimer clock;
    clock.start();
    const QString device = dir.filePath(QStringLiteral("zero.json"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
    QVERIFY(!page.importFile(device));
    QVERIFY(page.showActivity(QStringLiteral("fact")));
    QDir().mkpath(QFileInfo(page.teacherFile()).path());
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), page.teacherFile()));
    QVERIFY(page.showActivity(QStringLiteral("similes")));
    QVERIFY(page.showActivity(QStringLiteral("fact")));
    QCOMPARE(page.model()->rowCount(), 33);
    QVERIFY(clock.elapsed() < 5000);
    QFile::remove(page.teacherFile());

    const QString notBank = dir.filePath(QStringLiteral("[note].json"));
    QFile other(notBank);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(R"({"activity": "nothing", "records": []})");
    other.close();
    QVERIFY(!page.importFile(notBank));

    // A colleague's bank for another activity, with markup in its text: shown for that
    // activity, checked, and never read as markup.
    QByteArray shared = builtIn(QStringLiteral("similes"));
    shared.replace("The programme was as dull as", "The <b>programme</b> was as dull as");
    const QString path = dir.filePath(QStringLiteral("<b>colleague.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(shared);
    file.close();
    QVERIFY(page.importFile(path));
    QCOMPARE(page.activity(), QStringLiteral("similes"));
    QVERIFY(page.model()->records().at(0).toObject().value("prompt").toString().contains("<b>"));
    int labelsWithMarkup = 0;
    for (const QLabel *label : page.findChildren<QLabel *>()) {
        if (label->text().contains(QLatin1String("<b>"))) {
            ++labelsWithMarkup;
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }
    QVERIFY(labelsWithMarkup > 0);
    QVERIFY(page.model()->data(page.model()->index(0, 0), Qt::DisplayRole).toString().contains("<b>"));
}

void TestBankEditor::previewShowsRecord_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("record");
    QTest::addColumn<QStringList>("fields"); // whose texts the screen must show

    QTest::newRow("choice") << "openings" << 9 << QStringList{"prompt", "wrong", "correct"};
    QTest::newRow("true or false") << "fact" << 12 << QStringList{"text"};
    QTest::newRow("order of events") << "chronological" << 4 << QStringList{"events"};
    QTest::newRow("words into boxes") << "notemaking" << 11 << QStringList{"sentence"};
}

void TestBankEditor::previewShowsRecord()
{
    QFETCH(QString, activity);
    QFETCH(int, record);
    QFETCH(QStringList, fields);
    // The teacher's saved file (a bank the activity would use) has the records the other
    // way round: the preview shows the bank in memory, not the file.
    QJsonObject reversed = QJsonDocument::fromJson(builtIn(activity)).object();
    QJsonArray records;
    for (const QJsonValue &r : reversed.value("records").toArray())
        records.prepend(r);
    reversed.insert("records", records);
    const QByteArray ownBank = QJsonDocument(reversed).toJson();
    ContentProblems problems;
    kindOf(activity).check(*ContentDocument::parse(ownBank, activity + ".json", problems), problems);
    QVERIFY(problems.isEmpty());
    QDir().mkpath(userDataFolder() + QStringLiteral("/content"));
    QFile own(userDataFolder() + QStringLiteral("/content/") + activity + QStringLiteral(".json"));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write(ownBank);
    own.close();

    const QByteArray bank = builtIn(activity);
    QWidget parent;
    QWidget *preview = createPreviewScreen(allContentKinds(), {AssetResolver::embeddedRoot()}, activity, bank, record, false, &parent);
    QVERIFY(preview);
    const FormView *view = preview->findChild<FormView *>();
    QVERIFY(view && view->form());
    QCOMPARE(view->form()->name(), activity);
    const QStringList shown = captions(*view->form());
    const QJsonObject fieldsOf = QJsonDocument::fromJson(bank).object().value("records").toArray().at(record).toObject();
    for (const QString &field : fields) {
        const QJsonValue value = fieldsOf.value(field);
        QStringList texts = value.isArray() ? QVariant(value.toArray().toVariantList()).toStringList() : QStringList{value.toString()};
        for (const QString &text : texts) {
            // A sentence whose words are dealt one to a label shows each word.
            const QStringList parts = shows(shown, text) ? QStringList{text} : text.split(' ', Qt::SkipEmptyParts);
            for (const QString &part : parts)
                QVERIFY2(shows(shown, part), qPrintable(part + " not in: " + shown.join(" | ")));
        }
    }

    // A bank with a problem is not shown (the activity would not use it).
    QByteArray broken = bank;
    broken.replace("\"records\": [", "\"records\": [1, ");
    QVERIFY(!createPreviewScreen(allContentKinds(), {AssetResolver::embeddedRoot()}, activity, broken, record, false, &parent));
}

void TestBankEditor::unsavedWorkIsAskedAbout_data()
{
    QTest::addColumn<QString>("leaving");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("problems"); // a problem left, so Save is refused
    for (const char *leaving : {"closing", "showing another activity", "importing", "starting a new bank"}) {
        for (const char *answer : {"Save", "Discard", "Cancel"})
            QTest::addRow("%s, %s", leaving, answer) << QString::fromLatin1(leaving) << QString::fromLatin1(answer) << false;
        QTest::addRow("%s, Save refused", leaving) << QString::fromLatin1(leaving) << QStringLiteral("Save") << true;
    }
}

void TestBankEditor::unsavedWorkIsAskedAbout()
{
    QFETCH(QString, leaving);
    QFETCH(QString, answer);
    QFETCH(bool, problems);
    Settings settings;
    NoResults results{QString()};
    TeacherContext context{results, settings};
    TeacherWindow window(context);
    window.show();
    BanksPage &page = *window.findChild<BanksPage *>();
    QVERIFY(page.showActivity(QStringLiteral("similes")));
    const QString title = window.windowTitle();
    const QString edited = QStringLiteral("The wind was as cold as");
    page.model()->setData(page.model()->index(4, 0), edited, Qt::EditRole);
    page.model()->setData(page.model()->index(6, 0), problems ? QString() : QStringLiteral("The bell was as loud as"), Qt::EditRole);
    QVERIFY2(page.heading().startsWith(QStringLiteral("Similes*")), qPrintable(page.heading()));
    QCOMPARE(window.windowTitle(), QStringLiteral("Similes* - ") + title);

    Answering answering(page, answer);
    QTemporaryDir elsewhere;
    const QString colleague = elsewhere.filePath(QStringLiteral("fact.json"));
    QFile file(colleague);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(builtIn(QStringLiteral("fact"))) > 0);
    file.close();
    const bool went = leaving == QLatin1String("closing") ? window.close()
                    : leaving == QLatin1String("importing") ? page.importFile(colleague)
                    : leaving == QLatin1String("starting a new bank") ? page.newBank()
                                                                      : page.showActivity(QStringLiteral("fact"));
    QCOMPARE(answering.asked.size(), 1);
    QVERIFY(answering.asked[0].text.startsWith(QStringLiteral("Save changes to Similes before ") + leaving.section(' ', 0, 0)));
    QCOMPARE(answering.asked[0].buttons, QStringList({"Save", "Discard", "Cancel"}));
    QCOMPARE(answering.asked[0].defaultButton, 0);

    const bool kept = answer == QLatin1String("Cancel") || problems;
    const bool saved = answer == QLatin1String("Save") && !problems;
    QCOMPARE(went, !kept);
    QCOMPARE(window.isVisible(), kept || leaving != QLatin1String("closing"));
    QFile own(QDir(userDataFolder()).filePath(QStringLiteral("content/similes.json")));
    QCOMPARE(own.open(QIODevice::ReadOnly) && own.readAll().contains(edited.toUtf8()), saved);
    if (kept) {
        // Nothing lost, still marked, and why it was not saved on the page.
        QCOMPARE(page.model()->data(page.model()->index(4, 0), Qt::EditRole).toString(), edited);
        QCOMPARE(window.windowTitle(), QStringLiteral("Similes* - ") + title);
        QCOMPARE(page.status().startsWith(QStringLiteral("Not saved")), problems);
    } else if (leaving == QLatin1String("closing")) {
        // Opened again: the bank as saved, or as it was before the edits discarded.
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(page.model()->data(page.model()->index(4, 0), Qt::EditRole).toString() == edited, saved);
    }
}

// Ending the program from the pupils' window asks the teacher window first, in a real
// message box; Cancel keeps the program running.
void TestBankEditor::endingTheProgramAsksFirst()
{
    Program program;
    program.show();
    program.openTeacher();
    QTableView *table = nullptr;
    for (QWidget *each : QApplication::topLevelWidgets()) {
        for (QTableView *view : each->findChildren<QTableView *>())
            table = view->accessibleName() == QLatin1String("Records of the bank") ? view : table;
    }
    QVERIFY2(table, "no teacher window: its module is not beside the test");
    QVERIFY(table->model()->setData(table->model()->index(3, 0), QStringLiteral("Once upon a time"), Qt::EditRole));
    QVERIFY(table->window()->windowTitle().contains(QLatin1Char('*')));

    QStringList buttons;
    auto answerWith = [&buttons](const QString &button) {
        auto *poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, button, &buttons] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll->stop();
            poll->deleteLater();
            buttons = {box->defaultButton()->text()};
            for (QAbstractButton *each : box->buttons())
                buttons << each->text();
            for (QAbstractButton *each : box->buttons()) {
                if (each->text() == button)
                    each->click();
            }
        });
        poll->start(10);
    };
    answerWith(QStringLiteral("Cancel"));
    program.forms().end(); // Exit on the title screen
    QVERIFY(!program.forms().hasEnded());
    QVERIFY(table->window()->isVisible());
    std::sort(buttons.begin() + 1, buttons.end());
    QCOMPARE(buttons, QStringList({"Save", "Cancel", "Discard", "Save"}));
    answerWith(QStringLiteral("Cancel"));
    QVERIFY(!program.window().close()); // the pupils' window, closed by the window manager
    QVERIFY(program.window().isVisible() && !program.forms().hasEnded());

    answerWith(QStringLiteral("Discard"));
    program.forms().end();
    QVERIFY(program.forms().hasEnded());
}

void TestBankEditor::rowEditsKeepTheChoice_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<QString>("after");    // the records then in rows 1 to 8, by their rows before (from 0)
    QTest::addColumn<QList<int>>("shown"); // the rows chosen after
    QTest::addColumn<QString>("says");     // when nothing is done: how the page says why

    QTest::newRow("delete one") << "Delete" << QList<int>{3} << "01245678" << QList<int>{3} << "";
    QTest::newRow("delete two") << "Delete" << QList<int>{3, 4} << "01256789" << QList<int>{3} << "";
    QTest::newRow("delete two apart") << "Delete" << QList<int>{1, 3} << "02456789" << QList<int>{1, 2} << "";
    QTest::newRow("move two up") << "Move up" << QList<int>{3, 5} << "01325467" << QList<int>{2, 4} << "";
    QTest::newRow("move one down") << "Move down" << QList<int>{3} << "01243567" << QList<int>{4} << "";
    QTest::newRow("move the first up") << "Move up" << QList<int>{0, 1} << "01234567" << QList<int>{0, 1} << "";
    QTest::newRow("duplicate two") << "Duplicate" << QList<int>{3, 4} << "01234345" << QList<int>{5, 6} << "";
    QTest::newRow("add below") << "Add row" << QList<int>{2} << "012-3456" << QList<int>{3} << "";
    QTest::newRow("delete with nothing chosen") << "Delete" << QList<int>{} << "01234567" << QList<int>{} << "Choose";
    QTest::newRow("delete rows out of view") << "Delete" << QList<int>{30, 31} << "01234567" << QList<int>{30, 31} << "These";
}

void TestBankEditor::rowEditsKeepTheChoice()
{
    QFETCH(QString, button);
    QFETCH(QList<int>, chosen);
    QFETCH(QString, after);
    QFETCH(QList<int>, shown);
    QFETCH(QString, says);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to this view")));
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QVERIFY(page.showActivity(QStringLiteral("similes")));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    BankModel &model = *page.model();
    QTableView &table = *page.table();
    const QByteArray json = model.toJson();
    const QJsonArray before = model.records();
    // Chosen as a teacher chooses them, and one of their cells still being typed in.
    table.selectionModel()->clear();
    for (int row : chosen)
        table.selectionModel()->select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString typed = QStringLiteral("a stone");
    if (says.isEmpty())
        typeInto(table, chosen.first(), 1, typed, 0);
    press(page, button);

    QString rows;
    for (int r = 0; r < 8; ++r) {
        const bool typedIn = says.isEmpty() && model.records().at(r).toObject().value("wrong").toArray().at(0) == typed;
        const QJsonValue record = typedIn ? before.at(chosen.first()) : model.records().at(r);
        const qsizetype was = std::find(before.begin(), before.end(), record) - before.begin();
        rows += was < before.size() ? QString::number(was) : QStringLiteral("-");
    }
    QCOMPARE(rows, after);
    QCOMPARE(chosenRows(table), shown);
    QVERIFY2(says.isEmpty() || page.status().startsWith(says), qPrintable(page.status()));
    QCOMPARE(model.rowCount() == before.size(), !says.isEmpty() || button.startsWith("Move"));
    if (chosen.isEmpty())
        return;
    QVERIFY(shown.contains(table.currentIndex().row()));
    // A second press acts on the rows in view, never on the first row.
    if (button == QLatin1String("Delete")) {
        const QJsonValue first = model.records().at(0);
        press(page, button);
        QCOMPARE(model.records().at(0), first);
    }
    // One undo a press, and one for the typing.
    while (model.undoStack().canUndo())
        page.undo();
    QCOMPARE(model.toJson(), json);
}

void TestBankEditor::typingKeepsTheCell_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key"); // ends the typing; 0: Undo pressed while typing

    QTest::newRow("a sentence longer than any") << "notemaking" << "Sentence"
        << "On Monday morning at nine the whole of Year Five and Year Six met in the hall." << int(Qt::Key_Return);
    QTest::newRow("a digit emptied, then Tab") << "notemaking" << "Key 3" << "" << int(Qt::Key_Tab);
    QTest::newRow("the last answer emptied") << "similes" << "Wrong 2" << "" << int(Qt::Key_Return);
    QTest::newRow("undo while typing") << "notemaking" << "Key 2" << "3" << 0;
}

// The table never loses the cell being typed in, nor its editor, whatever the typing does
// to the table's columns.
void TestBankEditor::typingKeepsTheCell()
{
    QFETCH(QString, activity);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(int, key);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to this view")));
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QVERIFY(page.showActivity(activity));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTableView &table = *page.table();
    const int edited = columnNamed(*page.model(), column);
    const QByteArray json = page.model()->toJson();
    typeInto(table, 4, edited, text, key);
    if (!key)
        page.undo();
    QCOMPARE(table.currentIndex(), page.model()->index(4, edited + (key == Qt::Key_Tab ? 1 : 0)));
    QCOMPARE(page.model()->toJson() == json, !key);
}

void TestBankEditor::sentenceNeedsNoClosingSpace_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("a sentence as typed") << "person" << "Can we go to their school with them?" << "Can we go to their school with them? ";
    QTest::newRow("with spaces after it") << "person" << "Can we go to their school with them?   " << "Can we go to their school with them? ";
    QTest::newRow("an answer's own space") << "similes" << "a sleepy dormouse " << "a sleepy dormouse ";
}

void TestBankEditor::sentenceNeedsNoClosingSpace()
{
    QFETCH(QString, activity);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    BankModel model(kindOf(activity));
    QVERIFY(model.load(builtIn(activity), activity + QStringLiteral(".json")));
    const QModelIndex cell = model.index(1, columnNamed(model, activity == QLatin1String("person") ? "Sentence" : "Wrong 1"));
    model.setData(cell, typed, Qt::EditRole);
    QVERIFY2(!model.hasProblems(), qPrintable(model.describe(model.problems().value(0))));
    QVERIFY(model.toJson().contains(QJsonDocument(QJsonArray{kept}).toJson(QJsonDocument::Compact).mid(1).chopped(1)));
    // Shown as typed; the key's cells headed by the sentence's words.
    QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), activity == QLatin1String("person") ? kept.trimmed() : kept);
    model.setHeaderRow(1);
    if (activity == QLatin1String("person"))
        QCOMPARE(model.headerData(cell.column() + 2, Qt::Horizontal, Qt::DisplayRole).toString(), kept.section(' ', 1, 1));
}

void TestBankEditor::paste_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("fromEnd"); // the row pasted at, counted back from the last
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // "row from the last/column/text"; the last row is new

    QTest::newRow("two rows, one of them new") << "similes" << 0 << "Prompt"
        << "The snow was as white as\ta raven\ta coal\ta fresh sheet\r\nThe tea was as hot as\tan ice cube\tsnow\tthe sun\r\n"
        << QStringList{"1/Prompt/The snow was as white as", "1/Correct/a fresh sheet", "0/Wrong 2/snow"};
    QTest::newRow("a key in one cell") << "notemaking" << 2 << "Sentence" << "We meet at the park on Friday.\t1001101"
        << QStringList{"2/Sentence/We meet at the park on Friday.", "2/Key 1/1", "2/Key 2/0", "2/Key 7/1"};
}

void TestBankEditor::paste()
{
    QFETCH(QString, activity);
    QFETCH(int, fromEnd);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    PageOnItsOwn held;
    BanksPage &page = held.page;
    QVERIFY(page.showActivity(activity));
    BankModel &model = *page.model();
    const QByteArray json = model.toJson();
    const int lines = int(text.split('\n', Qt::SkipEmptyParts).size());
    page.table()->setCurrentIndex(model.index(model.rowCount() - 1 - fromEnd, columnNamed(model, column)));
    QApplication::clipboard()->setText(text);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.table()->setFocus();
    QTest::keyClick(page.table(), Qt::Key_V, Qt::ControlModifier);
    for (const QString &each : expected) {
        const QStringList part = each.split('/');
        QCOMPARE(model.data(model.index(model.rowCount() - 1 - part[0].toInt(), columnNamed(model, part[1])), Qt::EditRole).toString(), part[2]);
    }
    QCOMPARE(chosenRows(*page.table()).size(), lines);
    page.undo();
    QCOMPARE(model.toJson(), json);
}

// A new bank is as few blank records as a bank may have, in the cells of its activity,
// not saved, and not fit to save.
void TestBankEditor::newBankIsBlank()
{
    PageOnItsOwn held;
    BanksPage &page = held.page;
    for (const ContentKind &kind : allContentKinds()) {
        Answering discard(page, QStringLiteral("Discard"));
        QVERIFY(page.showActivity(kind.activity));
        const auto columns = page.model()->columns();
        QVERIFY(page.newBank());
        BankModel &model = *page.model();
        QCOMPARE(model.rowCount(), 2);
        QVERIFY(page.heading().contains(QLatin1Char('*')));
        QCOMPARE(model.columns().front().kind, columns.front().kind);
        QCOMPARE(model.columns().back().kind, columns.back().kind);
        for (int c = 0; c < model.columnCount(); ++c) {
            const QString text = model.data(model.index(1, c), Qt::EditRole).toString();
            QVERIFY2(text.isEmpty() || text == QLatin1String("0"), qPrintable(kind.activity + ": " + text));
        }
        QVERIFY(model.hasProblems() && !page.save());
    }
}

QTEST_MAIN(TestBankEditor)
#include "tst_bankeditor.moc"
