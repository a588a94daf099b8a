// The window as it stands after start-up: controls, layout, stacking,
// colours, pointers and window flags.
#include "formdriver.h"
#include "units.h"

#include <QApplication>
#include <QTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void shapes_data();
    void shapes();
    void stackingOrder();
    void startState();
    void fonts();
    void codiceBox();
    void tabStaysInCodice();
    void paintedColours_data();
    void paintedColours();
    void pointers();
    void windowFlags();
    void outerHeightKeepsTopEdge();
    void pointerOverShapeReachesWindow_data();
    void pointerOverShapeReachesWindow();
};

namespace {

const QString Placeholder = u"------- ------- ------ ------ ------ ------"_qs;
const QString PrivacyNote
    = u"Per una questione di Privacy, non è possibile avere i dati degli allevatori. Ma, "
      u"rivolgendosi allo Stato stesso con la serie dell'uovo, o facendo milioni di telefonate e "
      u"aspettando giorni e giorni (pagando sicuramente il lavoro), questi si possono avere... "
      u"ALLA "
      u"FACCIA DI NOI POVERI CONSUMATORI!!!!!"_qs;

// Counts the pointer moves that reach the window itself.
class MoveCounter : public QObject
{
public:
    int moves = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseMove)
            ++moves;
        return false;
    }
};

} // namespace

void TestForm1::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("caption");

    auto row = [](const char *name, const char *in, int l, int t, int w, int h, QString caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(in)
                            << QRect(l, t, w, h) << caption;
    };
    row("codice", "Form1", 1680, 1080, 1215, 285, {});
    row("Ok", "Form1", 1920, 1560, 735, 255, u"Ricerca"_qs);
    row("Label1", "Form1", 240, 3195, 2295, 255, u"Tipologia di Allevamento"_qs);
    row("Label2", "Form1", 240, 3555, 2295, 255, u"Stato di Produzione "_qs);
    row("Label3", "Form1", 240, 3915, 2295, 255, u"Comune di Produzione "_qs);
    row("Label4", "Form1", 240, 4275, 2295, 255, u"Provincia di Produzione"_qs);
    row("Label5", "Form1", 240, 4680, 4215, 495,
        u"Nome e Luogo dell'Allevamento dove la gallina a desposto l'uovo"_qs);
    row("Label6", "Form1", 120, 2790, 2295, 375, u"Zelmora"_qs);
    row("a1", "Form1", 2520, 3195, 1935, 255, Placeholder);
    row("a2", "Form1", 2520, 3555, 1935, 255, Placeholder);
    row("a3", "Form1", 2520, 3915, 1935, 255, Placeholder);
    row("a4", "Form1", 2520, 4275, 1935, 255, Placeholder);
    row("Frame1", "Form1", 0, 0, 4695, 2775, {});
    row("Label7", "Frame1", 120, 120, 4455, 375, u"Info Allevamento"_qs);
    row("aiuto", "Frame1", 240, 600, 4215, 1935, {});
    row("Label8", "Form1", 180, 5325, 4305, 975, PrivacyNote);
}

void TestForm1::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);

    FormDriver driver;
    auto *control = driver.form().findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->geometry(),
        QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    if (auto *label = qobject_cast<Label *>(control)) {
        QCOMPARE(label->caption(), caption);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QVERIFY(label->wordWrap());
    }
}

void TestForm1::shapes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("oval");
    QTest::addColumn<QColor>("fill"); // invalid: outline only

    auto row = [](const char *name, const char *in, int l, int t, int w, int h, QColor fill,
                   bool oval = false) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(in)
                            << QRect(l, t, w, h) << oval << fill;
    };
    row("Shape1", "Form1", 1440, 240, 1695, 2175, QColor(255, 255, 128), true);
    row("Shape9", "Form1", 120, 2760, 2295, 375, QColor(192, 0, 0));
    row("Shape2", "Form1", 120, 3120, 4455, 3375, QColor(255, 192, 192));
    row("Shape10", "Form1", 2400, 3120, 2175, 375, QColor(255, 224, 192));
    row("Shape3", "Form1", 120, 3120, 4455, 375, QColor());
    row("Shape4", "Form1", 120, 3480, 4455, 375, QColor());
    row("Shape5", "Form1", 120, 3840, 4455, 375, QColor());
    row("Shape6", "Form1", 120, 4200, 4455, 375, QColor());
    row("Shape8", "Form1", 120, 3120, 2295, 1455, QColor());
    row("Shape7", "Form1", 120, 4560, 4455, 615, QColor(255, 128, 128));
    row("Shape11", "Frame1", 120, 120, 4455, 2535, QColor(255, 224, 192));
    row("Shape12", "Frame1", 120, 120, 4455, 375, QColor(192, 0, 0));
}

