// The window as a user meets it: steps of typing, clicks and pointer moves,
// then what the window shows, as text and as a picture.
#include "form1.h"
#include "label.h"
#include "originlookup.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void flows_data() { TestSupport::addRows("flows"); }
    void flows();
    void pointersAndFocus();

private:
    void run(const QStringList &steps);
    void compareLook(const QString &reference);
    QString state(const QString &key) const;
    QWidget *child(const QString &name) const
    {
        return name == u"Form1" ? m_form.get() : m_form->findChild<QWidget *>(name);
    }
    QLineEdit *codice() const { return m_form->findChild<QLineEdit *>(u"codice"_s); }

    QTemporaryDir m_dir;
    std::unique_ptr<Form1> m_form;
    QWidget m_other; // another program's window
};

void TestForm1::initTestCase()
{
    Form1::configureApplication();
    QApplication::setCursorFlashTime(0); // a steady text cursor, for the pictures
    QVERIFY(QDir::setCurrent(m_dir.path()));
    TestSupport::createComuni(u"Kelvo.bmp"_s,
        {u"('IT-ITA', NULL, 'Italia', NULL)"_s, u"('VR', '015', 'Bussolengo', 'Verona')"_s,
            u"('PE', '038', 'San Valentino in Abruzzo Citeriore', 'Pescara')"_s});
}

