// Zelmora's one window. The user types the producer code of an egg into
// codice and clicks Ok ("Ricerca"); the window grows and shows the farming
// type (a1), country (a2), municipality (a3) and province (a4) of the egg.
// Clicking the farming type explains it in the panel Frame1. A photo of the
// stamp, dropped, pasted, chosen from the code box's menu or named on the
// command line, is read off the GUI thread and searched as a click would.
#pragma once

#include "eggcode.h"
#include "photoreader.h"
#include "resultlabels.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <stop_token>

class Label;
class QDropEvent;
class QLineEdit;
class QThread;
class QTimer;
class Shape;

class Form1 : public QWidget, private ResultLabels
{
    Q_OBJECT

public:
    static const QString Placeholder;
    static const QString ErrorText;
    // What each farming type means, in the order a click on a1 tests them.
    struct Description
    {
        QString typeName;
        QString text;
    };
    static const std::array<Description, 4> Descriptions;
    static constexpr int CollapsedHeight = 3180; // twips, title bar and borders included
    static constexpr int ExpandedHeight = 7065;
    // How long the photo reader stays loaded after a read, for the next.
    static constexpr int ReaderIdleMs = 60000;

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Platform settings for this window; call before QApplication exists.
    static void prepareApplication();
    // Qt's own texts in Italian, the Italian locale, and the labels' actions
    // for assistive technology; call once QApplication exists.
    static void configureApplication();

    // The outer height in twips, frame included; the top edge stays put.
    void setOuterHeight(int twips);
    int outerHeight() const;

    // Looks up the places of the current code and fills a2 to a4; throws
    // StoreError when Kelvo.bmp cannot be read.
    void ApriDB();

    // Reads the code of a photo file, as a drop of it does: the code found is
    // searched, or a message names the file and says why there is none.
    // Ignored while another read runs.
    void readPhoto(const QString &fileName);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void load();

    // Search flow
    void Ok_Click();
    void Timer1_Timer();
    void codice_Change();
    void startFlash();

    // Pointer, focus and information panel
    void Ok_MouseMove();
    void Form_MouseMove();
    void Timer2_Timer();
    void keepFocusWhileNeeded();
    void a1_Click();

    // Photos: drops, pastes, the code box's menu
    bool photoDrag(QDropEvent *event);
    bool pastePhoto();
    void codice_ContextMenu(const QPoint &pos);
    void LeggiFoto_Click();
    void readImage(const QImage &image, const QString &where);
    void startRead(std::function<PhotoReader::Outcome(PhotoReader &, std::stop_token)> read,
        const QString &where);
    void photoRead(const PhotoReader::Outcome &outcome, const QString &where);
    void showMessage(const QString &text, const QString &name);

    int frameHeight() const;

    // ResultLabels, for the origin lookup
    QString caption(int label) const override;
    void setCaption(int label, const QString &caption) override;
    void setTextColor(int label, int color) override;
    Label *resultLabel(int label) const;

    int m_outerHeight = 0;

    QLineEdit *codice;
    Label *Ok;
    Label *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    Label *a1, *a2, *a3, *a4;
    Label *aiuto;
    QWidget *Frame1;
    Shape *Shape1, *Shape2, *Shape3, *Shape4, *Shape5, *Shape6;
    Shape *Shape7, *Shape8, *Shape9, *Shape10, *Shape11, *Shape12;
    QTimer *Timer1;
    QTimer *Timer2;
    QTimer *caretRest; // stops the text cursor's blinking a while after the last input
    int m_caretFlashTime = 0;
    QThread *readerThread; // reads photos, one at a time, started at the first
    QObject *readerContext; // lives in readerThread: a read is queued to it
    std::unique_ptr<PhotoReader> photoReader; // used in readerThread only
    std::stop_source readStop; // stops the read under way when the window goes
    QTimer *readerIdle; // lets photoReader's memory go a while after the last read
    bool m_reading = false;

    QString savedInput;
    EggCode eggCode;
};
