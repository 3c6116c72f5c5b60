#include "common/labelbutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quillet {

namespace {

// A label button as assistive technologies see it: a push button with its name and a press action.
class LabelButtonAccessible : public QAccessibleWidget
{
public:
    explicit LabelButtonAccessible(QWidget *label)
        : QAccessibleWidget(label, QAccessible::Button)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            if (const LabelButton *button = LabelButton::of(widget()))
                return button->name();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return QStringList {pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString &action) override
    {
        if (action != pressAction())
            return QAccessibleWidget::doAction(action);
        if (const LabelButton *button = LabelButton::of(widget()))
            button->press();
    }
};

QAccessibleInterface *labelButtonFactory(const QString &, QObject *object)
{
    if (object && object->isWidgetType() && LabelButton::of(object))
        return new LabelButtonAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

LabelButton::LabelButton(QLabel *label, std::function<void()> press)
    : QObject(label)
    , m_label(label)
    , m_press(std::move(press))
{
    setObjectName(QStringLiteral("labelButton"));
}

LabelButton *LabelButton::attach(QLabel *label, std::function<void()> press)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(labelButtonFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    auto *button = new LabelButton(label, std::move(press));
    label->setFocusPolicy(Qt::TabFocus);
    label->installEventFilter(button);
    // The label may already be described as a label (a screen reader asks as soon as its caption is set): that
    // description goes, and the next one asked for is the button's.
    QAccessibleInterface *known = QAccessible::queryAccessibleInterface(label);
    if (known && known->role() != QAccessible::Button)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
    return button;
}

LabelButton *LabelButton::of(const QObject *object)
{
    return object ? object->findChild<LabelButton *>(QStringLiteral("labelButton"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void LabelButton::press() const
{
    if (m_press)
        m_press();
}

QString LabelButton::name() const
{
    if (!m_label->accessibleName().isEmpty())
        return m_label->accessibleName();
    if (!m_label->toolTip().isEmpty())
        return m_label->toolTip();
    return m_label->text().trimmed();
}

bool LabelButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_label)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool pressKey
            = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
        if (pressKey && !(key->modifiers() & ~Qt::KeypadModifier)) {
            press();
            return true;
        }
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        m_label->update();
        break;
    case QEvent::Paint:
        if (m_label->hasFocus()) {
            // The label paints itself first; the focus frame goes over it.
            static_cast<QObject *>(m_label)->event(event);
            QPainter painter(m_label);
            QStyleOptionFocusRect option;
            option.initFrom(m_label);
            m_label->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, m_label);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillet
