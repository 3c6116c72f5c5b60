#include "app/form1.h"

namespace quillet {

Form1::Form1(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral(" Quillet MP3 Player"));
    resize(480, 360);
}

} // namespace quillet
