#include "form1.h"

#include "artwork.h"
#include "label.h"
#include "labelaccessible.h"
#include "originlookup.h"
#include "shape.h"
#include "units.h"

#include "storeerror.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

const QString Form1::Placeholder = QStringLiteral("------- ------- ------ ------ ------ ------");
const QString Form1::ErrorText = QStringLiteral("Dati Errati!");

// Keyed by the farming-type name exactly as a search writes it into a1.
const std::array<Form1::Description, 4> Form1::Descriptions {{
    {u"All'Aperto"_s,
        u"La gallina per alcune ore del giorno può razzolare in un ambiente esterno: le sue uova "
        u"sono deposte nei nidi oppure deposte nel terreno e raccolte successivamente "
        u"dall'allevatore."_s},
    {u"A Terra"_s,
        u"La gallina ovaiola si muove liberamente ma in un ambiente chiuso, solitamente un "
        u"capannone. Le uova vengono deposte nei nidi oppure raccolte dagli allevatori sulla "
        u"lettiera, dove sono state disposte."_s},
    {u"In Gabbia (o Batteria)"_s,
        u"La gallina si trova in un ambiente confinato, dove deposita le uova su un nastro "
        u"trasportatore che le porta direttamente al confezionamento."_s},
    {u"Agricoltura Biologica"_s,
        u"Segue le regole stabilite per tale tipologia di produzione e la gallina razzola "
        u"all'aperto per alcune ore al giorno."_s},
}};

namespace {

// The inside of the window as designed, and the frame around it.
constexpr int InsideWidth = 4680;
constexpr int DesignFrameTop = 435;
constexpr int DesignFrameBottom = 45;
constexpr int DesignFrameSide = 45;

const QString FontFace = QStringLiteral("MS Sans Serif");

constexpr int Red = 255;
constexpr int Black = 0;

void setTextColor(QLineEdit *box, int color)
{
    QPalette p = box->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Text, Units::color(color));
    box->setPalette(p);
}

QFont designFont(qreal points, bool bold = false, bool italic = false)
{
    QFont font(FontFace);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

Label *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &caption)
{
    auto *label = new Label(caption, parent);
    label->setObjectName(QLatin1StringView(name));
    label->setGeometry(geometry);
    label->setTextColor(label->palette().color(QPalette::ButtonText));
    return label;
}

bool isDragOrDrop(const QEvent *event)
{
    return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
        || event->type() == QEvent::Drop;
}

// The first local file of a drop or of the clipboard, if any.
QString localFile(const QMimeData *data)
{
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return QString();
}

// A paste reads a photo instead: a file copied in a file manager, or an
// image without text (a screenshot, a photo copied in a viewer). Text, also
// beside an image, pastes as text.
bool photoOnClipboard(const QMimeData *data)
{
    return data && (!localFile(data).isEmpty() || (data->hasImage() && !data->hasText()));
}

