#include "catalogue.h"
#include "formregistry.h"
#include "introscreen.h"
#include "shellforms.h"
#include "termmenu.h"
#include "testsupport.h"
#include "titlescreen.h"

#include <QSet>
#include <QtTest>

#include <stdexcept>

namespace {

const QString Click = QStringLiteral("wav\\click.wav");

// Stands in for an activity: its Exit goes back to the menu that lists it, as every
// activity's does.
class FakeActivity : public Screen
{
public:
    FakeActivity(AppContext &context, const QString &name)
        : Screen(context, name)
    {
        Control &exit = add(ControlKind::CommandButton, QStringLiteral("cmdexit"));
        exit.onClick = [this](int) {
            if (Form *menu = forms().get(Catalogue::menuOf(this->name())))
                menu->Show();
            Unload();
            PlayCue(QStringLiteral("wav\\click.wav"));
        };
    }
};

void registerFake(TestApp &app, const QString &name)
{
    app.forms.registerForm(name, [&app, name](FormRegistry &) { return std::make_unique<FakeActivity>(app.context, name); });
}

// The control called name on a form; a missing one fails the test.
Control &ctl(const Form *form, const QString &name, int index = -1)
{
    Control *control = form ? form->control(name, index) : nullptr;
    if (!control)
        throw std::logic_error("no control " + name.toStdString());
    return *control;
}

void click(Form *form, const char *name, int index = -1)
{
    QVERIFY(form);
    Control *control = form->control(QString::fromLatin1(name), index);
    QVERIFY2(control && control->onClick, name);
    control->onClick(index);
    form->forms().reap();
}

Form *openMenu(TestApp &app, const QString &name)
{
    registerShellForms(app.context);
    app.state.SoundOn = 1;
    Form *menu = app.forms.get(name);
    menu->Show();
    return menu;
}

QString currentName(const TestApp &app)
{
    return app.forms.current() ? app.forms.current()->name() : QString();
}

} // namespace

class tst_TermMenu : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void catalogueListsEveryActivityOnce();
    void menusShowTheirTitleAndEntries_data();
    void menusShowTheirTitleAndEntries();
    void termLabelsSwitchWithinTheYear_data();
    void termLabelsSwitchWithinTheYear();
    void entriesWithoutAnActivityOnlyClick_data();
    void entriesWithoutAnActivityOnlyClick();
    void termBoxesFollowTheMouse();
    void theRoadThroughTheProgram();
    void soundOffHoldsUntilTheTitleLoads();
};

void tst_TermMenu::catalogueListsEveryActivityOnce()
{
    QSet<QString> seen;
    for (const TermMenuDesign &menu : Catalogue::menus()) {
        for (int i = 0; i < Catalogue::EntriesPerMenu; ++i) {
            const CatalogueEntry *entry = Catalogue::entry(menu.year, menu.term, i);
            QVERIFY2(entry, menu.form);
            const QString activity = QString::fromLatin1(entry->activity);
            if (activity.isEmpty())
                continue;
            QVERIFY2(!seen.contains(activity), qPrintable(activity));
            seen.insert(activity);
            QCOMPARE(Catalogue::menuOf(activity), QString::fromLatin1(menu.form));
            // Each activity's bank is named after it: a misspelt form name shows up here.
            QVERIFY2(QFile::exists(QStringLiteral(":/assets/content/%1.json").arg(activity)), qPrintable(activity));
        }
    }
    QCOMPARE(seen.size(), 30);
    QCOMPARE(int(Catalogue::entries().size()), 30);
    QCOMPARE(Catalogue::menuOf(QStringLiteral("intro0")), QString());
    QCOMPARE(Catalogue::menuOf(QString()), QString());
}

void tst_TermMenu::menusShowTheirTitleAndEntries_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<float>("width");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("menu1") << "menu1" << "Year 5 - Term 1" << 3975.0f
                           << QStringList{"Story Openings", "Poetry Style", "Similes", "Chronological Order", "Instructional Texts"};
    QTest::newRow("menu2") << "menu2" << "Year 5 - Term 2" << 4215.0f
                           << QStringList{"Poetry Terms", "Genre", "Figurative Language", "Identifying Similarities", "Locating Information"};
    QTest::newRow("menu3") << "menu3" << "Year 5 - Term 3" << 3735.0f
                           << QStringList{"Ambiguity", "Predictions", "Note Making", "Persuasive Devices", "Style Evaluation"};
    QTest::newRow("menu4") << "menu4" << "Year 6 - Term 1" << 3855.0f
                           << QStringList{"1st, 2nd, 3rd Person", "Preparing a CV", "Distinctive Voices", "Questionnaires", "Drama"};
    QTest::newRow("menu5") << "menu5" << "Year 6 - Term 2" << 4815.0f
                           << QStringList{"Rhythm in Poetry", "Fact or Opinion?", "Linking of Points", "Open or Closed Questions", "Attention to Accuracy"};
    QTest::newRow("menu6") << "menu6" << "Year 6 - Term 3" << 3495.0f
                           << QStringList{"Key Points", "Style of Writer", "Back Cover Blurb", "Reviews", "Revision"};
}

