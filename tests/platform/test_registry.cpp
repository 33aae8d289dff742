#include "platform/registry.h"

#include "tests/support/testdir.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace rt;

namespace {

HKey create(Registry& r, HKey root, const QString& name)
{
    HKey k = 0;
    EXPECT_EQ(r.createKey(root, name, &k), ERROR_SUCCESS) << name.toStdString();
    return k;
}

RegValue sz(const QString& t) { RegValue v; v.type = REG_SZ; v.text = t; return v; }
RegValue dword(std::uint32_t n) { RegValue v; v.type = REG_DWORD; v.number = n; return v; }

} // namespace

TEST(Registry, KeysAndValuesCompareWithoutCaseAndKeepTheirSpelling)
{
    testsupport::TestDir dir;
    Registry r(dir.file("reg.ini"));
    const HKey k = create(r, HKEY_CLASSES_ROOT, "MDU.file\\Shell\\Open");
    ASSERT_EQ(r.setValue(k, "Md_Backup", sz("one")), ERROR_SUCCESS);
    r.closeKey(k);

    // A second spelling opens the same key and the same value.
    HKey k2 = 0;
    ASSERT_EQ(r.openKey(HKEY_CLASSES_ROOT, "mdu.FILE\\shell\\OPEN", &k2), ERROR_SUCCESS);
    RegValue got;
    ASSERT_EQ(r.queryValue(k2, "MD_BACKUP", &got), ERROR_SUCCESS);
    EXPECT_EQ(got.text, "one");
    ASSERT_EQ(r.setValue(k2, "md_backup", sz("two")), ERROR_SUCCESS);
    r.closeKey(k2);
    create(r, HKEY_CLASSES_ROOT, "mdu.file\\SHELL\\Open\\Command");

    EXPECT_EQ(r.keys(), QStringList({"HKEY_CLASSES_ROOT\\MDU.file", "HKEY_CLASSES_ROOT\\MDU.file\\Shell",
                                     "HKEY_CLASSES_ROOT\\MDU.file\\Shell\\Open",
                                     "HKEY_CLASSES_ROOT\\MDU.file\\Shell\\Open\\Command"}));
    const QByteArray file = dir.read("reg.ini");
    EXPECT_TRUE(file.contains("\"Md_Backup\"=\"two\"")) << file.toStdString();

    // Roots are separate name spaces.
    HKey other = 0;
    EXPECT_EQ(r.openKey(HKEY_CURRENT_USER, "MDU.file", &other), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, StringAndNumberValuesAreKeptApartAndSurviveAReload)
{
    testsupport::TestDir dir;
    const QString path = dir.file("sub/reg.ini");
    const QString awkward = QString::fromUtf8("文件 \"q\" back\\slash\nline\r") + QChar(0) + "end";
    {
        Registry r(path);
        const HKey k = create(r, HKEY_CURRENT_USER, "Software\\Melodune");
        ASSERT_EQ(r.setValue(k, "", sz(QString::fromUtf8("默认"))), ERROR_SUCCESS);
        ASSERT_EQ(r.setValue(k, "Count", dword(0xFFFFFFFFu)), ERROR_SUCCESS);
        ASSERT_EQ(r.setValue(k, "Text", sz("7")), ERROR_SUCCESS);
        ASSERT_EQ(r.setValue(k, "Odd \"name\"", sz(awkward)), ERROR_SUCCESS);
        ASSERT_EQ(r.setValue(k, "Empty", sz("")), ERROR_SUCCESS);
        // A value changes type when rewritten.
        ASSERT_EQ(r.setValue(k, "Later", sz("x")), ERROR_SUCCESS);
        ASSERT_EQ(r.setValue(k, "Later", dword(5)), ERROR_SUCCESS);
        EXPECT_EQ(r.setValue(k, "Bad", RegValue{3, "x", 0}), ERROR_INVALID_PARAMETER);
    }
    Registry r(path);
    EXPECT_TRUE(r.load()) << r.loadError().toStdString();
    HKey k = 0;
    ASSERT_EQ(r.openKey(HKEY_CURRENT_USER, "software\\melodune", &k), ERROR_SUCCESS);
    struct Case { const char* name; std::int32_t type; QString text; std::uint32_t number; };
    const Case cases[] = {
        {"", REG_SZ, QString::fromUtf8("默认"), 0},
        {"count", REG_DWORD, "", 0xFFFFFFFFu},
        {"TEXT", REG_SZ, "7", 0},
        {"odd \"NAME\"", REG_SZ, awkward, 0},
        {"Empty", REG_SZ, "", 0},
        {"Later", REG_DWORD, "", 5},
    };
    for (const Case& c : cases) {
        RegValue v;
        ASSERT_EQ(r.queryValue(k, c.name, &v), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(v.type, c.type) << c.name;
        EXPECT_EQ(v.text, c.text) << c.name;
        EXPECT_EQ(v.number, c.number) << c.name;
    }
    RegValue v;
    EXPECT_EQ(r.queryValue(k, "Bad", &v), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.queryValue(k, "Missing", &v), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, BadNamesAndHandlesAreRefused)
{
    testsupport::TestDir dir;
    Registry r(dir.file("reg.ini"));
    HKey k = 0;
    for (const char* name : {"a\\\\b", "\\a", "a\\", "a\nb"})
        EXPECT_EQ(r.createKey(HKEY_CLASSES_ROOT, name, &k), ERROR_INVALID_PARAMETER) << name;
    EXPECT_EQ(r.openKey(HKEY_CLASSES_ROOT, "missing", &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.setValue(12345, "", sz("x")), ERROR_INVALID_HANDLE);
    EXPECT_EQ(r.createKey(12345, "x", &k), ERROR_INVALID_HANDLE);
    const HKey h = create(r, HKEY_CLASSES_ROOT, "a");
    EXPECT_EQ(r.closeKey(h), ERROR_SUCCESS);
    EXPECT_EQ(r.setValue(h, "", sz("x")), ERROR_INVALID_HANDLE); // closed
    EXPECT_TRUE(r.keys().contains("HKEY_CLASSES_ROOT\\a"));
}

TEST(Registry, ChangesOfAnotherInstanceAreNotOverwritten)
{
    testsupport::TestDir dir;
    Registry a(dir.file("reg.ini"));
    Registry b(dir.file("reg.ini"));
    const HKey ka = create(a, HKEY_CLASSES_ROOT, ".mdu");
    ASSERT_EQ(a.setValue(ka, "", sz("MDU.file")), ERROR_SUCCESS);
    const HKey kb = create(b, HKEY_CLASSES_ROOT, ".mp3");
    ASSERT_EQ(b.setValue(kb, "", sz("Md.mp3")), ERROR_SUCCESS);

    Registry c(dir.file("reg.ini"));
    EXPECT_EQ(c.keys(), QStringList({"HKEY_CLASSES_ROOT\\.mdu", "HKEY_CLASSES_ROOT\\.mp3"}));
}

TEST(Registry, ADamagedFileIsKeptAsideBeforeItIsRewritten)
{
    testsupport::TestDir dir;
    const QByteArray damaged = "[HKEY_CLASSES_ROOT\\.mdu]\n@=\"MDU.file\"\ngarbage line\n[NOT_A_ROOT\\x]\n";
    dir.write("reg.ini", damaged);
    Registry r(dir.file("reg.ini"));
    EXPECT_FALSE(r.loadError().isEmpty());
    EXPECT_TRUE(r.loadError().contains("3, 4")) << r.loadError().toStdString();
    HKey k = 0;
    ASSERT_EQ(r.openKey(HKEY_CLASSES_ROOT, ".mdu", &k), ERROR_SUCCESS);
    RegValue v;
    ASSERT_EQ(r.queryValue(k, "", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.text, "MDU.file");
    ASSERT_EQ(r.setValue(k, "x", dword(1)), ERROR_SUCCESS);
    EXPECT_EQ(dir.read("reg.ini.bad"), damaged);
    Registry again(dir.file("reg.ini"));
    EXPECT_TRUE(again.loadError().isEmpty()) << again.loadError().toStdString();
}

TEST(Registry, AWriteThatCannotBeSavedIsUndoneAndReported)
{
    testsupport::TestDir dir;
    dir.write("blocker", "a file where the store's folder should be");
    Registry r(dir.file("blocker/reg.ini"));
    HKey k = 0;
    EXPECT_EQ(r.createKey(HKEY_CLASSES_ROOT, ".mdu", &k), ERROR_ACCESS_DENIED);
    EXPECT_EQ(r.setValue(HKEY_CLASSES_ROOT, "", sz("x")), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(r.keys().isEmpty());
    RegValue v;
    EXPECT_EQ(r.queryValue(HKEY_CLASSES_ROOT, "", &v), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, AValueSetAgainUnchangedLeavesTheFileAlone)
{
    testsupport::TestDir dir;
    Registry r(dir.file("reg.ini"));
    const HKey k = create(r, HKEY_CLASSES_ROOT, "MDU.file");
    ASSERT_EQ(r.setValue(k, "", sz("MDU File")), ERROR_SUCCESS);
    ASSERT_EQ(r.setValue(k, "n", dword(7)), ERROR_SUCCESS);
    // Every save replaces the file, which leaves a second name for the old
    // one on its own.
    const QByteArray file = QFile::encodeName(dir.file("reg.ini"));
    const auto rewritten = [&] {
        struct stat st {};
        const bool replaced = ::stat(file.constData(), &st) != 0 || st.st_nlink != 2;
        ::unlink((file + ".old").constData());
        EXPECT_EQ(::link(file.constData(), (file + ".old").constData()), 0);
        return replaced;
    };
    rewritten();
    EXPECT_EQ(r.setValue(k, "", sz("MDU File")), ERROR_SUCCESS);
    EXPECT_EQ(r.setValue(k, "N", dword(7)), ERROR_SUCCESS);
    EXPECT_FALSE(rewritten());
    // Another text, or the same text as another type, is a change.
    for (const RegValue& v : {sz("MDU file"), dword(0)}) {
        EXPECT_EQ(r.setValue(k, "", v), ERROR_SUCCESS);
        EXPECT_TRUE(rewritten());
    }
    r.closeKey(k);
}

TEST(Registry, TheDefaultFileCanBeNamedByTheEnvironment)
{
    qputenv("MELODUNE_REGISTRY_FILE", "/tmp/x/registry.ini");
    EXPECT_EQ(Registry::defaultFilePath(), "/tmp/x/registry.ini");
    qunsetenv("MELODUNE_REGISTRY_FILE");
    EXPECT_TRUE(Registry::defaultFilePath().endsWith("/melodune/registry.ini"));
}