Shape *makeShape(QWidget *parent, const char *name, const QRect &geometry,
    std::optional<QColor> fill, Shape::Form form = Shape::Form::Rectangle)
{
    auto *shape = new Shape(form, fill, parent);
    shape->setObjectName(QLatin1StringView(name));
    shape->setGeometry(geometry);
    return shape;
}

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    // Where the design's face is missing, take a close sans face.
    QFont::insertSubstitutions(FontFace,
        {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
            QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zelmora"));
    setWindowIcon(Artwork::icon());
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
        | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(designFont(8.25));
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);

    const QColor lightYellow = Units::rgb(255, 255, 128);
    const QColor darkRed = Units::rgb(192, 0, 0);
    const QColor pink = Units::rgb(255, 192, 192);
    const QColor peach = Units::rgb(255, 224, 192);
    const QColor salmon = Units::rgb(255, 128, 128);

    // Children are made bottom first: each one lies above those made before it.
    Shape2 = makeShape(this, "Shape2", Units::rect(120, 3120, 4455, 3375), pink);
    Shape10 = makeShape(this, "Shape10", Units::rect(2400, 3120, 2175, 375), peach);
    Shape9 = makeShape(this, "Shape9", Units::rect(120, 2760, 2295, 375), darkRed);
    Shape1 = makeShape(
        this, "Shape1", Units::rect(1440, 240, 1695, 2175), lightYellow, Shape::Form::Oval);
    Ok = makeLabel(this, "Ok", Units::rect(1920, 1560, 735, 255), QStringLiteral("Ricerca"));
    Label1 = makeLabel(this, "Label1", Units::rect(240, 3195, 2295, 255),
        QStringLiteral("Tipologia di Allevamento"));
    Label2 = makeLabel(
        this, "Label2", Units::rect(240, 3555, 2295, 255), QStringLiteral("Stato di Produzione "));
    Label3 = makeLabel(
        this, "Label3", Units::rect(240, 3915, 2295, 255), QStringLiteral("Comune di Produzione "));
    Label4 = makeLabel(this, "Label4", Units::rect(240, 4275, 2295, 255),
        QStringLiteral("Provincia di Produzione"));
    Shape3 = makeShape(this, "Shape3", Units::rect(120, 3120, 4455, 375), std::nullopt);
    Shape4 = makeShape(this, "Shape4", Units::rect(120, 3480, 4455, 375), std::nullopt);
    Shape5 = makeShape(this, "Shape5", Units::rect(120, 3840, 4455, 375), std::nullopt);
    Shape6 = makeShape(this, "Shape6", Units::rect(120, 4200, 4455, 375), std::nullopt);
    Shape7 = makeShape(this, "Shape7", Units::rect(120, 4560, 4455, 615), salmon);
    Label5 = makeLabel(this, "Label5", Units::rect(240, 4680, 4215, 495),
        QStringLiteral("Nome e Luogo dell'Allevamento dove la gallina a desposto l'uovo"));
    Shape8 = makeShape(this, "Shape8", Units::rect(120, 3120, 2295, 1455), std::nullopt);
    Label6
        = makeLabel(this, "Label6", Units::rect(120, 2790, 2295, 375), QStringLiteral("Zelmora"));
    a1 = makeLabel(this, "a1", Units::rect(2520, 3195, 1935, 255), Placeholder);
    a2 = makeLabel(this, "a2", Units::rect(2520, 3555, 1935, 255), Placeholder);
    a3 = makeLabel(this, "a3", Units::rect(2520, 3915, 1935, 255), Placeholder);
    a4 = makeLabel(this, "a4", Units::rect(2520, 4275, 1935, 255), Placeholder);
    Label8 = makeLabel(this, "Label8", Units::rect(180, 5325, 4305, 975),
        QStringLiteral(
            "Per una questione di Privacy, non è possibile avere i dati degli allevatori. "
            "Ma, rivolgendosi allo Stato stesso con la serie dell'uovo, o facendo milioni "
            "di telefonate e aspettando giorni e giorni (pagando sicuramente il lavoro), "
            "questi si possono avere... ALLA FACCIA DI NOI POVERI CONSUMATORI!!!!!"));

    codice = new QLineEdit(this);
    codice->setObjectName(QStringLiteral("codice"));
    codice->setGeometry(Units::rect(1680, 1080, 1215, 285));
    codice->setFrame(false);
    codice->setAlignment(Qt::AlignCenter);
    codice->setMaxLength(12);
    codice->setFocusPolicy(Qt::StrongFocus);
    codice->setAttribute(Qt::WA_NoMousePropagation);
    QPalette box = codice->palette();
    box.setColor(QPalette::Base, Units::rgb(255, 255, 192));
    codice->setPalette(box);

    Frame1 = new QWidget(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Units::rect(0, 0, 4695, 2775));
    Frame1->setAutoFillBackground(true);
    Frame1->setPalette(background);
    Frame1->setFocusPolicy(Qt::NoFocus);
    Frame1->setAttribute(Qt::WA_NoMousePropagation);
    Frame1->hide();
    Shape11 = makeShape(Frame1, "Shape11", Units::rect(120, 120, 4455, 2535), peach);
    Shape12 = makeShape(Frame1, "Shape12", Units::rect(120, 120, 4455, 375), darkRed);
    Label7 = makeLabel(
        Frame1, "Label7", Units::rect(120, 120, 4455, 375), QStringLiteral("Info Allevamento"));
    aiuto = makeLabel(Frame1, "aiuto", Units::rect(240, 600, 4215, 1935), QString());

    Ok->setFont(designFont(9.75));
    Ok->setCursor(Artwork::handPointer());
    Ok->setMouseTracking(true);
    a1->setCursor(Artwork::helpPointer());
    a1->setMouseTracking(true);
    for (Label *heading : {Label1, Label2, Label3, Label4})
        heading->setFont(designFont(8.25, true));
    Label5->setFont(designFont(8.25, false, true));
    Label5->setTextColor(palette().color(QPalette::WindowText));
    Label5->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (Label *title : {Label6, Label7}) {
        title->setFont(designFont(12, true));
        title->setTextColor(QColor(Qt::white));
        title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    codice->setAccessibleName(QStringLiteral("Codice dell'uovo"));
    codice->setAccessibleDescription(QStringLiteral(
        "Il codice di undici caratteri stampato sul guscio, per esempio 1IT015VR001"));
    Ok->setAccessibleName(QStringLiteral("Ricerca"));
    a1->setAccessibleName(QStringLiteral("Tipologia di Allevamento"));
    a2->setAccessibleName(QStringLiteral("Stato di Produzione"));
    a3->setAccessibleName(QStringLiteral("Comune di Produzione"));
    a4->setAccessibleName(QStringLiteral("Provincia di Produzione"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1);
    // Like the desktops' own text fields, the cursor stops blinking ten
    // seconds after the last input, so that the idle window sleeps.
    caretRest = new QTimer(this);
    caretRest->setSingleShot(true);
    caretRest->setInterval(10000);
    m_caretFlashTime = QApplication::cursorFlashTime();
    connect(caretRest, &QTimer::timeout, this, [] { QApplication::setCursorFlashTime(0); });

    // The window handles no keys of its own: Enter in codice does not search.
    connect(Ok, &Label::clicked, this, &Form1::Ok_Click);
    connect(Ok, &Label::pointerMoved, this, &Form1::Ok_MouseMove);
    connect(a1, &Label::clicked, this, &Form1::a1_Click);
    // Direct, so that the reset runs inside the handler that sets the text.
    connect(codice, &QLineEdit::textChanged, this, &Form1::codice_Change, Qt::DirectConnection);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    // Timer2 runs only while codice lacks the focus: once it has lost it,
    // or is enabled again, until it holds it.
    connect(Timer2, &QTimer::timeout, this, &Form1::keepFocusWhileNeeded);
    connect(qApp, &QApplication::focusChanged, this, &Form1::keepFocusWhileNeeded);
    codice->installEventFilter(this);

    // Photos: dropped anywhere on the window, pasted into codice, or chosen
    // from its menu; read on a thread of their own, one at a time.
    setAcceptDrops(true);
    codice->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(codice, &QWidget::customContextMenuRequested, this, &Form1::codice_ContextMenu);
    readerThread = new QThread(this);
    readerThread->setObjectName(QStringLiteral("readerThread"));
    readerContext = new QObject;
    readerContext->moveToThread(readerThread);
    connect(readerThread, &QThread::finished, readerContext, &QObject::deleteLater);
    photoReader = std::make_unique<PhotoReader>();
    // Its networks and codes hold some 50 MB, which an idle window need not keep.
    readerIdle = new QTimer(this);
    readerIdle->setObjectName(QStringLiteral("readerIdle"));
    readerIdle->setSingleShot(true);
    readerIdle->setInterval(ReaderIdleMs);
    connect(readerIdle, &QTimer::timeout, this, [this, reader = photoReader.get()] {
        QMetaObject::invokeMethod(readerContext, [reader] { reader->release(); });
    });

    load();
    codice->setFocus();
    keepFocusWhileNeeded();
}

// The application outlives the window and announces focus changes while the
// window's QWidget part closes it: stop listening before that.
Form1::~Form1()
{
    disconnect(qApp, nullptr, this, nullptr);
    // A read under way is stopped, and its answer is not shown.
    readStop.request_stop();
    if (readerThread->isRunning()) {
        readerThread->quit();
        readerThread->wait();
    } else {
        delete readerContext;
    }
    if (m_reading)
        QGuiApplication::restoreOverrideCursor();
}

void Form1::prepareApplication()
{
    // Under Wayland a client cannot keep itself above other windows, while
    // through XWayland the window manager honours the X11 "above" state: so
    // X11 wherever an X server is reachable, unless the user chose otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // On X11, Qt hands the window's pixels to the server through a shared
    // memory segment that it makes anew on every resize: about 3 ms on each
    // expand. For a window this small, plain image transfers are faster.
    qputenv("QT_XCB_NO_MITSHM", "1");
}

void Form1::configureApplication()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    auto *qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    QAccessible::installFactory(LabelAccessible::create);
}

// Start-up: the collapsed height, centred on the screen for the expanded
// height, so that the results stay on screen whenever they fit at all.
// Staying on top is the window flag set above, for the window's whole life.
void Form1::load()
{
    setOuterHeight(CollapsedHeight);
    const QRect screenArea = screen()->availableGeometry();
    const QSize outer(width() + Units::pixels(2 * DesignFrameSide), Units::pixels(ExpandedHeight));
    QPoint topLeft = screenArea.center() - QPoint(outer.width() / 2, outer.height() / 2);
    topLeft.setY(std::max(topLeft.y(), screenArea.top()));
    move(topLeft);
}

int Form1::frameHeight() const
{
    const int frame = frameGeometry().height() - geometry().height();
    if (frame > 0)
        return frame;
    return Units::pixels(DesignFrameTop + DesignFrameBottom);
}

void Form1::setOuterHeight(int twips)
{
    m_outerHeight = twips;
    setFixedSize(Units::pixels(InsideWidth), Units::pixels(twips) - frameHeight());
}

int Form1::outerHeight() const
{
    return Units::twips(height() + frameHeight());
}

bool Form1::event(QEvent *event)
{
    if (isDragOrDrop(event) && photoDrag(static_cast<QDropEvent *>(event)))
        return true;
    // The frame is known only once the window manager has framed the window;
    // keep the outer height when it turns out other than assumed.
    const bool handled = QWidget::event(event);
    if ((event->type() == QEvent::Show || event->type() == QEvent::Move) && m_outerHeight > 0
        && height() != Units::pixels(m_outerHeight) - frameHeight())
        setOuterHeight(m_outerHeight);
    return handled;
}

// Search: normalise the code in the box, decode it, show the farming type,
// look up the places and expand the window. A refused code flashes the error.
void Form1::Ok_Click()
{
    // During the flash the box shows the error text, not the user's code:
    // searching it would overwrite the saved code, so the click is ignored.
    if (Timer1->isActive())
        return;

    codice->setText(NormalizeEggCode(codice->text()));
    const std::optional<EggCode> decoded = DecodeEggCode(codice->text());
    if (!decoded) {
        startFlash();
        return;
    }
    a1->setCaption(FarmingTypeName(decoded->farmingType));
    eggCode = *decoded;
    try {
        ApriDB();
    } catch (const StoreError &error) {
        // The search ends here and the program goes on: once Kelvo.bmp is
        // put right, the next search works.
        showMessage(error.message(), QStringLiteral("storeError"));
        return;
    }
    setOuterHeight(ExpandedHeight);
}

// A window-modal message with Qt's Italian Chiudi; the program goes on.
void Form1::showMessage(const QString &text, const QString &name)
{
    auto *box
        = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Close, this);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Form1::startFlash()
{
    codice->setEnabled(false);
    savedInput = codice->text();
    codice->setText(ErrorText);
    ::setTextColor(codice, Red);
    Timer1->start();
}

// End of the flash: the saved code comes back and the box can be used again.
void Form1::Timer1_Timer()
{
    codice->setText(savedInput);
    ::setTextColor(codice, Black);
    codice->setEnabled(true);
    Timer1->stop();
}

// Any change of the code collapses the window and clears the results. It
// hides the panel too: at the collapsed height the panel would cover the whole
// inside, leaving no background for the pointer to hide it again.
void Form1::codice_Change()
{
    Frame1->hide();
    setOuterHeight(CollapsedHeight);
    a1->setCaption(Placeholder);
    for (Label *label : {a2, a3, a4})
        label->setCaption(a1->caption());
    for (Label *label : {a1, a2, a3, a4})
        label->setTextColor(Black);
}

void Form1::Ok_MouseMove()
{
    Ok->setTextColor(Red);
    Ok->setUnderline(true);
}

void Form1::mouseMoveEvent(QMouseEvent *)
{
    Form_MouseMove();
}

void Form1::Form_MouseMove()
{
    Frame1->hide();
    if (codice->isEnabled())
        codice->setFocus();
    Ok->setTextColor(Black);
    Ok->setUnderline(false);
}

// Keeps the keyboard focus in codice. setFocus() moves the focus within this
// window only: it never activates the window or takes the keyboard from
// another program.
void Form1::Timer2_Timer()
{
    if (codice->isEnabled())
        codice->setFocus();
}

void Form1::keepFocusWhileNeeded()
{
    if (!codice->isEnabled() || focusWidget() == codice)
        Timer2->stop();
    else if (!Timer2->isActive())
        Timer2->start();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == codice && event->type() == QEvent::EnabledChange)
        keepFocusWhileNeeded();
    if (watched == codice
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::FocusIn
            || event->type() == QEvent::MouseButtonPress)) {
        QApplication::setCursorFlashTime(m_caretFlashTime);
        caretRest->start();
    }
    // A photo dropped on codice is read like one dropped elsewhere; Ctrl+V
    // with a photo on the clipboard reads it. Text is codice's as ever.
    if (watched == codice && isDragOrDrop(event) && photoDrag(static_cast<QDropEvent *>(event)))
        return true;
    if (watched == codice && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste) && pastePhoto())
        return true;
    return QWidget::eventFilter(watched, event);
}

