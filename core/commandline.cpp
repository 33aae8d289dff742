#include "core/commandline.h"

#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>

namespace melodune {

namespace {

// A file named relative to the folder the program was started in would be
// looked for elsewhere at the next start; network addresses, absolute paths
// and names of nothing on disk are kept as given.
QString storedEntry(const QString& name)
{
    if (name.contains(QLatin1String("://")))
        return name;
    const QFileInfo info(name);
    return info.isRelative() && info.exists() ? info.absoluteFilePath() : name;
}

bool sameBytes(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return fa.error() == QFileDevice::NoError && fb.error() == QFileDevice::NoError;
}

// Copies the list, whole, beside it before anything can rewrite it from the
// shortened playlist. A copy kept earlier is never replaced: the same list
// reuses it, a different one takes the next free name. Empty on failure.
QString keepWholeList(const QString& listFile)
{
    for (int n = 1; n < 100; ++n) {
        const QString name = listFile + (n == 1 ? QStringLiteral(".full") : QStringLiteral(".full%1").arg(n));
        if (QFileInfo::exists(name)) {
            if (sameBytes(listFile, name))
                return name;
            continue;
        }
        return rt::copyFileAtomically(listFile, name) ? name : QString();
    }
    return {};
}

} // namespace

QString commandLineFromArguments(const QStringList& args)
{
    return args.join(u' ');
}

StartupListPlan planStartupList(const QString& storedCommandLine, const QString& processCommandLine,
                                const QString& dataDir)
{
    StartupListPlan plan;
    plan.listToRead = listFilePath(dataDir);
    if (storedCommandLine == kCommandLineSuppressed)
        return plan; // consumed: the variable becomes "" and nothing is applied

    QString text = processCommandLine.trimmed();
    text.remove(u'"');
    plan.commandLine = text;
    if (text.isEmpty())
        return plan;

    // The file it names must fit a path (an address, a line of the list).
    const bool listFile = isListFileName(text);
    const bool append = !listFile && text.startsWith(QLatin1String("/a "), Qt::CaseSensitive);
    const QString named = append ? text.mid(3) : text;
    const qsizetype bytes = QFile::encodeName(named).size();
    if (bytes > (named.contains(QLatin1String("://")) ? kMaxListLineBytes - 2 : kMaxPathBytes)) {
        plan.refusal = CommandLineRefusal::TooLong;
        plan.refusedName = named;
        plan.refusedBytes = bytes;
        return plan;
    }

    if (listFile) {
        plan.action = CommandLineAction::ReadListFile;
        plan.listToRead = text;
        plan.currentIndexToZero = true;
    } else if (append) {
        plan.action = CommandLineAction::AppendToList;
        plan.entry = storedEntry(named);
    } else {
        plan.action = CommandLineAction::ReplaceList;
        plan.entry = storedEntry(named);
    }
    if (!plan.entry.isEmpty()) {
        plan.entryProblem = listEntryProblem(plan.entry);
        if (plan.entryProblem != EntryProblem::None) {
            plan.refusal = CommandLineRefusal::EntryProblem;
            plan.refusedName = plan.entry;
            plan.action = CommandLineAction::None;
            plan.entry.clear();
        }
    }
    return plan;
}

StartupListResult runStartupListStep(const QString& storedCommandLine, const QString& processCommandLine,
                                     const QString& dataDir, std::int32_t currentIndex)
{
    StartupListPlan plan = planStartupList(storedCommandLine, processCommandLine, dataDir);
    StartupListResult result;
    result.commandLine = plan.commandLine;
    result.currentIndex = plan.currentIndexToZero ? 0 : currentIndex;
    result.commandLineRefused = plan.refusal;
    result.entryProblem = plan.entryProblem;
    result.refusedName = plan.refusedName;
    result.refusedBytes = plan.refusedBytes;

    const QString listFile = listFilePath(dataDir);
    if (plan.action == CommandLineAction::AppendToList)
        result.listWriteFailed = !appendPlaylistLine(listFile, plan.entry);
    else if (plan.action == CommandLineAction::ReplaceList)
        result.listWriteFailed = !writePlaylistFile(listFile, {plan.entry}, std::nullopt);

    // As a stream: what lies beyond the playlist's capacity is only counted.
    PlaylistRead read = readPlaylistFile(plan.listToRead, kMaxListEntries);
    if (plan.action == CommandLineAction::ReadListFile && read.status == ListReadStatus::NotText) {
        // No list: the saved one is read instead, with its own index.
        result.commandLineRefused = CommandLineRefusal::NotAList;
        result.refusedName = plan.listToRead;
        result.currentIndex = currentIndex;
        plan.action = CommandLineAction::None;
        plan.listToRead = listFile;
        read = readPlaylistFile(listFile, kMaxListEntries);
    }
    if (plan.action == CommandLineAction::ReadListFile)
        read.entries = resolveListEntries(read.entries, plan.listToRead);
    result.readStatus = read.status;
    result.listRead = plan.listToRead;
    if ((read.status == ListReadStatus::Unreadable || read.status == ListReadStatus::NotText) &&
        plan.listToRead == listFile) {
        QString aside = listFile + QStringLiteral(".bad");
        for (int n = 2; QFileInfo::exists(aside) && n < 100; ++n)
            aside = listFile + QStringLiteral(".bad%1").arg(n);
        if (!QFileInfo::exists(aside) && QFile::rename(listFile, aside))
            result.listSetAsideAs = aside;
        else
            result.keepListFile = true;
        // A file appended to it went aside with it: it still reaches the list.
        if (plan.action == CommandLineAction::AppendToList && !result.listWriteFailed)
            read.entries = QStringList{plan.entry};
    }
    if (read.currentIndex)
        result.currentIndex = *read.currentIndex;
    if (read.moreEntries > 0) {
        result.droppedEntries = read.moreEntries;
        if (plan.listToRead == listFile) {
            // The exit (or a deletion) rewrites List.mdu from the playlist.
            result.fullListKeptAs = keepWholeList(listFile);
            if (result.fullListKeptAs.isEmpty())
                result.keepListFile = true;
            if (plan.action == CommandLineAction::AppendToList && !result.listWriteFailed)
                result.appendedEntryDropped = plan.entry;
        }
    }
    result.entries = read.entries;
    // A file the list file could not take still reaches the list box; the
    // shut-down save tries again.
    if (result.listWriteFailed) {
        if (plan.action == CommandLineAction::ReplaceList) {
            result.entries = QStringList{plan.entry};
            result.currentIndex = 0;
        } else if (result.entries.size() < kMaxListEntries) {
            result.entries.append(plan.entry);
        } else {
            result.entryListed = false;
        }
    }

    if (!result.entries.isEmpty()) {
        result.currentIndex = clampCurrentIndex(result.currentIndex, int(result.entries.size()));
        result.selectIndex = result.currentIndex;
        return result;
    }

    const QString demo = dataDir + QStringLiteral("/demo.wmv");
    if (QFileInfo::exists(demo)) {
        // A List.mdu that exists but cannot be read is not rewritten; the demo
        // entry then lives in the list box only.
        appendPlaylistLine(listFile, demo);
        result.entries = QStringList{demo};
        result.selectIndex = 0;
        result.currentIndex = 0;
        result.demoAdded = true;
    }
    return result;
}

} // namespace melodune
