#pragma once
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A fresh temporary folder for one test; removed when it goes out of scope.
class TestDir {
public:
    TestDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // Writes raw bytes; creates parent folders.
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir_;
};

} // namespace testsupport