void Form1::a1_Click()
{
    for (const Description &row : Descriptions) {
        if (a1->caption() == row.typeName)
            aiuto->setCaption(row.text);
    }
    Frame1->show();
}

void Form1::ApriDB()
{
    OriginLookup::run(eggCode, *this);
}

Label *Form1::resultLabel(int label) const
{
    const std::array<Label *, 4> labels {a1, a2, a3, a4};
    return labels.at(label - 1);
}

QString Form1::caption(int label) const
{
    return resultLabel(label)->caption();
}

void Form1::setCaption(int label, const QString &caption)
{
    resultLabel(label)->setCaption(caption);
}

void Form1::setTextColor(int label, int color)
{
    resultLabel(label)->setTextColor(color);
}

// A drag that holds a local file or image data: taken, copied, never moved,
// and read when dropped. During a read it is refused. Anything else is left
// to the widget under the pointer.
bool Form1::photoDrag(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    const QString file = localFile(mime);
    if ((file.isEmpty() && !mime->hasImage()) || !(event->possibleActions() & Qt::CopyAction))
        return false;
    if (m_reading) {
        event->ignore();
        return true;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->type() == QEvent::Drop) {
        if (!file.isEmpty())
            readPhoto(file);
        else
            readImage(qvariant_cast<QImage>(mime->imageData()), u"nell'immagine trascinata"_s);
    }
    return true;
}

