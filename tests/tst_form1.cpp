// The window as a user meets it: steps of typing, clicks and pointer moves,
// then what the window shows, as text and as a picture.
#include "form1.h"
#include "label.h"
#include "originlookup.h"
#include "testdatabase.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void flows_data();
    void flows();
    void looks_data();
    void looks();
    void pointersAndFocus();
    void storeFailureShowsAMessage();

private:
    void run(const QStringList &steps);
    QString state(const QString &keys) const;
    template<class T = QWidget> T *child(const QString &name) const
    {
        return name == u"Form1" ? qobject_cast<T *>(m_form.get()) : m_form->findChild<T *>(name);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::initTestCase()
{
    QApplication::setCursorFlashTime(0); // a steady text cursor, for the pictures
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestDatabase::createComuni(u"Kelvo.bmp"_qs,
        {u"('IT-ITA', NULL, 'Italia', NULL)"_qs, u"('VR', '015', 'Bussolengo', 'Verona')"_qs});
}

void TestForm1::init()
{
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

// Steps: "type TEXT", "search TEXT", "paste TEXT", "click NAME", "key NAME",
// "over NAME[@x,y]" (the pointer moves there), "flash end".
void TestForm1::run(const QStringList &steps)
{
    auto *codice = child<QLineEdit>(u"codice"_qs);
    for (const QString &step : steps) {
        const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', 1);
        if (verb == u"type" || verb == u"search") {
            codice->selectAll();
            QTest::keyClick(codice, Qt::Key_Delete);
            QTest::keyClicks(codice, arg);
            if (verb == u"search")
                run({u"click Ok"_qs});
        } else if (verb == u"paste") {
            codice->end(false);
            codice->insert(arg);
        } else if (verb == u"click") {
            QTest::mouseClick(child(arg), Qt::LeftButton, {}, child(arg)->rect().center());
        } else if (verb == u"key") {
            const QKeySequence key = QKeySequence::fromString(arg);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : codice, key[0].key());
        } else if (verb == u"over") {
            QWidget *widget = child(arg.section(u'@', 0, 0));
            const QStringList at = arg.section(u'@', 1).split(u',');
            const QPoint pos = at.size() == 2 ? QPoint(at[0].toInt(), at[1].toInt()) : widget->rect().center();
            QTest::mouseMove(widget, pos);
            QTest::mouseMove(widget, pos + QPoint(1, 0));
        } else if (step == u"flash end") {
            QTRY_VERIFY_WITH_TIMEOUT(codice->isEnabled(), 5000);
        } else {
            QFAIL(qPrintable(u"unknown step "_qs + step));
        }
    }
}

// The window's state as "key=value" pairs for the keys asked, ";"-separated.
// Captions in red end in "*"; "-" is the placeholder, "?" the not-found marker.
QString TestForm1::state(const QString &keys) const
{
    auto shown = [](const QWidget *w, const QString &text, QPalette::ColorRole role) {
        const QString t = text == Form1::Placeholder ? u"-"_qs : text == OriginLookup::NotFoundMarker ? u"?"_qs : text;
        return t + (w->palette().color(QPalette::Disabled, role) == Qt::red ? u"*"_qs : u""_qs);
    };
    const auto *codice = child<QLineEdit>(u"codice"_qs);
    const auto *ok = child<Label>(u"Ok"_qs);
    QStringList results;
    for (const char *name : {"a1", "a2", "a3", "a4"})
        results.append(shown(child(QLatin1StringView(name)), child<Label>(QLatin1StringView(name))->caption(), QPalette::WindowText));
    QString panel = child(u"Frame1"_qs)->isVisible() ? u"shown:"_qs : u"hidden:"_qs;
    for (const Form1::Description &d : Form1::Descriptions)
        if (child<Label>(u"aiuto"_qs)->caption() == d.text)
            panel += d.typeName;
    const QMap<QString, QString> all {
        {u"codice"_qs, shown(codice, codice->text(), QPalette::Text) + (codice->isEnabled() ? u""_qs : u" (off)"_qs)},
        {u"window"_qs, m_form->outerHeight() == Form1::ExpandedHeight ? u"expanded"_qs : m_form->outerHeight() == Form1::CollapsedHeight ? u"collapsed"_qs : u"other"_qs},
        {u"results"_qs, results.join(u'|')},
        {u"panel"_qs, panel},
        {u"ok"_qs, (ok->palette().color(QPalette::WindowText) == Qt::red ? u"red"_qs : u"plain"_qs) + (ok->font().underline() ? u" underlined"_qs : u""_qs)},
        {u"focus"_qs, codice->hasFocus() ? u"codice"_qs : u"none"_qs},
    };
    QStringList pairs;
    for (const QString &key : keys.split(u';'))
        pairs.append(key + u'=' + all.value(key, u"(unknown key)"_qs));
    return pairs.join(u';');
}

namespace {

struct Scenario
{
    const char *name;
    QStringList steps;
    QString expected;
};

// The states that the pictures under tests/look show.
const QStringList Pictures {u"collapsed at start"_qs, u"results"_qs, u"not found"_qs, u"panel"_qs, u"flash"_qs};

QList<Scenario> scenarios()
{
    QList<Scenario> rows;
    const QString found = u"window=expanded;results=All'Aperto|Italia|Bussolengo|Verona"_qs;
    const QString reset = u"window=collapsed;results=-|-|-|-"_qs;
    auto row = [&rows](const char *name, const QStringList &steps, const QString &expected) {
        rows.append({name, steps, expected});
    };
    row("collapsed at start", {}, u"codice=;window=collapsed;results=-|-|-|-;panel=hidden:;ok=plain;focus=codice"_qs);
    row("results", {u"search 1it015vr001"_qs}, u"codice=1IT015VR001;"_qs + found + u";focus=codice"_qs);
    row("not found", {u"search 2XX999ZZ001"_qs}, u"window=expanded;results=A Terra|?*|?*|?*"_qs);
    row("second click searches again", {u"search 1IT015XX001"_qs, u"click Ok"_qs}, u"window=expanded;results=All'Aperto|Italia|?*|?*"_qs);
    row("enter does not search", {u"type 1IT015VR001"_qs, u"key Return"_qs, u"key Enter"_qs}, reset);
    row("flash", {u"search 1IT015VR001"_qs, u"search 1it015vr00"_qs}, u"codice=Dati Errati!* (off);focus=none;"_qs + reset);
    row("flash ends with the code back", {u"search 1it015vr00"_qs, u"flash end"_qs}, u"codice=1IT015VR00;focus=codice;"_qs + reset);
    row("flash of an empty box", {u"click Ok"_qs, u"flash end"_qs}, u"codice=;focus=codice"_qs);
    row("click during the flash is ignored", {u"search 5it015vr001"_qs, u"click Ok"_qs, u"flash end"_qs}, u"codice=5IT015VR001"_qs);
    row("typing collapses", {u"search 1IT015XX001"_qs, u"key A"_qs}, reset);
    row("deleting collapses", {u"search 1IT015XX001"_qs, u"key Backspace"_qs}, u"codice=1IT015XX00;"_qs + reset);
    row("pasting collapses", {u"search 1IT015XX001"_qs, u"paste Z"_qs}, reset);
    row("twelve characters at most", {u"type 0123456789abcdef"_qs, u"paste xyz"_qs}, u"codice=0123456789ab"_qs);
    row("tab stays in codice", {u"key Tab"_qs, u"key Backtab"_qs}, u"focus=codice"_qs);
    row("panel", {u"search 1IT015VR001"_qs, u"click a1"_qs}, u"panel=shown:All'Aperto"_qs);
    row("panel for organic", {u"search 0IT015VR001"_qs, u"click a1"_qs}, u"panel=shown:Agricoltura Biologica"_qs);
    row("panel for cage", {u"search 3IT015VR001"_qs, u"click a1"_qs}, u"panel=shown:In Gabbia (o Batteria)"_qs);
    row("panel text replaced by the next type", {u"search 1IT015VR001"_qs, u"click a1"_qs, u"over Form1@310,200"_qs, u"search 2IT015VR001"_qs, u"click a1"_qs}, u"panel=shown:A Terra"_qs);
    row("panel without a type name keeps its text", {u"search 1IT015VR001"_qs, u"click a1"_qs, u"key Backspace"_qs, u"click a1"_qs}, u"panel=shown:All'Aperto"_qs);
    row("panel stays over labels", {u"search 1IT015VR001"_qs, u"click a1"_qs, u"over a1"_qs, u"over Frame1"_qs, u"over Label2"_qs}, u"panel=shown:All'Aperto"_qs);
    row("panel hides over a shape on the window", {u"search 1IT015VR001"_qs, u"click a1"_qs, u"over Shape3@2,12"_qs}, u"panel=hidden:All'Aperto"_qs);
    row("keys reach codice behind the panel", {u"search 1IT015VR001"_qs, u"click a1"_qs, u"key Backspace"_qs}, u"codice=1IT015VR00;window=collapsed;panel=shown:All'Aperto;focus=codice"_qs);
    row("Ok lit under the pointer", {u"over Ok"_qs, u"over a2"_qs, u"over codice"_qs}, u"ok=red underlined"_qs);
    row("Ok plain over the background", {u"over Ok"_qs, u"over Shape1@56,4"_qs}, u"ok=plain"_qs);
    row("click on Ok leaves it lit", {u"type 1IT015VR001"_qs, u"over Ok"_qs, u"click Ok"_qs}, u"ok=red underlined;window=expanded"_qs);
    row("no focus during the flash", {u"over Ok"_qs, u"search 9"_qs, u"over Form1@300,20"_qs}, u"ok=plain;focus=none"_qs);
    return rows;
}

} // namespace

void TestForm1::flows_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");
    for (const Scenario &s : scenarios())
        QTest::newRow(s.name) << s.steps << s.expected;
}

