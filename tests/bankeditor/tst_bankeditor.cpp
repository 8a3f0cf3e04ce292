#include "bankmodel.h"
#include "bankspage.h"
#include "contentkinds.h"
#include "form.h"
#include "formview.h"
#include "previewscreen.h"
#include "registerforms.h"
#include "results.h"
#include "settings.h"
#include "teachercontent.h"
#include "teacherplugin.h"
#include "testsupport.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
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

    QTest::newRow("option same as the answer") << "openings" << 5 << "Wrong 2" << "@correct" << "Wrong 2";
    QTest::newRow("empty prompt") << "locating" << 3 << "Prompt" << "" << "Prompt";
    QTest::newRow("event too long") << "chronological" << 4 << "Events 2"
                                    << QString("After a long and winding walk through the dark and dripping woods, "
                                               "where owls called from every branch, we came at last to the old mill ").repeated(4)
                                    << "Events 2";
    QTest::newRow("number not a number") << "rhythm" << 2 << "Correct" << "eleven" << "Correct";
    QTest::newRow("empty event") << "chronological" << 6 << "Events 3" << "" << "Events 3";
    QTest::newRow("key digit out of range") << "notemaking" << 7 << "Key 2" << "7" << "Key 2";
    QTest::newRow("fragment key out of range") << "key2" << 6 << "Key 1" << "9" << "Key 1";
    QTest::newRow("empty slot sentence") << "person" << 5 << "Sentence" << "" << "Sentence";
}

void TestBankEditor::problemOnItsCell()
{
    QFETCH(QString, activity);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QString, marked);
    BankModel model(kindOf(activity));
    QVERIFY(model.load(builtIn(activity), activity + QStringLiteral(".json")));
    const int edited = columnNamed(model, column);
    QVERIFY(edited >= 0);
    if (text == QLatin1String("@correct"))
        text = model.data(model.index(row, columnNamed(model, QStringLiteral("Correct"))), Qt::EditRole).toString();
    QVERIFY(model.setData(model.index(row, edited), text, Qt::EditRole));

    const int expected = columnNamed(model, marked);
    const QStringList reasons = model.problemsAt(row, expected);
    QVERIFY2(!reasons.isEmpty(), qPrintable(model.problems().isEmpty() ? QStringLiteral("no problem")
                                                                       : model.describe(model.problems().first())));
    // Marked in colour, with an icon, and told in words.
    const QModelIndex cell = model.index(row, expected);
    QVERIFY(model.data(cell, Qt::BackgroundRole).isValid());
    QVERIFY(!model.data(cell, Qt::DecorationRole).isNull());
    QVERIFY(model.data(cell, Qt::ToolTipRole).toString().contains(reasons.first().toHtmlEscaped()));
    // Nowhere else: no other row is blamed.
    for (const BankModel::Problem &problem : model.problems())
        QCOMPARE(problem.row, row);
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
    for (const char *edit : {"cell", "add", "duplicate", "delete", "move", "key digit", "longer key"})
        QTest::newRow(edit) << QString::fromLatin1(edit);
}

void TestBankEditor::undoRedo()
{
    QFETCH(QString, edit);
    const bool keyed = edit.contains(QLatin1String("key"));
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
    else { // the spare cell after the longest key: the table grows a column
        int longest = 0;
        for (int r = 0; r < rows; ++r) {
            if (model.data(model.index(r, columns - 2), Qt::EditRole).toString().size())
                longest = r;
        }
        model.setData(model.index(longest, columns - 1), QStringLiteral("0"), Qt::EditRole);
    }
    const QByteArray after = model.toJson();
    QVERIFY(after != before);
    if (edit == QLatin1String("move")) {
        const QJsonArray original = QJsonDocument::fromJson(before).object().value("records").toArray();
        QCOMPARE(model.records().at(2), original.at(8));
        QCOMPARE(model.records().at(3), original.at(2));
    }
    if (edit == QLatin1String("add") || edit == QLatin1String("duplicate"))
        QCOMPARE(model.rowCount(), rows + 1);
    if (edit == QLatin1String("longer key"))
        QCOMPARE(model.columnCount(), columns + 1);
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
    QVERIFY(page.save());
    const QString own = page.teacherFile();

    page.confirm = [](const QString &) { return false; };
    QVERIFY(page.useBuiltIn().isEmpty());
    QVERIFY(QFile::exists(own));

    page.confirm = [](const QString &) { return true; };
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

QTEST_MAIN(TestBankEditor)
#include "tst_bankeditor.moc"
