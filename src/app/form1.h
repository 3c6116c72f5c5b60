#pragma once

#include <QWidget>

namespace quillet {

// The main window.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
};

} // namespace quillet