void TestForm1::looks_data()
{
    QTest::addColumn<QStringList>("steps");
    for (const Scenario &s : scenarios())
        if (Pictures.contains(QLatin1StringView(s.name)))
            QTest::newRow(s.name) << s.steps;
}

void TestForm1::flows()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    run(steps);
    QString keys;
    for (const QString &pair : expected.split(u';'))
        keys += (keys.isEmpty() ? u""_qs : u";"_qs) + pair.section(u'=', 0, 0);
    QTRY_COMPARE_WITH_TIMEOUT(state(keys), expected, 3000); // focus comes back on a timer tick
}

// Each state rendered and compared with its reference picture under tests/look.
// ZELMORA_UPDATE_LOOK=1 writes the references anew after an intended change.
void TestForm1::looks()
{
    QFETCH(QStringList, steps);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    const QString reference = QStringLiteral(LOOK_DIR "/") + name + u".png"_qs;
    run(steps);
    const QImage actual = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("ZELMORA_UPDATE_LOOK")) {
        QVERIFY(actual.save(reference));
        return;
    }
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    QImage diff(actual.size(), QImage::Format_RGB32);
    diff.fill(Qt::white);
    int differing = actual.size() == expected.size() ? 0 : actual.width() * actual.height();
    for (int y = 0; differing == 0 && y < actual.height(); ++y) // anti-aliasing may differ a little
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            if (std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)), std::abs(qBlue(a) - qBlue(e))}) > 48)
                diff.setPixel(x, y, qRgb(255, 0, 0));
        }
    for (int y = 0; y < diff.height(); ++y)
        for (int x = 0; x < diff.width(); ++x)
            differing += diff.pixel(x, y) != qRgb(255, 255, 255);
    if (differing > 10) {
        const QString out = QCoreApplication::applicationDirPath() + u"/look-"_qs + name;
        actual.save(out + u"-actual.png"_qs);
        diff.save(out + u"-diff.png"_qs);
        QFAIL(qPrintable(QStringLiteral("%1 pixels differ from %2; see %3-actual.png and %3-diff.png").arg(differing).arg(reference, out)));
    }
}

