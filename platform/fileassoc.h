#pragma once
// Tells the desktop which file types the program opens. The association
// store stays the record; this service only mirrors it into the
// freedesktop files under $XDG_DATA_HOME and $XDG_CONFIG_HOME: our MIME
// package, our two desktop entries and the defaults in mimeapps.list.
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class QProcess;

namespace rt {

struct AssocPlan {
    QString program;          // the running program's absolute path
    QString icon;             // the entries' icon file; empty: none
    // Every extension (no dot) that is ours after this apply; m3u gets the
    // open entry only, the others the add entry too.
    QStringList associated;
    QStringList takeOver;     // extensions whose defaults become ours now
    QStringList withdraw;     // extensions whose defaults are given back now
    bool listDefault = false; // the list type's default becomes ours
};

struct AssocResult {
    bool ok = true;
    QString failedPath;       // the file that could not be written
    int filesWritten = 0;
    int toolsStarted = 0;
};

class FileAssociations {
public:
    virtual ~FileAssociations() = default;
    virtual AssocResult apply(const AssocPlan& plan) = 0;
};

// The freedesktop files of the current user. A file is written only when its
// text changes, atomically and at a symbolic link's target; mimeapps.list
// is written last and only when everything before it was. The databases are
// refreshed by their tools, started without waiting for them.
class XdgFileAssociations : public FileAssociations {
public:
    XdgFileAssociations();
    ~XdgFileAssociations() override; // waits briefly for running tools
    AssocResult apply(const AssocPlan& plan) override;

    // Waits until the started tools have ended (tests and measurements).
    bool waitForTools(int msecs = 30000);

    static QString dataHome();
    static QString configHome();

private:
    void startTool(const QString& program, const QStringList& args);
    std::vector<QProcess*> running_;
};

// Records every plan and writes nothing; `result` is what apply answers.
class RecordingFileAssociations : public FileAssociations {
public:
    std::vector<AssocPlan> plans;
    AssocResult result;
    AssocResult apply(const AssocPlan& plan) override
    {
        plans.push_back(plan);
        return result;
    }
};

// The service in use: the freedesktop one unless a test installed another.
FileAssociations& fileAssociations();
// Installs a service (not owned); nullptr restores the freedesktop one.
void setFileAssociations(FileAssociations* service);

class ScopedFileAssociations {
public:
    explicit ScopedFileAssociations(FileAssociations* s) { setFileAssociations(s); }
    ~ScopedFileAssociations() { setFileAssociations(nullptr); }
    ScopedFileAssociations(const ScopedFileAssociations&) = delete;
    ScopedFileAssociations& operator=(const ScopedFileAssociations&) = delete;
};

} // namespace rt
