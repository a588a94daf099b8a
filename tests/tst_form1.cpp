// The window as a user meets it: steps of typing, clicks and pointer moves,
// then what the window shows, as text and as a picture.
#include "form1.h"
#include "label.h"
#include "originlookup.h"
#include "testsupport.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
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
    QMenu *openMenu() const;
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
            u"('PE', '038', 'San Valentino in Abruzzo Citeriore', 'Pescara')"_s,
            u"('TO', '308', 'Villastellone', 'Torino')"_s,
            u"('AV', '046', 'Manocalzati', 'Avellino')"_s});
    // The photos of tests/data/photos, a plain picture and a file that is no picture.
    for (const QString &photo : QDir(u"" PHOTO_DIR ""_s).entryList(QDir::Files))
        QVERIFY(QFile::copy(u"" PHOTO_DIR "/"_s + photo, photo));
    QImage plain(800, 600, QImage::Format_RGB888);
    plain.fill(QColor(200, 180, 150));
    QVERIFY(plain.save(u"plain.jpg"_s));
    TestSupport::write(u"text.jpg"_s, "Non sono una foto.\n");
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
            const QKeyCombination key = QKeySequence::fromString(arg)[0];
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : codice(),
                key.key(), key.keyboardModifiers());
        } else if (verb == u"drop") { // drop [image ]FILE[@WIDGET]: the file, or its picture
            const QString file = arg.section(u'@', 0, 0).section(u' ', -1);
            QWidget *on = child(arg.contains(u'@') ? arg.section(u'@', 1) : u"Form1"_s);
            QMimeData mime;
            if (arg.startsWith(u"image "))
                mime.setImageData(QImage(file));
            else
                mime.setUrls({QUrl::fromLocalFile(QDir::current().absoluteFilePath(file))});
            const QPoint at = on->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(on, &enter);
            QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(on, &drop);
        } else if (verb == u"copy") { // copy image FILE, copy text TEXT
            if (arg.startsWith(u"image "))
                QApplication::clipboard()->setImage(QImage(arg.section(u' ', 1)));
            else
                QApplication::clipboard()->setText(arg.section(u' ', 1));
        } else if (verb == u"menu") { // an entry of codice's menu
            QMenu *menu = openMenu();
            QVERIFY(menu);
            for (QAction *action : menu->actions())
                if (action->text().remove(u'&').section(u'\t', 0, 0) == arg)
                    action->trigger();
            menu->close();
        } else if (verb == u"choose") { // a file in the open file dialog
            auto *dialog = m_form->findChild<QFileDialog *>();
            QVERIFY(dialog);
            dialog->selectFile(QDir::current().absoluteFilePath(arg));
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own, as Apri calls it
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
        } else if (step == u"idle") { // the read ends, and the reader's idle wait with it
            auto *idle = m_form->findChild<QTimer *>(u"readerIdle"_s);
            QVERIFY(QTest::qWaitFor([idle] { return idle->isActive(); }, 10000));
            idle->setInterval(1);
            QVERIFY(QTest::qWaitFor([idle] { return !idle->isActive(); }, 10000));
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
    if (key == u"menu") { // the entries' accessible names, as a screen reader reads them
        QMenu *menu = openMenu();
        QAccessibleInterface *items = QAccessible::queryAccessibleInterface(menu);
        for (int i = 0; i < items->childCount(); ++i)
            if (const QString name = items->child(i)->text(QAccessible::Name); !name.isEmpty())
                values.append(name.section(u'\t', 0, 0));
        menu->close();
    }
    if (const auto *dialog = m_form->findChild<QFileDialog *>(); key == u"dialog" && dialog)
        return dialog->windowTitle() + u'|' + dialog->nameFilters().value(0) + u'|'
            + dialog->findChild<QDialogButtonBox *>()
                  ->button(QDialogButtonBox::Open)
                  ->text()
                  .remove(u'&');
    if (key == u"busy")
        return QGuiApplication::overrideCursor() ? u"on"_s : u"off"_s;
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
            + box->text().section(u" nella"_s, 0, 0).remove(QDir::currentPath() + u'/');
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
    // Up to 10 s: focus comes back on a timer tick, a flash ends after a
    // second, a photo's read takes a moment (the first loads the network).
    if (!QTest::qWaitFor([&] { return actual() == expected; }, 10000))
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

// codice's menu, opened as a right click opens it.
QMenu *TestForm1::openMenu() const
{
    const QPoint at = codice()->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, codice()->mapToGlobal(at));
    QApplication::sendEvent(codice(), &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
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
