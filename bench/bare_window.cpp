// The floor of bench_startup: a bare Qt window that reads a playlist into a QStringList and shows it in a
// QListView. It links Qt Widgets only.
// With --marquee it is the floor of bench_cpu's idle main window instead: a window of the main window's size in
// which a label moves as Quillet's marquee does, 80 twips to the left every 200 ms, re-entering from the right;
// it prints "ready" once shown and answers "cpu" queries on its standard input.
//
// Usage: bare_window [playlist]
//        bare_window --marquee
#include "cpureport.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QStringListModel>
#include <QTimer>

static int marquee()
{
    QWidget window;
    window.resize(680, 520);
    QWidget strip(&window);
    strip.setGeometry(9, 40, 662, window.fontMetrics().height() + 4);
    QLabel label(QStringLiteral("Click \"Add File\" To Add Some Files !"), &strip);
    label.adjustSize();
    const double pixelsPerTwip = (window.logicalDpiX() > 0 ? window.logicalDpiX() : 96) / 1440.0;
    double left = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        left = left >= -label.width() / pixelsPerTwip ? left - 80 : 4800;
        label.move(qRound(left * pixelsPerTwip), 0);
    });
    timer.start(200);
    window.show();
    // bench_cpu waits for this, then asks for the CPU time used.
    std::puts("ready");
    std::fflush(stdout);
    answerCpuQueries(&window);
    return QApplication::exec();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--marquee")
        return marquee();
    QStringList entries;
    QFile file(argc >= 2 ? QString::fromLocal8Bit(argv[1]) : QString());
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.readAll().split('\n');
        entries.reserve(lines.size());
        for (const QByteArray &line : lines)
            entries.append(QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line));
    }
    QStringListModel model(entries);
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(640, 480);
    view.show();
    return app.exec();
}