void TestForm1::pointersAndFocus()
{
    const QCursor hand = child(u"Ok"_qs)->cursor(), help = child(u"a1"_qs)->cursor();
    QCOMPARE(hand.hotSpot(), QPoint(12, 1));
    QCOMPARE(help.hotSpot(), QPoint(2, 4));
    QCOMPARE(hand.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(help.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(child(u"a2"_qs)->cursor().shape(), Qt::ArrowCursor);
    for (QWidget *widget : m_form->findChildren<QWidget *>())
        QCOMPARE(widget->focusPolicy() == Qt::NoFocus, widget->objectName() != u"codice");
}

// The search ends in a message naming the file; the program goes on, and the
// next search works once the file is back.
void TestForm1::storeFailureShowsAMessage()
{
    QVERIFY(QFile::rename(u"Kelvo.bmp"_qs, u"away"_qs));
    run({u"search 1IT015VR001"_qs});
    auto *box = m_form->findChild<QMessageBox *>();
    QVERIFY(box && box->isVisible());
    QVERIFY2(box->text().contains(u"Kelvo.bmp"), qPrintable(box->text()));
    QCOMPARE(state(u"window;results"_qs), u"window=collapsed;results=All'Aperto|-|-|-"_qs);
    box->close();
    QVERIFY(QFile::rename(u"away"_qs, u"Kelvo.bmp"_qs));
    run({u"click Ok"_qs});
    QCOMPARE(state(u"window;results"_qs), u"window=expanded;results=All'Aperto|Italia|Bussolengo|Verona"_qs);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
