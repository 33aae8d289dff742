#include "dialogs/module2.h"

#include "tests/support/testdir.h"

#include <gtest/gtest.h>

using namespace melodune;
using Module2::RegData;

namespace {

struct TempStore {
    testsupport::TestDir dir;
    rt::Registry store{dir.file("registry.ini")};
    rt::ScopedRegistry scope{&store};
};

std::optional<RegData> text(const char* s) { return RegData(QString::fromUtf8(s)); }

} // namespace

TEST(Module2, StartUpRegistrationTableIsStoredExactlyAndSurvivesAReload)
{
    TempStore t;
    const QString dataDir = "/opt/melodune";
    const QString systemDir = "/usr/bin";
    const QString q = "\"";
    struct Row { QString key, value; };
    const Row rows[] = {
        {".mdu", "MDU.file"},
        {"MDU.file", "MDU File"},
        {"MDU.file\\DefaultIcon", dataDir + "/res/mdu.ico,0"},
        {"MDU.file\\Shell\\Edit\\Command", systemDir + "/editor" + " " + "%1"},
        {"MDU.file\\Shell\\Open\\Command", q + dataDir + "/melodune" + q + " " + q + "%1" + q},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Module2::CreateNewKey(rt::HKEY_CLASSES_ROOT, r.key), r.key);
    for (const Row& r : rows) {
        const RegData back = Module2::SetKeyValue(rt::HKEY_CLASSES_ROOT, r.key, "", r.value, rt::REG_SZ);
        EXPECT_EQ(back, RegData(r.value));
    }
    // Every start writes the table again; nothing doubles up.
    for (const Row& r : rows) {
        Module2::CreateNewKey(rt::HKEY_CLASSES_ROOT, r.key);
        Module2::SetKeyValue(rt::HKEY_CLASSES_ROOT, r.key, "", r.value, rt::REG_SZ);
    }

    rt::Registry reloaded(t.store.filePath());
    rt::ScopedRegistry scope(&reloaded);
    for (const Row& r : rows)
        EXPECT_EQ(Module2::QueryValue(rt::HKEY_CLASSES_ROOT, r.key.toUpper(), ""), RegData(r.value)) << r.key.toStdString();
    EXPECT_EQ(reloaded.keys().size(), 8); // the five keys and the parents Shell, Shell\Edit, Shell\Open
}

TEST(Module2, SetKeyValueWritesOnlyIntoExistingKeys)
{
    TempStore t;
    EXPECT_EQ(Module2::SetKeyValue(rt::HKEY_CLASSES_ROOT, ".mp3", "", QString("Md.mp3"), rt::REG_SZ),
              RegData(QString("Md.mp3")));
    EXPECT_EQ(Module2::QueryValue(rt::HKEY_CLASSES_ROOT, ".mp3", ""), std::nullopt);
    EXPECT_TRUE(t.store.keys().isEmpty());
}

TEST(Module2, TextAndNumberValuesKeepTheirType)
{
    TempStore t;
    Module2::CreateNewKey(rt::HKEY_CURRENT_USER, "Software\\Melodune");
    const QString key = "Software\\Melodune";
    struct Case { const char* name; RegData in; std::int32_t type; std::optional<RegData> out; };
    const Case cases[] = {
        {"sz", RegData(QString::fromUtf8("添加到 Melodune 列表(&A)")), rt::REG_SZ, text("添加到 Melodune 列表(&A)")},
        {"szFromNumber", RegData(std::int32_t(-12)), rt::REG_SZ, text("-12")},
        {"dword", RegData(std::int32_t(-1)), rt::REG_DWORD, RegData(std::int32_t(-1))},
        {"dwordFromText", RegData(QString(" 42 ")), rt::REG_DWORD, RegData(std::int32_t(42))},
        {"dwordFromWords", RegData(QString("abc")), rt::REG_DWORD, std::nullopt},
        {"otherType", RegData(QString("x")), 3, std::nullopt},
        {"emptyText", RegData(QString()), rt::REG_SZ, text("")},
    };
    for (const Case& c : cases) {
        Module2::SetKeyValue(rt::HKEY_CURRENT_USER, key, c.name, c.in, c.type);
        EXPECT_EQ(Module2::QueryValue(rt::HKEY_CURRENT_USER, key, c.name), c.out) << c.name;
    }
    // Empty text is a value; a missing value is none.
    EXPECT_NE(Module2::QueryValue(rt::HKEY_CURRENT_USER, key, "emptyText"), std::nullopt);
    EXPECT_EQ(Module2::QueryValue(rt::HKEY_CURRENT_USER, key, "missing"), std::nullopt);
    EXPECT_EQ(Module2::QueryValue(rt::HKEY_CURRENT_USER, "Software\\Missing", ""), std::nullopt);
    EXPECT_EQ(Module2::SetValueEx(rt::HKEY_CURRENT_USER, "x", 7, QString("y")), 0);
}

TEST(Module2, PaddedFixedTextsLoseOnlyTheirPadding)
{
    TempStore t;
    Module2::CreateNewKey(rt::HKEY_CLASSES_ROOT, "Md.mp3\\Shell\\PlayList");
    struct Case { const char* in; const char* stored; };
    const Case cases[] = {
        {"MP3 文件  ", "MP3 文件"},
        {"添加到 Melodune 列表(&A)     ", "添加到 Melodune 列表(&A)"},
        {"列表(&A)", "列表(&A)"},              // no padding: whole, not cut
        {"/音乐/歌 ", "/音乐/歌"},              // at most one blank per wide character
        {"文件     ", "文件   "},
        {"plain  ", "plain  "},                 // ASCII keeps its blanks
    };
    for (const Case& c : cases) {
        Module2::SetKeyValue(rt::HKEY_CLASSES_ROOT, "Md.mp3\\Shell\\PlayList", "", QString::fromUtf8(c.in), rt::REG_SZ);
        EXPECT_EQ(Module2::QueryValue(rt::HKEY_CLASSES_ROOT, "Md.mp3\\Shell\\PlayList", ""), text(c.stored)) << c.in;
    }
}

TEST(Module2, QueryValueExLeavesTheValueAloneOnFailure)
{
    TempStore t;
    std::optional<RegData> value = RegData(QString("before"));
    EXPECT_EQ(Module2::QueryValueEx(rt::HKEY_CLASSES_ROOT, "missing", value), rt::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, RegData(QString("before")));
    ASSERT_EQ(Module2::SetValueEx(rt::HKEY_CLASSES_ROOT, "n", rt::REG_DWORD, std::int32_t(9)), 0);
    EXPECT_EQ(Module2::QueryValueEx(rt::HKEY_CLASSES_ROOT, "n", value), 0);
    EXPECT_EQ(value, RegData(std::int32_t(9)));
}

TEST(Module2, ValueTextDropsNulsForComparison)
{
    EXPECT_EQ(Module2::valueText(std::nullopt), "");
    EXPECT_EQ(Module2::valueText(RegData(QString("Md.mp3") + QChar(0))), "Md.mp3");
    EXPECT_EQ(Module2::valueText(RegData(std::int32_t(5))), "5");
}