// Reads the photo on the clipboard, if it holds one; false leaves the paste to codice.
bool Form1::pastePhoto()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!photoOnClipboard(mime))
        return false;
    if (const QString file = localFile(mime); !file.isEmpty())
        readPhoto(file);
    else
        readImage(qvariant_cast<QImage>(mime->imageData()), u"nell'immagine incollata"_s);
    return true;
}

// codice's own menu in Italian, with Incolla reading a photo on the
// clipboard, and an entry that opens a photo.
void Form1::codice_ContextMenu(const QPoint &pos)
{
    QMenu *menu = codice->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (photoOnClipboard(QGuiApplication::clipboard()->mimeData())) {
        for (QAction *action : menu->actions()) {
            // Named so from Qt 6.5 on; before, known by its text alone.
            if (action->objectName() != u"edit-paste"
                && action->text().section(u'\t', 0, 0) != QLineEdit::tr("&Paste"))
                continue;
            disconnect(action, &QAction::triggered, codice, nullptr);
            connect(action, &QAction::triggered, this, &Form1::pastePhoto);
            action->setEnabled(!m_reading);
        }
    }
    menu->addSeparator();
    QAction *fromPhoto = menu->addAction(u"Leggi da una foto…"_s);
    fromPhoto->setObjectName(u"LeggiFoto"_s);
    fromPhoto->setEnabled(!m_reading);
    connect(fromPhoto, &QAction::triggered, this, &Form1::LeggiFoto_Click);
    menu->popup(codice->mapToGlobal(pos));
}