void tst_TermMenu::menusShowTheirTitleAndEntries()
{
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(float, width);
    QFETCH(QStringList, captions);
    TestApp app;
    Form *form = openMenu(app, menu);
    QCOMPARE(form->caption, QStringLiteral("Dunmorrow"));
    QCOMPARE(form->backColor, QColor(49, 135, 215));
    QCOMPARE(form->width, 12000.0f);
    QVERIFY(!form->picture.isNull());
    QVERIFY(form->picture == app.forms.get<Intro0>(QString::fromLatin1(Intro0::Name))->menuBackground());
    QVERIFY(!app.forms.loaded(QString::fromLatin1(Intro0::Name))->visible); // loaded hidden
    QCOMPARE(ctl(form, QStringLiteral("Label1")).caption(), title);
    QCOMPARE(ctl(form, QStringLiteral("Label1")).left, 2865.0f);
    QCOMPARE(ctl(form, QStringLiteral("Command1")).rect(), QRectF(90, 7920, 1785, 500));
    QVERIFY(!ctl(form, QStringLiteral("Command1")).picture().isNull());
    for (int i = 0; i < 5; ++i) {
        const Control &entry = ctl(form, QStringLiteral("Label3"), i);
        QCOMPARE(entry.caption(), captions.at(i));
        QCOMPARE(entry.rect(), QRectF((12000 - width) / 2, 3000 + 750 * i, width, 495));
        QVERIFY(entry.visible && entry.opaque && entry.border);
        QCOMPARE(entry.font(), (FontSpec{QStringLiteral("Tahoma"), 15.75f, true}));
        // The caption fits the label on one line.
        QVERIFY2(app.measurer.measure(entry.font(), entry.caption(), 0).width() <= width - 30, qPrintable(entry.caption()));
    }
    for (int i = 0; i < 3; ++i) {
        const Control &term = ctl(form, QStringLiteral("Label2"), i);
        QCOMPARE(term.caption(), QStringLiteral("Term %1").arg(i + 1));
        QCOMPARE(term.rect(), QRectF(9600, 3000 + 750 * i, 2235, 495));
        QCOMPARE(term.backColor, QColor(0, 0, 255));
        QVERIFY(term.visible);
    }
    QCOMPARE(form->control(QStringLiteral("Label2"), 3), nullptr);
}

void tst_TermMenu::termLabelsSwitchWithinTheYear_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("to");
    QTest::newRow("Year 5: Term 1 to Term 2") << "menu1" << 1 << "menu2";
    QTest::newRow("Year 5: Term 1 to Term 3") << "menu1" << 2 << "menu3";
    QTest::newRow("Year 5: Term 3 to Term 1") << "menu3" << 0 << "menu1";
    QTest::newRow("Year 6: Term 1 to Term 3") << "menu4" << 2 << "menu6";
    QTest::newRow("Year 6: Term 2 to Term 1") << "menu5" << 0 << "menu4";
    QTest::newRow("Year 6: Term 3 to Term 2") << "menu6" << 1 << "menu5";
    QTest::newRow("own term: Year 5 Term 2") << "menu2" << 1 << "menu2";
    QTest::newRow("own term: Year 6 Term 3") << "menu6" << 2 << "menu6";
}

void tst_TermMenu::termLabelsSwitchWithinTheYear()
{
    QFETCH(QString, from);
    QFETCH(int, index);
    QFETCH(QString, to);
    TestApp app;
    Form *menu = openMenu(app, from);
    const quint64 serial = menu->serial();
    click(menu, "Label2", index);
    QCOMPARE(currentName(app), to);
    QCOMPARE(app.forms.isLoaded(from), from == to);
    if (from == to)
        QCOMPARE(app.forms.current()->serial(), serial); // the same menu, not a reload
    QCOMPARE(app.sound.played, QStringList{Click});
}

void tst_TermMenu::entriesWithoutAnActivityOnlyClick_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("index");
    QTest::newRow("an activity not registered") << "menu1" << 0;
}

void tst_TermMenu::entriesWithoutAnActivityOnlyClick()
{
    QFETCH(QString, menu);
    QFETCH(int, index);
    TestApp app;
    Form *form = openMenu(app, menu);
    click(form, "Label3", index);
    QCOMPARE(app.forms.current(), form);
    QCOMPARE(app.sound.played, QStringList{Click});
}

