#include "platform/desktopfiles.h"

#include <gtest/gtest.h>

using namespace rt;

TEST(DesktopFiles, ExecQuotesTheProgramPathForTheFile)
{
    struct Row { const char* program; const char* inFile; };
    const Row rows[] = {
        {"/usr/bin/melodune", "/usr/bin/melodune"},
        {"/opt/my apps/melodune", R"("/opt/my apps/melodune")"},
        {R"(/opt/a"b/melodune)", R"("/opt/a\\"b/melodune")"},
        {"/opt/$HOME/melodune", R"("/opt/\\$HOME/melodune")"},
        {"/opt/`id`/melodune", R"("/opt/\\`id\\`/melodune")"},
        {R"(/opt/a\b/melodune)", R"("/opt/a\\\\b/melodune")"},
        {"/opt/100%/melodune", "/opt/100%%/melodune"},
        {"/opt/100% x/melodune", R"("/opt/100%% x/melodune")"},
        {"/opt/歌/melodune", "/opt/歌/melodune"},
        {"/opt/a;b/melodune", R"("/opt/a;b/melodune")"},
        {"/opt/a'b/melodune", R"("/opt/a'b/melodune")"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(execProgram(QString::fromUtf8(r.program)), QString::fromUtf8(r.inFile)) << r.program;
}

TEST(DesktopFiles, EntriesNameTheProgramAndTheirTypes)
{
    DesktopEntry e;
    e.name = "添加到 Melodune 列表";
    e.program = R"(/opt/a b\c/melodune)";
    e.arguments = "/a %f";
    e.mimeTypes = {"audio/mpeg", "video/mpeg"};
    e.noDisplay = true;
    const QString text = QString::fromUtf8(desktopEntry(e));
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nName=添加到 Melodune 列表\n"));
    EXPECT_TRUE(text.contains(R"(
TryExec=/opt/a b\\c/melodune
)"));
    EXPECT_TRUE(text.contains(R"(
Exec="/opt/a b\\\\c/melodune" /a %f
)"));
    EXPECT_TRUE(text.contains("\nMimeType=audio/mpeg;video/mpeg;\n"));
    EXPECT_TRUE(text.contains("\nNoDisplay=true\n"));
    EXPECT_FALSE(text.contains("Hidden"));
    EXPECT_FALSE(text.contains("Icon="));
}

TEST(DesktopFiles, ExtensionsMapToTheDatabaseTypesOrToOurOwn)
{
    EXPECT_EQ(mimeTypesForExtension("m3u").size(), 2);
    EXPECT_EQ(mimeTypesForExtension("mp3"), QStringList{"audio/mpeg"});
    for (const char* group : {"mpeg mpg vob", "au snd", "mid midi", "rm rmvb"}) {
        const QStringList exts = QString(group).split(' ');
        for (const QString& ext : exts) {
            EXPECT_EQ(mimeTypesForExtension(ext), mimeTypesForExtension(exts.first())) << ext.toStdString();
            EXPECT_FALSE(isOwnMimeType(mimeTypesForExtension(ext).first())) << ext.toStdString();
        }
    }
    for (const char* ext : {"dat", "rmi", "wm"}) {
        EXPECT_TRUE(databaseMimeTypes(ext).isEmpty()) << ext;
        EXPECT_EQ(mimeTypesForExtension(ext), QStringList{QString("application/x-melodune-") + ext}) << ext;
    }
    EXPECT_EQ(canonicalMimeType("audio/wav"), "audio/x-wav");
    EXPECT_EQ(canonicalMimeType("application/x-melodune-dat"), "application/x-melodune-dat");
}

TEST(DesktopFiles, PackageDeclaresTheListTypeAndOnlyTheOwnTypesAsked)
{
    const QString bare = QString::fromUtf8(mimePackage({}));
    EXPECT_TRUE(bare.contains(R"(<mime-type type="application/x-melodune-playlist">)"));
    EXPECT_TRUE(bare.contains(R"(<sub-class-of type="text/plain"/>)"));
    EXPECT_TRUE(bare.contains(R"(<glob pattern="*.mdu"/>)"));
    EXPECT_TRUE(bare.contains("<comment>MDU File</comment>"));
    EXPECT_FALSE(bare.contains("x-melodune-dat"));
    const QString withDat = QString::fromUtf8(mimePackage({"dat"}));
    EXPECT_TRUE(withDat.contains(R"(<mime-type type="application/x-melodune-dat">)"));
    EXPECT_TRUE(withDat.contains("<comment>DAT 文件</comment>"));
    EXPECT_TRUE(withDat.contains(R"(<glob pattern="*.dat"/>)"));
}

namespace {

std::vector<MimeAppsChange> takeOver(const char* type, bool addVerb = true)
{
    return {{QString(type), true, addVerb}};
}
std::vector<MimeAppsChange> withdraw(const char* type) { return {{QString(type), false, false}}; }

} // namespace

TEST(DesktopFiles, MimeAppsEditsOnlyTheTypesLines)
{
    struct Row {
        const char* name;
        QByteArray in;
        std::vector<MimeAppsChange> changes;
        QByteArray out;
    };
    const Row rows[] = {
        {"no file", "", takeOver("audio/mpeg"),
         "[Default Applications]\naudio/mpeg=melodune.desktop;\n[Added Associations]\naudio/mpeg=melodune-add.desktop;\n"},
        {"foreign groups and comments",
         "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\naudio/mpeg=vlc.desktop;\n\n"
         "[Removed Associations]\naudio/mpeg=totem.desktop;\n",
         takeOver("audio/mpeg"),
         "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\naudio/mpeg=melodune.desktop;vlc.desktop;\n\n"
         "[Removed Associations]\naudio/mpeg=totem.desktop;\n[Added Associations]\naudio/mpeg=melodune-add.desktop;\n"},
        {"no default group", "[Added Associations]\naudio/mpeg=vlc.desktop;\n", takeOver("audio/mpeg"),
         "[Added Associations]\naudio/mpeg=melodune-add.desktop;vlc.desktop;\n"
         "[Default Applications]\naudio/mpeg=melodune.desktop;\n"},
        {"new line before the group's blank lines", "[Default Applications]\ntext/plain=a.desktop;\n\n[X]\nk=v\n",
         takeOver("audio/mpeg", false),
         "[Default Applications]\ntext/plain=a.desktop;\naudio/mpeg=melodune.desktop;\n\n[X]\nk=v\n"},
        {"our id listed already", "[Default Applications]\naudio/mpeg=vlc.desktop;melodune.desktop;\n",
         takeOver("audio/mpeg", false), "[Default Applications]\naudio/mpeg=melodune.desktop;vlc.desktop;\n"},
        {"alias key", "[Default Applications]\naudio/wav=vlc.desktop;\n", takeOver("audio/x-wav", false),
         "[Default Applications]\naudio/wav=melodune.desktop;vlc.desktop;\n"},
        {"blanks around =", "[Default Applications]\n audio/mpeg = vlc.desktop; \n", takeOver("audio/mpeg", false),
         "[Default Applications]\n audio/mpeg = melodune.desktop;vlc.desktop; \n"},
        {"CRLF", "[Default Applications]\r\naudio/mpeg=vlc.desktop;\r\n", takeOver("audio/mpeg"),
         "[Default Applications]\r\naudio/mpeg=melodune.desktop;vlc.desktop;\r\n"
         "[Added Associations]\r\naudio/mpeg=melodune-add.desktop;\r\n"},
        {"no newline at the end", "[Default Applications]\ntext/plain=a.desktop;", takeOver("audio/mpeg", false),
         "[Default Applications]\ntext/plain=a.desktop;\naudio/mpeg=melodune.desktop;\n"},
        {"withdrawn line left empty",
         "[Default Applications]\naudio/mpeg=melodune.desktop;\ntext/plain=a.desktop;\n"
         "[Added Associations]\naudio/mpeg=melodune-add.desktop;vlc.desktop;\n",
         withdraw("audio/mpeg"),
         "[Default Applications]\ntext/plain=a.desktop;\n[Added Associations]\naudio/mpeg=vlc.desktop;\n"},
        {"withdrawing an alias line", "[Default Applications]\naudio/wav=melodune.desktop;b.desktop\n",
         withdraw("audio/x-wav"), "[Default Applications]\naudio/wav=b.desktop\n"},
        {"other types untouched", "[Default Applications]\nvideo/mpeg=melodune.desktop;\n", withdraw("audio/mpeg"),
         "[Default Applications]\nvideo/mpeg=melodune.desktop;\n"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(editMimeApps(r.in, r.changes).toStdString(), r.out.toStdString()) << r.name;
}

TEST(DesktopFiles, TakingOverThenWithdrawingGivesTheFileBackByteForByte)
{
    const QByteArray inputs[] = {
        "",
        "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\naudio/mpeg=vlc.desktop;\n\n"
        "[Removed Associations]\naudio/mpeg=totem.desktop;\n",
        "[Added Associations]\naudio/mpeg=vlc.desktop\n",
        "[Default Applications]\r\n audio/wav = vlc.desktop; \r\n\r\n[Added Associations]\r\nx/y=z;\r\n",
        "[Default Applications]\ntext/plain=a.desktop;\n\n\n[X]\nk=v\n",
    };
    for (const QByteArray& in : inputs) {
        const QByteArray mid = editMimeApps(in, {{"audio/x-wav", true, true}, {"audio/mpeg", true, true}});
        EXPECT_NE(mid, in);
        const QByteArray back = editMimeApps(mid, {{"audio/x-wav", false, false}, {"audio/mpeg", false, false}});
        EXPECT_EQ(back.toStdString(), in.toStdString());
    }
}