void TestForm1::shapes()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(bool, oval);
    QFETCH(QColor, fill);

    FormDriver driver;
    const Shape *shape = driver.form().findChild<Shape *>(name);
    QVERIFY(shape);
    QCOMPARE(shape->parentWidget()->objectName(), container);
    QCOMPARE(shape->geometry(),
        QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    QCOMPARE(shape->form() == Shape::Form::Oval, oval);
    QCOMPARE(shape->fill().value_or(QColor()), fill);
    QVERIFY(shape->testAttribute(Qt::WA_TransparentForMouseEvents));
}

static QStringList childNames(const QWidget *parent)
{
    QStringList names;
    for (const QObject *child : parent->children()) {
        if (child->isWidgetType())
            names.append(child->objectName());
    }
    return names;
}

// Later siblings lie above earlier ones.
void TestForm1::stackingOrder()
{
    FormDriver driver;
    QCOMPARE(childNames(&driver.form()),
        (QStringList {u"Shape2"_qs, u"Shape10"_qs, u"Shape9"_qs, u"Shape1"_qs, u"Ok"_qs,
            u"Label1"_qs, u"Label2"_qs, u"Label3"_qs, u"Label4"_qs, u"Shape3"_qs, u"Shape4"_qs,
            u"Shape5"_qs, u"Shape6"_qs, u"Shape7"_qs, u"Label5"_qs, u"Shape8"_qs, u"Label6"_qs,
            u"a1"_qs, u"a2"_qs, u"a3"_qs, u"a4"_qs, u"Label8"_qs, u"codice"_qs, u"Frame1"_qs}));
    QCOMPARE(childNames(driver.frame1()),
        (QStringList {u"Shape11"_qs, u"Shape12"_qs, u"Label7"_qs, u"aiuto"_qs}));
}

void TestForm1::startState()
{
    FormDriver driver;
    QCOMPARE(driver.form().outerHeight(), 3180);
    QCOMPARE(driver.form().windowTitle(), u"Zelmora"_qs);
    QVERIFY(driver.frame1()->isHidden());
    QCOMPARE(driver.label("aiuto")->caption(), QString());
    QCOMPARE(driver.results(), QStringList(4, Placeholder).join(u'|'));
    QVERIFY(driver.codice()->text().isEmpty());
    QVERIFY(driver.codice()->isEnabled());
    QVERIFY(driver.codice()->hasFocus());
    QCOMPARE(driver.timer("Timer1")->interval(), 1000);
    QVERIFY(!driver.timer("Timer1")->isActive());
    QCOMPARE(driver.timer("Timer2")->interval(), 1);
    QVERIFY(driver.timer("Timer2")->isActive());
    QCOMPARE(driver.timer("Timer1")->parent(), &driver.form());
    QVERIFY(!driver.label("Ok")->font().underline());

    const QPalette system = QApplication::palette();
    for (const char *name : {"Ok", "Label1", "a1", "a4", "aiuto", "Label8"})
        QCOMPARE(driver.label(name)->palette().color(QPalette::WindowText),
            system.color(QPalette::ButtonText));
    QCOMPARE(driver.label("Label5")->palette().color(QPalette::WindowText),
        system.color(QPalette::WindowText));
    for (const char *name : {"Label6", "Label7"})
        QCOMPARE(driver.label(name)->palette().color(QPalette::WindowText), QColor(Qt::white));
}

