// High contrast: every text of every screen, in the states where its coloured texts show,
// measured on the pixels the view paints; the designed colours kept by default; the
// persuasive parts still matched to their boxes by colour.

#include "assetresolver.h"
#include "catalogue.h"
#include "choicescreen.h"
#include "controlwidget.h"
#include "formview.h"
#include "introscreen.h"
#include "shotplan.h"
#include "titlescreen.h"

#include <QPainter>
#include <QtTest>

namespace {

bool onlyInk(const Control &control) // a transparent label: it paints nothing but its text
{
    return control.kind == ControlKind::Label && !control.opaque && !control.caption().isEmpty();
}

// Every text on show below the guideline, as "name(index): ratio". A transparent label is
// measured as painted: its ink's colour against each pixel the ink covers, as that pixel is
// with the label taken away. Other such texts are taken away too, so a word lying over its
// own copy (a word being moved) counts against what lies beneath them both.
QStringList lowContrast(FormView &view, Form &form)
{
    view.refresh();
    QList<ControlWidget *> inked;
    for (const auto &each : form.controls()) {
        if (ControlWidget *widget = view.widgetFor(each.get()); widget && widget->isVisible() && onlyInk(*each))
            inked << widget;
    }
    for (ControlWidget *widget : inked)
        widget->hide();
    QStringList low;
    for (const auto &each : form.controls()) {
        ControlWidget *widget = view.widgetFor(each.get());
        const QRectF text = textRectOf(*each);
        if (text.isEmpty() || !widget || !(widget->isVisible() || inked.contains(widget)))
            continue;
        const ShownColours colours = shownColours(form, *each, view.colourScheme());
        double worst = contrastRatio(colours.fore, colours.back);
        if (onlyInk(*each) && !colours.backing) {
            const QRect pixels = view.scaling().toPixels(text).toAlignedRect();
            const QImage behind = view.grab(pixels).toImage();
            widget->show();
            const QImage shown = view.grab(pixels).toImage();
            widget->hide();
            QList<QPoint> ink;
            QColor inkColour; // where the ink stands out most: a pixel the letters cover whole
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    if (shown.pixel(x, y) == behind.pixel(x, y))
                        continue;
                    ink << QPoint(x, y);
                    if (!inkColour.isValid() || contrastRatio(shown.pixelColor(x, y), behind.pixelColor(x, y))
                            > contrastRatio(inkColour, behind.pixelColor(x, y)))
                        inkColour = shown.pixelColor(x, y);
                }
            }
            worst = ink.isEmpty() ? 0 : 21;
            for (const QPoint &p : ink)
                worst = std::min(worst, contrastRatio(inkColour, behind.pixelColor(p)));
        }
        if (worst < TextContrast)
            low << QStringLiteral("%1(%2): %3").arg(each->name()).arg(each->index()).arg(worst, 0, 'f', 2);
    }
    for (ControlWidget *widget : inked)
        widget->show();
    return low;
}

bool clickWrongAnswer(Form &form)
{
    auto *screen = dynamic_cast<ChoiceScreen *>(&form);
    for (int i = 0; screen && i < screen->activity().rules.optionCount; ++i) {
        if (!screen->isCorrect(i)) {
            screen->ctl(QStringLiteral("Label5"), i).press();
            for (const char *mark : {"tmrtick", "tmrcross"}) {
                for (Timer *timer = form.timer(QString::fromLatin1(mark)); timer && timer->enabled;)
                    timer->fire();
            }
            return true;
        }
    }
    return false;
}

using Look = std::function<void(FormView &view, Form &form, const QString &state)>;

// Shows every state of an activity's plan and a wrong answer (or, for no activity, the
// title, home and term menus) in a view in the given scheme.
void walk(const QString &activity, ColourScheme scheme, const Look &look)
{
    for (int run = 0; run < 2; ++run) {
        ShotProgram program;
        FormView view(program.forms);
        view.resize(1200, 900);
        view.setColourScheme(scheme);
        view.show();
        if (activity.isEmpty()) {
            QStringList names{QString::fromLatin1(Titlefrm::Name), QString::fromLatin1(Intro0::Name)};
            for (const TermMenuDesign &menu : Catalogue::menus())
                names << QString::fromLatin1(menu.form);
            for (const QString &name : names) {
                program.forms.get(name)->Show();
                look(view, *program.forms.current(), name);
            }
            return;
        }
        for (const ShotPlan &plan : allPlans()) {
            Form *form = plan.activity == activity ? plan.open(program, 0) : nullptr;
            if (form && run == 0) {
                look(view, *form, QStringLiteral("dealt"));
                for (const ShotStep &step : plan.steps) {
                    if (step.act(*form))
                        look(view, *form, step.name);
                }
            } else if (form && clickWrongAnswer(*form)) {
                look(view, *form, QStringLiteral("wrong"));
            }
        }
    }
}

} // namespace

class tst_Contrast : public QObject
{
    Q_OBJECT

private slots:
    void ratio_data()
    {
        QTest::addColumn<QColor>("fore");
        QTest::addColumn<QColor>("back");
        QTest::addColumn<double>("expected");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("grey just passing, either way round") << QColor(Qt::white) << QColor(118, 118, 118) << 4.54;
        QTest::newRow("orange verdict on the blue") << QColor(255, 128, 0) << QColor(48, 133, 214) << 1.53;
    }

