#include "app/application.h"
#include "app/commandline.h"

#include <QApplication>
#include <QDir>

#include <clocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // libmpv parses numbers with the C locale.
    std::setlocale(LC_NUMERIC, "C");
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    quillet::Application quillet(
        quillet::CommandLine::join(quillet::CommandLine::texts(arguments, QDir::currentPath())));
    if (const std::optional<int> exitCode = quillet.handOverToRunningInstance())
        return *exitCode;
    quillet.start();
    return app.exec();
}