void tst_TermMenu::termBoxesFollowTheMouse()
{
    TestApp app;
    Form *menu = openMenu(app, QStringLiteral("menu4"));
    auto opaque = [menu](const char *name, int index) { return ctl(menu, QString::fromLatin1(name), index).opaque; };
    for (int i = 0; i < 3; ++i)
        QVERIFY(opaque("Label2", i)); // before the mouse first crosses the background
    menu->onMouseMove(-1, 0, 0, 6000, 8500);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!opaque("Label2", i));
    Control &term = ctl(menu, QStringLiteral("Label2"), 1);
    term.onMouseMove(1, 0, 0, 100, 100);
    QVERIFY(!opaque("Label2", 0));
    QVERIFY(opaque("Label2", 1));
    QVERIFY(!opaque("Label2", 2));
    // The title and the activities keep their boxes throughout.
    QVERIFY(opaque("Label1", -1));
    for (int i = 0; i < 5; ++i)
        QVERIFY(opaque("Label3", i));
}

void tst_TermMenu::theRoadThroughTheProgram()
{
    TestApp app;
    registerShellForms(app.context);
    registerFake(app, QStringLiteral("linking"));
    app.forms.get(QString::fromLatin1(Titlefrm::Name))->Show();
    click(app.forms.current(), "Command1"); // OK
    QCOMPARE(currentName(app), QStringLiteral("intro0"));
    click(app.forms.current(), "Label2", 4); // Year 6, Term 2
    QCOMPARE(currentName(app), QStringLiteral("menu5"));
    Form *menu = app.forms.current();
    menu->onMouseMove(-1, 0, 0, 500, 500);
    ctl(menu, QStringLiteral("Label2"), 2).onMouseMove(2, 0, 0, 10, 10);
    std::vector<ControlLook> before;
    for (const auto &control : menu->controls())
        before.push_back(control->look());

    click(menu, "Label3", 2); // Linking of Points
    QCOMPARE(currentName(app), QStringLiteral("linking"));
    QVERIFY(app.forms.isLoaded(QStringLiteral("menu5"))); // stays underneath
    click(app.forms.current(), "cmdexit");
    QCOMPARE(app.forms.current(), menu);
    QVERIFY(!app.forms.isLoaded(QStringLiteral("linking")));
    QCOMPARE(menu->controls().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        QVERIFY2(menu->controls()[i]->look() == before[i], qPrintable(menu->controls()[i]->name()));

    click(menu, "Command1");
    QCOMPARE(currentName(app), QStringLiteral("intro0"));
    QVERIFY(!app.forms.isLoaded(QStringLiteral("menu5")));
    click(app.forms.current(), "Command1");
    QCOMPARE(currentName(app), QStringLiteral("Titlefrm"));
    QCOMPARE(ctl(app.forms.current(), QStringLiteral("Command1")).caption(), QStringLiteral("Cancel"));
    click(app.forms.current(), "Command1"); // Cancel
    QCOMPARE(currentName(app), QStringLiteral("intro0"));
    QVERIFY(ctl(app.forms.current(), QStringLiteral("Option1")).value);
    // Term label, activity, its exit, the menu's exit and home's exit each clicked once.
    QCOMPARE(app.sound.played, QStringList(5, Click));
}

void tst_TermMenu::soundOffHoldsUntilTheTitleLoads()
{
    TestApp app;
    registerShellForms(app.context);
    registerFake(app, QStringLiteral("similes"));
    registerFake(app, QStringLiteral("ambiguity"));
    app.forms.get(QString::fromLatin1(Titlefrm::Name))->Show();
    click(app.forms.current(), "Command1");
    click(app.forms.current(), "Option2"); // Sound Off
    click(app.forms.current(), "Label2", 0);
    click(app.forms.current(), "Label3", 2); // Similes
    click(app.forms.current(), "cmdexit");
    click(app.forms.current(), "Label2", 2); // to Term 3: loads home again, hidden
    QCOMPARE(currentName(app), QStringLiteral("menu3"));
    click(app.forms.current(), "Label3", 0); // Ambiguity
    QCOMPARE(currentName(app), QStringLiteral("ambiguity"));
    click(app.forms.current(), "cmdexit");
    click(app.forms.current(), "Command1");
    QCOMPARE(currentName(app), QStringLiteral("intro0"));
    QVERIFY(ctl(app.forms.current(), QStringLiteral("Option2")).value);
    QVERIFY(app.sound.played.isEmpty());
    QVERIFY(!app.forms.isLoaded(QStringLiteral("Grey")));
    // Home's exit loads the title, which turns sound on in time for the click.
    click(app.forms.current(), "Command1");
    QCOMPARE(app.sound.played, QStringList{Click});
}

QTEST_MAIN(tst_TermMenu)
#include "tst_termmenu.moc"
