#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace testsupport {

TestDir::TestDir()
    : dir_(QDir::tempPath() + "/melodune-t-XXXXXX")
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

void TestDir::write(const QString& name, const QByteArray& bytes) const
{
    const QString p = file(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QByteArray TestDir::read(const QString& name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TestDir::exists(const QString& name) const
{
    return QFileInfo::exists(file(name));
}

} // namespace testsupport
