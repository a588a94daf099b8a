// Zelmora's one window. The user types the producer code of an egg into
// codice and clicks Ok ("Ricerca"); the window grows and shows the farming
// type (a1), country (a2), municipality (a3) and province (a4) of the egg.
// Clicking the farming type explains it in the panel Frame1.
#pragma once

#include "eggcode.h"
#include "resultlabels.h"

#include <QWidget>
#include <array>

class Label;
class QLineEdit;
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

    QString savedInput;
    EggCode eggCode;
};
