#include "labelaccessible.h"

#include "label.h"

LabelAccessible::LabelAccessible(Label *label) : QAccessibleWidget(label, QAccessible::StaticText)
{ }

QAccessibleInterface *LabelAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1StringView(Label::staticMetaObject.className()))
        return new LabelAccessible(static_cast<Label *>(object));
    return nullptr;
}

Label *LabelAccessible::label() const
{
    return static_cast<Label *>(widget());
}

QString LabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && label()->accessibleName().isEmpty())
        return label()->caption();
    return QAccessibleWidget::text(t);
}

QStringList LabelAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (label()->isClickable())
        names.prepend(pressAction());
    return names;
}

void LabelAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction() && label()->isClickable())
        emit label()->clicked();
    else
        QAccessibleWidget::doAction(actionName);
}