// Qt's own file dialog, which Qt's Italian texts translate, window-modal.
void Form1::LeggiFoto_Click()
{
    auto *dialog = new QFileDialog(this, u"Leggi da una foto"_s,
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
        u"Foto (*.jpg *.jpeg *.png *.webp *.heic *.heif);;Tutti i file (*)"_s);
    dialog->setObjectName(u"LeggiFotoDialog"_s);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &Form1::readPhoto);
    dialog->open();
}

void Form1::readPhoto(const QString &fileName)
{
    startRead([fileName](PhotoReader &reader,
                  std::stop_token stop) { return reader.read(fileName, std::move(stop)); },
        u"in \"%1\""_s.arg(QFileInfo(fileName).fileName()));
}

void Form1::readImage(const QImage &image, const QString &where)
{
    startRead([image](PhotoReader &reader,
                  std::stop_token stop) { return reader.read(image, std::move(stop)); },
        where);
}

// The read runs in readerThread, and its outcome comes back to this thread.
// where tells, after "Nessun codice leggibile", what was read.
void Form1::startRead(
    std::function<PhotoReader::Outcome(PhotoReader &, std::stop_token)> read, const QString &where)
{
    if (m_reading)
        return;
    m_reading = true;
    readerIdle->stop();
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    if (!readerThread->isRunning())
        readerThread->start();
    PhotoReader *reader = photoReader.get();
    QMetaObject::invokeMethod(
        readerContext, [this, reader, read = std::move(read), where, stop = readStop.get_token()] {
            const PhotoReader::Outcome outcome = read(*reader, stop);
            QMetaObject::invokeMethod(
                this, [this, outcome, where] { photoRead(outcome, where); }, Qt::QueuedConnection);
        });
}

// The window comes to the front to show the answer, but is not activated:
// the keyboard stays with whatever program has it. A code found is searched
// as a click on Ricerca searches it, after a flash in progress has ended.
void Form1::photoRead(const PhotoReader::Outcome &outcome, const QString &where)
{
    m_reading = false;
    readerIdle->start();
    QGuiApplication::restoreOverrideCursor();
    raise();
    if (!outcome.error.isEmpty()) {
        showMessage(outcome.error, u"photoError"_s);
    } else if (outcome.code.isEmpty()) {
        showMessage(u"Nessun codice leggibile %1."_s.arg(where), u"photoError"_s);
    } else {
        if (Timer1->isActive())
            Timer1_Timer();
        codice->setText(outcome.code);
        Ok_Click();
    }
}
