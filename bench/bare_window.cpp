// The floor of bench_startup: a bare Qt window that reads a playlist into a QStringList and shows it in a
// QListView. It links Qt Widgets only.
//
// Usage: bare_window [playlist]
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QStringListModel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
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
