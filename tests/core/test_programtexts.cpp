// The program's texts speak of what holds on this desktop: no string in its
// sources and nothing in its help page names another platform's sound
// interfaces, mixer lines or programs.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kRoot = QStringLiteral(MELODUNE_SOURCE_DIR);

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(ProgramTexts, NameNoSoundInterfaceOfAnotherPlatform)
{
    const QRegularExpression literal(QStringLiteral(R"("(?:[^"\\\n]|\\.)*")"));
    const QRegularExpression foreign(QStringLiteral(R"(DirectX|DirectSound|Stereo ?Mix|Mic Boost)"),
                                     QRegularExpression::CaseInsensitiveOption);
    // The texts the user reads in the help page, where the program's own
    // registry names (kept in its store) do not stand.
    const QRegularExpression foreignInHelp(
        QStringLiteral(R"(DirectX|DirectSound|Stereo ?Mix|Mic Boost|Windows|\.exe\b|\.chm\b|注册表)"),
        QRegularExpression::CaseInsensitiveOption);

    ASSERT_TRUE(QFile::exists(kRoot + QStringLiteral("/sound/frmmain_recording.cpp")));
    QStringList found;
    for (const char* folder : {"app", "core", "controls", "dialogs", "lyrics", "platform", "sound", "visual"}) {
        QDirIterator it(kRoot + QLatin1Char('/') + QLatin1String(folder), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString text = readAll(path);
            for (auto m = literal.globalMatch(text); m.hasNext();) {
                const QRegularExpressionMatch s = m.next();
                if (foreign.match(s.captured()).hasMatch())
                    found << path.mid(kRoot.size() + 1) + QStringLiteral(": ") + s.captured();
            }
        }
    }
    const QString help = readAll(kRoot + QStringLiteral("/data/help.html"));
    ASSERT_FALSE(help.isEmpty());
    for (auto m = foreignInHelp.globalMatch(help); m.hasNext();)
        found << QStringLiteral("data/help.html: ") + m.next().captured();
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}

} // namespace
