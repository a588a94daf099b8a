// What assistive technology sees of a Label: its accessible name (or its
// caption), the caption as description, and, for a label that reacts to a
// click, the press action, which runs the same handler as a click. This is
// how a screen-reader user starts a search: the window handles no keys.
#pragma once

#include <QAccessibleWidget>

class Label;

class LabelAccessible : public QAccessibleWidget
{
public:
    explicit LabelAccessible(Label *label);

    // For QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    Label *label() const;
};