void TestForm1::fonts()
{
    FormDriver driver;
    struct
    {
        const char *name;
        qreal points;
        bool bold, italic;
    } const expected[] = {{"Ok", 9.75, false, false}, {"Label1", 8.25, true, false},
        {"Label4", 8.25, true, false}, {"Label5", 8.25, false, true}, {"Label6", 12, true, false},
        {"Label7", 12, true, false}, {"a1", 8.25, false, false}, {"aiuto", 8.25, false, false},
        {"Label8", 8.25, false, false}};
    for (const auto &e : expected) {
        const QFont font = driver.label(e.name)->font();
        QCOMPARE(font.family(), u"MS Sans Serif"_qs);
        QCOMPARE(font.pointSizeF(), e.points);
        QCOMPARE(font.bold(), e.bold);
        QCOMPARE(font.italic(), e.italic);
    }
    QCOMPARE(driver.codice()->font().pointSizeF(), 8.25);
    for (const char *name : {"Label5", "Label6", "Label7"})
        QCOMPARE(driver.label(name)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(driver.label("a1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

void TestForm1::codiceBox()
{
    FormDriver driver;
    QLineEdit *box = driver.codice();
    QVERIFY(!box->hasFrame());
    QCOMPARE(box->alignment(), Qt::AlignCenter);
    QCOMPARE(box->palette().color(QPalette::Base), QColor(255, 255, 192));

    QTest::keyClicks(box, u"1it015vr001xyz"_qs);
    QCOMPARE(box->text(), u"1it015vr001x"_qs);
    box->clear();
    box->insert(u"0123456789abcdef"_qs); // as a paste does
    QCOMPARE(box->text(), u"0123456789ab"_qs);
}

void TestForm1::tabStaysInCodice()
{
    FormDriver driver;
    QTest::keyClick(driver.codice(), Qt::Key_Tab);
    QVERIFY(driver.codice()->hasFocus());
    QTest::keyClick(driver.codice(), Qt::Key_Backtab);
    QVERIFY(driver.codice()->hasFocus());
}

void TestForm1::paintedColours_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("egg, above the box") << QPoint(152, 40) << QColor(255, 255, 128);
    QTest::newRow("code box") << QPoint(125, 76) << QColor(255, 255, 192);
    QTest::newRow("dark red title strip") << QPoint(12, 188) << QColor(192, 0, 0);
    QTest::newRow("pink panel") << QPoint(13, 426) << QColor(255, 192, 192);
    QTest::newRow("peach first row") << QPoint(163, 225) << QColor(255, 224, 192);
    QTest::newRow("salmon strip") << QPoint(12, 340) << QColor(255, 128, 128);
    QTest::newRow("window, right of the egg") << QPoint(300, 20) << QColor(Qt::white);
}

void TestForm1::paintedColours()
{
    QFETCH(QPoint, pixel);
    QFETCH(QColor, colour);

    FormDriver driver;
    driver.form().setOuterHeight(Form1::ExpandedHeight);
    const QImage image = driver.form().grab().toImage();
    QCOMPARE(image.pixelColor(pixel), colour);
}

void TestForm1::pointers()
{
    FormDriver driver;
    const QCursor hand = driver.label("Ok")->cursor();
    QCOMPARE(hand.hotSpot(), QPoint(12, 1));
    QCOMPARE(hand.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QVERIFY(hand.pixmap().toImage().pixelColor(12, 2).alpha() > 0); // the fingertip
    const QCursor help = driver.label("a1")->cursor();
    QCOMPARE(help.hotSpot(), QPoint(2, 4));
    QCOMPARE(help.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(driver.label("a2")->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!driver.form().windowIcon().isNull());
}

void TestForm1::windowFlags()
{
    FormDriver driver;
    const Qt::WindowFlags flags = driver.form().windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(driver.form().minimumSize(), driver.form().maximumSize());
    QCOMPARE(driver.form().width(), 312);
}

void TestForm1::outerHeightKeepsTopEdge()
{
    FormDriver driver;
    const int top = driver.form().geometry().top();
    driver.form().setOuterHeight(Form1::ExpandedHeight);
    QCOMPARE(driver.form().outerHeight(), 7065);
    QCOMPARE(driver.form().geometry().top(), top);
    QCOMPARE(driver.form().minimumSize(), driver.form().maximumSize());
    driver.form().setOuterHeight(Form1::CollapsedHeight);
    QCOMPARE(driver.form().outerHeight(), 3180);
    QCOMPARE(driver.form().geometry().top(), top);
}

void TestForm1::pointerOverShapeReachesWindow_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("point"); // a point of the control that nothing else covers
    QTest::addColumn<bool>("reachesWindow");

    QTest::newRow("egg shape") << u"Shape1"_qs << QPoint(56, 4) << true;
    QTest::newRow("title strip, above Label6") << u"Shape9"_qs << QPoint(4, 1) << true;
    QTest::newRow("row outline") << u"Shape6"_qs << QPoint(2, 24) << true;
    QTest::newRow("label Ok") << u"Ok"_qs << QPoint(20, 8) << false;
    QTest::newRow("label a1") << u"a1"_qs << QPoint(20, 8) << false;
    QTest::newRow("label Label8") << u"Label8"_qs << QPoint(20, 8) << false;
    QTest::newRow("code box") << u"codice"_qs << QPoint(20, 8) << false;
    QTest::newRow("panel") << u"Frame1"_qs << QPoint(2, 2) << false;
    QTest::newRow("shape inside the panel") << u"Shape11"_qs << QPoint(4, 160) << false;
}

void TestForm1::pointerOverShapeReachesWindow()
{
    QFETCH(QString, control);
    QFETCH(QPoint, point);
    QFETCH(bool, reachesWindow);

    FormDriver driver;
    driver.form().setOuterHeight(Form1::ExpandedHeight);
    auto *widget = driver.form().findChild<QWidget *>(control);
    if (driver.frame1()->isAncestorOf(widget) || widget == driver.frame1())
        driver.frame1()->show();

    MoveCounter counter;
    driver.form().installEventFilter(&counter);
    QTest::mouseMove(widget, point);
    QTest::mouseMove(widget, point + QPoint(1, 0));
    QCOMPARE(counter.moves > 0, reachesWindow);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
