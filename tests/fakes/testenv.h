#pragma once

#include <QTemporaryDir>
#include <QString>

namespace quillet::testing {

// Points the data, config, home and XDG directories at a fresh temporary folder for the life of the object,
// so a test never touches the user's real files.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return m_dir.path(); }
    QString dataDir() const { return m_dir.path() + QStringLiteral("/data"); }
    QString configDir() const { return m_dir.path() + QStringLiteral("/config"); }
    // A path below the temporary folder.
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};

// The folder of generated test media.
QString testDataDir();
// A generated test file by name, e.g. testData("tone-44k-stereo.mp3").
QString testData(const QString &name);

} // namespace quillet::testing