void TestForm1::init()
{
    m_other.hide();
    QFile::rename(u"away"_s, u"Kelvo.bmp"_s);
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestForm1::run(const QStringList &steps)
{
    for (const QString &step : steps) {
        const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', 1);
        QWidget *target = child(arg.section(u'@', 0, 0));
        if (verb == u"type" || verb == u"search") {
            codice()->selectAll();
            QTest::keyClick(codice(), Qt::Key_Delete);
            QTest::keyClicks(codice(), arg);
            if (verb == u"search")
                run({u"click Ok"_s});
        } else if (verb == u"paste") {
            codice()->end(false);
            codice()->insert(arg);
        } else if (verb == u"click") {
            QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
        } else if (verb == u"key") {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : codice(),
                QKeySequence::fromString(arg)[0].key());
        } else if (verb == u"over") {
            const QStringList at = arg.section(u'@', 1).split(u',');
            const QPoint pos
                = at.size() == 2 ? QPoint(at[0].toInt(), at[1].toInt()) : target->rect().center();
            QTest::mouseMove(target, pos);
            QTest::mouseMove(target, pos + QPoint(1, 0));
        } else if (step == u"away" || step == u"back") {
            m_other.setVisible(step == u"away");
            QWidget *window = step == u"away" ? &m_other : m_form.get();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
        } else if (step == u"no file" || step == u"file back") {
            QVERIFY(step == u"no file" ? QFile::rename(u"Kelvo.bmp"_s, u"away"_s)
                                       : QFile::rename(u"away"_s, u"Kelvo.bmp"_s));
        } else if (step == u"close box") {
            m_form->findChild<QMessageBox *>()->close();
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
    }
}

// One key of the window's state. Captions in red end in "*"; "-" stands for
// the placeholder, "?" for the not-found marker.
QString TestForm1::state(const QString &key) const
{
    auto shown = [](const QWidget *w, QString text, QPalette::ColorRole role) {
        text = text == Form1::Placeholder ? u"-"_s : text;
        text = text == OriginLookup::NotFoundMarker ? u"?"_s : text;
        return text + (w->palette().color(role) == Qt::red ? u"*"_s : u""_s);
    };
    auto label = [&](const QString &name) { return static_cast<Label *>(child(name)); };
    const Label *ok = label(u"Ok"_s);
    const QMessageBox *box = m_form->findChild<QMessageBox *>();
    const int height = m_form->outerHeight();
    QStringList values; // for the keys that list things
    for (const QString &name : {u"a1"_s, u"a2"_s, u"a3"_s, u"a4"_s}) {
        if (key == u"results")
            values.append(shown(label(name), label(name)->caption(), QPalette::WindowText));
        if (key == u"tips" && !label(name)->toolTip().isEmpty())
            values.append(name + u':' + label(name)->toolTip());
    }
    for (const Form1::Description &d : Form1::Descriptions)
        if (key == u"panel" && label(u"aiuto"_s)->caption() == d.text)
            values.append(d.typeName);
    if (key == u"menu") {
        std::unique_ptr<QMenu> menu(codice()->createStandardContextMenu());
        for (const QAction *action : menu->actions())
            if (!action->isSeparator())
                values.append(action->text().remove(u'&').section(u'\t', 0, 0));
    }
    if (key == u"codice")
        return shown(codice(), codice()->text(), QPalette::Text)
            + (codice()->isEnabled() ? u""_s : u" (off)"_s);
    if (key == u"window")
        return height == Form1::ExpandedHeight ? u"expanded"_s
            : height == Form1::CollapsedHeight ? u"collapsed"_s
                                               : QString::number(height);
    if (key == u"panel")
        return (child(u"Frame1"_s)->isVisible() ? u"shown:"_s : u"hidden:"_s) + values.join(u',');
    if (key == u"ok")
        return shown(ok, u"Ok"_s, QPalette::WindowText)
            + (ok->font().underline() ? u" underlined"_s : u""_s);
    if (key == u"focus")
        return codice()->hasFocus() ? u"codice"_s : u"none"_s;
    if (key == u"timer1" || key == u"timer2")
        return m_form->findChild<QTimer *>(QString(key).replace(0, 1, u'T'))->isActive() ? u"on"_s
                                                                                         : u"off"_s;
    if (key == u"box" && box && box->isVisible()) // its button, then its text up to the folder
        return box->buttons().value(0)->text().remove(u'&') + u": "_s
            + box->text().section(u" nella"_s, 0, 0);
    return values.join(key == u"results" ? u'|' : u',');
}

void TestForm1::flows()
{
    QFETCH(QStringList, row);
    const QString expected = row[2];

    run(row[1] == u"-" ? QStringList() : row[1].split(u", "_s));
    const auto actual = [&] {
        QStringList pairs;
        for (const QString &pair : expected.split(u';'))
            pairs.append(pair.section(u'=', 0, 0) + u'=' + state(pair.section(u'=', 0, 0)));
        return pairs.join(u';');
    };
    // Up to 3 s: focus comes back on a timer tick, a flash ends after a second.
    if (!QTest::qWaitFor([&] { return actual() == expected; }, 3000))
        QCOMPARE(actual(), expected);
    const QString look = QStringLiteral(LOOK_DIR "/%1.png")
                             .arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
    if (QFile::exists(look))
        compareLook(look);
}

// The window rendered and compared with its reference picture, with a small
// tolerance for anti-aliasing; ZELMORA_UPDATE_LOOK=1 writes the picture anew.
void TestForm1::compareLook(const QString &reference)
{
    const QImage actual = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(!qEnvironmentVariableIsSet("ZELMORA_UPDATE_LOOK") || actual.save(reference));
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    QImage diff(actual.size(), QImage::Format_RGB32); // the differing pixels in red
    diff.fill(Qt::white);
    int differing = actual.size() == expected.size() ? 0 : 1 << 30;
    for (int i = 0; differing == 0 && i < actual.width() * actual.height(); ++i) {
        const QPoint p(i % actual.width(), i / actual.width());
        const QRgb a = actual.pixel(p), e = expected.pixel(p);
        if (qAbs(qRed(a) - qRed(e)) + qAbs(qGreen(a) - qGreen(e)) + qAbs(qBlue(a) - qBlue(e)) > 96)
            diff.setPixel(p, qRgb(255, 0, 0));
    }
    differing += int(std::count(diff.constBits(), diff.constBits() + diff.sizeInBytes(), 0)) / 2;
    const QString out
        = QCoreApplication::applicationDirPath() + u"/look-"_s + QFileInfo(reference).baseName();
    if (differing > 10 && actual.save(out + u"-actual.png"_s) && diff.save(out + u"-diff.png"_s))
        QFAIL(qPrintable(QStringLiteral("%1 pixels differ from %2: see %3-actual.png, %3-diff.png")
                             .arg(differing)
                             .arg(reference, out)));
}

void TestForm1::pointersAndFocus()
{
    const QCursor hand = child(u"Ok"_s)->cursor(), help = child(u"a1"_s)->cursor();
    QCOMPARE(hand.hotSpot(), QPoint(12, 1));
    QCOMPARE(help.hotSpot(), QPoint(2, 4));
    QCOMPARE(hand.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(help.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(child(u"a2"_s)->cursor().shape(), Qt::ArrowCursor);
    for (QWidget *widget : m_form->findChildren<QWidget *>())
        QCOMPARE(widget->focusPolicy() == Qt::NoFocus, widget->objectName() != u"codice");
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