    void ratio()
    {
        QFETCH(QColor, fore);
        QFETCH(QColor, back);
        QFETCH(double, expected);
        QCOMPARE(std::round(contrastRatio(fore, back) * 100) / 100, expected);
    }

    void everyScreen_data()
    {
        QTest::addColumn<QString>("activity");
        QTest::addColumn<bool>("high");
        for (bool high : {true, false}) {
            QTest::addRow("title, home and menus, %s", high ? "high" : "designed") << QString() << high;
            for (const ShotPlan &plan : allPlans())
                QTest::addRow("%s, %s", qPrintable(plan.activity), high ? "high" : "designed") << plan.activity << high;
        }
    }

    void everyScreen()
    {
        QFETCH(QString, activity);
        QFETCH(bool, high);
        QStringList low, recoloured;
        int states = 0;
        walk(activity, high ? ColourScheme::HighContrast : ColourScheme::Designed,
             [&](FormView &view, Form &form, const QString &state) {
                 ++states;
                 for (const QString &text : lowContrast(view, form))
                     low << state + QStringLiteral(": ") + text;
                 for (const auto &each : form.controls()) {
                     const ShownColours shown = shownColours(form, *each, view.colourScheme());
                     if (!high && (shown.fore != each->foreColor || shown.back != each->backColor || shown.backing))
                         recoloured << state + QStringLiteral(": ") + each->name();
                 }
             });
        QVERIFY(states >= (activity.isEmpty() ? 8 : 3));
        if (high)
            QVERIFY2(low.isEmpty(), qPrintable(low.join(u'\n')));
        QVERIFY2(recoloured.isEmpty(), qPrintable(recoloured.join(u'\n')));
        // Designed, the blue is too light for its yellow and green texts: the fault this
        // measure finds is there to be mended.
        if (!high && !activity.isEmpty())
            QVERIFY(!low.isEmpty());
    }

    void persuasivePartsStayDistinct()
    {
        walk(QStringLiteral("persuasive"), ColourScheme::HighContrast, [](FormView &view, Form &form, const QString &) {
            view.refresh();
            QList<QColor> seen;
            QStringList names;
            for (int k = 0; k < 3; ++k) {
                const Control &part = *form.control(QStringLiteral("Label1"), k);
                const Control &box = *form.control(QStringLiteral("Label5"), k);
                const QColor shown = shownColours(form, part, ColourScheme::HighContrast).fore;
                QCOMPARE(shownColours(form, box, ColourScheme::HighContrast).back, shown);
                for (const QColor &other : seen) // far apart in colour, not only in name
                    QVERIFY(std::abs(shown.red() - other.red()) + std::abs(shown.green() - other.green())
                                + std::abs(shown.blue() - other.blue()) >= 120);
                seen << shown;
                names << part.accessibleDescription.section(u' ', 0, 0);
                QVERIFY(box.accessibleDescription.startsWith(names.last() + u' '));
                QCOMPARE(view.widgetFor(&box)->accessibleDescription(), box.accessibleDescription);
            }
            QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 3);
        });
    }

    // A picture button's face is drawn on the screens' blue: in high contrast its corners and
    // shadow take the darker blue, and the face itself (the Check face is blue too) keeps
    // every colour it had.
    void buttonFacesSitOnTheShownBackground_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *face : {"Images\\exit.jpg", "Images\\next.jpg", "Images\\answer.jpg", "images\\check.jpg"})
            QTest::newRow(face) << QString::fromLatin1(face);
    }
    void buttonFacesSitOnTheShownBackground()
    {
        QFETCH(QString, path);
        const QColor designed(49, 135, 215);
        const QColor shown = highContrastBackground(designed);
        const QImage before = [&] {
            const Picture face = Picture::fromFile(AssetResolver().resolve(path));
            QImage image(238, 67, QImage::Format_RGB32);
            QPainter painter(&image);
            face.paint(painter, image.rect());
            return image;
        }();
        QImage after(before.size(), QImage::Format_RGB32);
        {
            QPainter painter(&after);
            Picture::fromImage(before).onBackground(designed, shown).paint(painter, after.rect());
        }
        const auto near = [](const QColor &a, const QColor &b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= 24;
        };
        for (const QPoint corner : {QPoint(0, 0), QPoint(237, 0), QPoint(0, 66), QPoint(237, 66), QPoint(119, 66)}) {
            QVERIFY2(near(after.pixelColor(corner), shown), qPrintable(after.pixelColor(corner).name()));
            QVERIFY(!near(before.pixelColor(corner), shown));
        }
        for (int x = 20; x < 218; x += 6)
            QCOMPARE(after.pixelColor(x, 32), before.pixelColor(x, 32));
    }

    void switchingRecoloursTheScreenOnShow()
    {
        ShotProgram program;
        FormView view(program.forms);
        view.resize(1200, 900);
        view.show();
        Form *form = choicePlans().first().open(program, 0);
        view.refresh();
        const QPoint bare = view.scaling().toPixels(QPointF(6000, 8900)).toPoint(); // background only
        for (ColourScheme scheme : {ColourScheme::HighContrast, ColourScheme::Designed}) {
            view.setColourScheme(scheme);
            QCOMPARE(view.grab().toImage().pixelColor(bare), shownFormColour(*form, scheme));
        }
        QVERIFY(highContrastBackground(form->backColor) != form->backColor);
    }
};

QTEST_MAIN(tst_Contrast)
#include "tst_contrast.moc"
