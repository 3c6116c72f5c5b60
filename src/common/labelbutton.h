#pragma once

#include <QObject>

#include <functional>

class QLabel;

namespace quillet {

// Makes a label that the user clicks as a button (a caption such as "EXIT" or "Done") usable without a mouse and
// known to screen readers as a button: Tab reaches it, it shows a focus frame, Enter, Return and Space press it,
// and its accessible interface is a push button with a press action. Its accessible name is the label's
// accessible name, else its tooltip, else its caption. The mouse stays with the label's window.
class LabelButton : public QObject
{
    Q_OBJECT
public:
    // Makes the label act as a button that runs press(); the button lives as long as the label.
    static LabelButton *attach(QLabel *label, std::function<void()> press);
    // The button of a label, or nullptr for any other object.
    static LabelButton *of(const QObject *object);

    // Runs the button's action, as a click on the label does.
    void press() const;
    // What a screen reader speaks for the button.
    QString name() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    LabelButton(QLabel *label, std::function<void()> press);

    QLabel *m_label;
    std::function<void()> m_press;
};

} // namespace quillet
