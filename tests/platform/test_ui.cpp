#include "platform/ui.h"
#include "platform/qttranslation.h"
#include "tests/support/testdir.h"
#include "tests/support/onmodal.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

using namespace rt;

using testsupport::OnModal;

namespace {

TEST(Ui, DefaultAnswers)
{
    const std::pair<int, int> cases[] = {
        {OkOnly, Ok}, {OkOnly | Critical, Ok}, {Exclamation, Ok}, {OkCancel | Question, Cancel},
        {YesNo | Question | DefaultButton2, No}, {YesNoCancel, Cancel}, {RetryCancel, Cancel},
        {AbortRetryIgnore, Abort},
    };
    for (const auto& [style, answer] : cases)
        EXPECT_EQ(defaultMsgAnswer(style), answer) << style;
}

TEST(Ui, NameFilters)
{
    EXPECT_EQ(qtNameFilters(QString::fromUtf8("音乐文件(*.mp3;*.wma)|*.mp3;*.wma|所有文件|*.*")),
              QStringList({QString::fromUtf8("音乐文件(*.mp3;*.wma) (*.mp3 *.wma)"), QString::fromUtf8("所有文件 (*.*)")}));
    EXPECT_EQ(qtNameFilters("Lyrics|*.lrc"), QStringList({"Lyrics (*.lrc)"}));
    EXPECT_EQ(qtNameFilters(""), QStringList());
    EXPECT_EQ(qtNameFilters("dangling"), QStringList());
}

TEST(Ui, ScriptedRecordsAndAnswers)
{
    setAppTitle("Melodune");
    ScriptedUi s;
    ScopedUi scoped(&s);
    s.msgAnswers = {Yes};
    s.inputAnswers = {QString("typed"), std::nullopt};
    s.saveAnswers = {{{"/tmp/a.lrc"}, 2}};

    EXPECT_EQ(ui().msgBox("drop it?", YesNo | DefaultButton2), Yes);
    EXPECT_EQ(ui().msgBox("again?", YesNo), No); // queue used up
    EXPECT_EQ(ui().msgBox("note", OkOnly, "Own title"), Ok);
    EXPECT_EQ(ui().inputBox("name?"), std::optional<QString>("typed"));
    EXPECT_EQ(ui().inputBox("name?"), std::nullopt);
    EXPECT_EQ(ui().inputBox("name?"), std::nullopt);
    const FileDialogResult saved = ui().saveFile({"Save", "Lyrics|*.lrc|All|*.*", 1, {}, {}, false, false, "lrc"});
    EXPECT_EQ(saved.files, QStringList({"/tmp/a.lrc"}));
    EXPECT_EQ(saved.filterIndex, 2);
    EXPECT_TRUE(ui().openFile({"Open", {}, 1, {}, {}, true, false, {}}).files.isEmpty());

    ASSERT_EQ(s.calls.size(), 8u);
    EXPECT_EQ(s.calls[0].kind, "msg");
    EXPECT_EQ(s.calls[0].style, YesNo | DefaultButton2);
    EXPECT_EQ(s.calls[0].title, "Melodune");
    EXPECT_EQ(s.calls[2].title, "Own title");
    EXPECT_EQ(s.calls[3].kind, "input");
    EXPECT_EQ(s.calls[6].kind, "save");
    EXPECT_EQ(s.calls[7].kind, "open");
    EXPECT_EQ(s.messages(), QStringList({"drop it?", "again?", "note"}));
    // The dialog requests are kept whole.
    ASSERT_EQ(s.dialogs.size(), 2u);
    EXPECT_EQ(s.dialogs[0].filter, "Lyrics|*.lrc|All|*.*");
    EXPECT_EQ(s.dialogs[0].defaultSuffix, "lrc");
    EXPECT_TRUE(s.dialogs[1].multiSelect);
}

TEST(Ui, QtServiceDoesNotBlockWithoutADisplay)
{
    QtUi qt; // the offscreen platform: nothing is shown
    EXPECT_EQ(qt.msgBox("x", YesNo, {}), No);
    EXPECT_EQ(qt.inputBox("x", {}, {}), std::nullopt);
    EXPECT_TRUE(qt.saveFile({}).files.isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Ui, QtMessageBox)
{
    setAppTitle("Melodune");
    struct Case {
        int style;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::Icon icon;
        int defaultIndex;
        int clickIndex; // -1: press Escape
        int result;
    };
    using B = QMessageBox;
    const Case cases[] = {
        {OkOnly, {B::Ok}, B::NoIcon, 0, 0, Ok},
        {OkOnly | Information, {B::Ok}, B::Information, 0, -1, Ok},
        {OkCancel | Exclamation, {B::Ok, B::Cancel}, B::Warning, 0, -1, Cancel},
        {YesNo | Question | DefaultButton2, {B::Yes, B::No}, B::Question, 1, 0, Yes},
        {YesNoCancel | Critical | DefaultButton3, {B::Yes, B::No, B::Cancel}, B::Critical, 2, 1, No},
        {AbortRetryIgnore | DefaultButton2, {B::Abort, B::Retry, B::Ignore}, B::NoIcon, 1, 2, Ignore},
        {RetryCancel, {B::Retry, B::Cancel}, B::NoIcon, 0, 0, Retry},
    };
    QtUi qt(false);
    for (const Case& c : cases) {
        QString title;
        OnModal on([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            QList<QMessageBox::StandardButton> buttons;
            for (QAbstractButton* b : box->buttons())
                buttons << box->standardButton(b);
            std::sort(buttons.begin(), buttons.end());
            auto expected = c.buttons;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(buttons, expected) << c.style;
            EXPECT_EQ(box->icon(), c.icon) << c.style;
            EXPECT_EQ(box->defaultButton(), box->button(c.buttons[c.defaultIndex])) << c.style;
            if (c.clickIndex < 0) {
                if (box->escapeButton())
                    box->escapeButton()->click();
                else
                    box->reject();
            } else {
                box->button(c.buttons[c.clickIndex])->click();
            }
        });
        EXPECT_EQ(qt.msgBox("text", c.style, {}), c.result) << c.style;
        EXPECT_TRUE(on.ran());
        EXPECT_EQ(title, "Melodune");
    }
}

TEST(Ui, QtInputBox)
{
    QtUi qt(false);
    {
        OnModal on([](QWidget* w) {
            auto* dlg = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->windowTitle(), "Offset");
            EXPECT_EQ(dlg->textValue(), "50");
            dlg->setTextValue("100");
            dlg->accept();
        });
        EXPECT_EQ(qt.inputBox("ms?", "Offset", "50"), std::optional<QString>("100"));
    }
    {
        OnModal on([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        EXPECT_EQ(qt.inputBox("ms?", "Offset", "50"), std::nullopt);
    }
}

// Boxes given a 4 KB path or a megabyte of text stay on the screen (their
// frame within its available area), with the path's start and file name in
// sight; names are shown as written, never as markup.
TEST(Ui, QtBoxesStayOnTheScreen)
{
    QString path = QStringLiteral("/home/user");
    while (path.size() < 4096)
        path += QStringLiteral("/folder%1").arg(path.size());
    path += QStringLiteral("/final-take.mp3");
    QString words;
    while (words.size() < 1000 * 1000)
        words += QStringLiteral("notice ");
    const QString pathMessage = QStringLiteral("歌词文件“") + path + QStringLiteral("”保存失败。\r\nNo space left on device");

    struct Seen {
        QRect frame, screen;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
    };
    auto watch = [](Seen& seen) {
        return [&seen](QWidget* w) {
            seen.frame = w->frameGeometry();
            seen.screen = w->screen()->availableGeometry();
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                seen.text = box->text();
                seen.format = box->textFormat();
            } else if (auto* dlg = qobject_cast<QInputDialog*>(w)) {
                seen.text = dlg->labelText();
                if (auto* label = dlg->findChild<QLabel*>())
                    seen.format = label->textFormat();
            }
            qobject_cast<QDialog*>(w)->reject();
        };
    };
    QtUi qt(false);
    const struct {
        const char* name;
        bool input;
        QString text;
        QStringList shown; // parts the box shows
    } cases[] = {
        {"path", false, pathMessage, {"歌词文件“/home/user/", "final-take.mp3”保存失败。", "No space left on device"}},
        {"words", false, "[" + words + "]", {"[notice notice"}},
        {"markup", false, "<b>“a.mp3”</b>", {"<b>“a.mp3”</b>"}},
        {"input", true, QStringLiteral("可以在下面文本框中输入曲目【") + path + QStringLiteral("】的标题或其他说明。"),
         {"【/home/user/", "final-take.mp3】的标题"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Seen seen;
        OnModal on(watch(seen));
        if (c.input)
            qt.inputBox(c.text, {}, {});
        else
            qt.msgBox(c.text, OkOnly | Exclamation, {});
        ASSERT_TRUE(on.ran());
        EXPECT_TRUE(seen.screen.contains(seen.frame)) << seen.frame.width() << "x" << seen.frame.height() << " on "
                                                      << seen.screen.width() << "x" << seen.screen.height();
        for (const QString& part : c.shown)
            EXPECT_TRUE(seen.text.contains(part)) << qPrintable(part);
        EXPECT_EQ(seen.format, Qt::PlainText) << qPrintable(seen.text);
    }
}

// Typed as a user would: selectFile() depends on the folder model having
// loaded, which makes it racy in a test.
void typeFileName(QFileDialog* dlg, const QString& name)
{
    auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

TEST(Ui, QtFileDialogs)
{
    testsupport::TestDir dir;
    dir.write("old.lrc", "x");
    QtUi qt(false);
    {
        // Saving under a new name: no demand that the file exist.
        OnModal on([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dlg->nameFilters(), QStringList({"Lyrics (*.lrc)", "All (*.*)"}));
            EXPECT_TRUE(dlg->selectedNameFilter().startsWith("All"));
            EXPECT_TRUE(dlg->testOption(QFileDialog::DontConfirmOverwrite));
            dlg->selectNameFilter("Lyrics (*.lrc)");
            typeFileName(dlg, "new.lrc");
            static_cast<QDialog*>(dlg)->accept(); // QFileDialog's own is protected
        });
        const FileDialogResult r = qt.saveFile({"Save", "Lyrics|*.lrc|All|*.*", 2, dir.path(), {}, false, false, {}});
        EXPECT_EQ(r.files, QStringList({dir.file("new.lrc")}));
        EXPECT_EQ(r.filterIndex, 1);
    }
    {
        OnModal on([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_FALSE(dlg->testOption(QFileDialog::DontConfirmOverwrite));
            dlg->reject();
        });
        EXPECT_TRUE(qt.saveFile({"Save", "Lyrics|*.lrc", 1, dir.path(), "old.lrc", false, true, {}}).files.isEmpty());
    }
    // The default suffix goes only to a name typed without one.
    for (const auto& [typed, saved] : {std::pair{"plain", "plain.lrc"}, std::pair{"own.txt", "own.txt"}}) {
        SCOPED_TRACE(typed);
        OnModal on([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->defaultSuffix(), "lrc");
            typeFileName(dlg, typed);
            static_cast<QDialog*>(dlg)->accept();
        });
        const FileDialogResult r = qt.saveFile({"Save", "Lyrics|*.lrc", 1, dir.path(), {}, false, false, "lrc"});
        EXPECT_EQ(r.files, QStringList({dir.file(saved)}));
    }
    {
        OnModal on([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->acceptMode(), QFileDialog::AcceptOpen);
            EXPECT_EQ(dlg->fileMode(), QFileDialog::ExistingFiles);
            typeFileName(dlg, "old.lrc");
            static_cast<QDialog*>(dlg)->accept();
        });
        const FileDialogResult r = qt.openFile({"Open", "Lyrics|*.lrc", 1, dir.path(), {}, true, false, {}});
        EXPECT_EQ(r.files, QStringList({dir.file("old.lrc")}));
    }
}

bool hasChinese(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

// Qt's own parts of the dialogs come from Qt's Chinese translation: the
// standard buttons and what the program does not name itself in its save
// dialog, the columns of the file list.
TEST(Ui, QtDialogsSpeakChinese)
{
    const QtChineseTranslation translation = installQtChineseTranslation();
    ASSERT_NE(translation.qt, nullptr);

    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save |
                         QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Close);
    for (QAbstractButton* b : box.buttons())
        EXPECT_TRUE(hasChinese(b->text())) << qPrintable(b->text());

    testsupport::TestDir dir;
    QStringList columns;
    OnModal on([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        if (auto* view = dlg->findChild<QTreeView*>()) {
            const QAbstractItemModel* model = view->model();
            for (int i = 0; i < model->columnCount(); ++i)
                columns << model->headerData(i, Qt::Horizontal).toString();
        }
        dlg->reject();
    });
    QtUi qt(false);
    EXPECT_TRUE(qt.saveFile({"导出播放列表", "List|*.mdu", 1, dir.path(), {}, false, true, "mdu"}).files.isEmpty());
    EXPECT_TRUE(on.ran());
    EXPECT_EQ(columns.size(), 4); // name, size, type, date
    for (const QString& c : columns)
        EXPECT_TRUE(hasChinese(c)) << qPrintable(c);

    removeQtChineseTranslation(translation);
}

// The file list of the program's open dialog, walked cell by cell once the
// folder is listed: the type column names folders and files in Chinese (a
// file by its suffix), sizes and dates are in the Chinese form whatever the
// system's locale, and at its opening size no header or cell is cut short.
TEST(Ui, TheFileListReadsInChineseWithNothingCut)
{
    const QtChineseTranslation translation = installQtChineseTranslation();
    testsupport::TestDir dir;
    dir.write("歌曲/a.mp3", "x");
    dir.write("song.mp3", QByteArray(449, 'x'));
    dir.write("notes.txt", "plain text");
    dir.write("README", "");
    dir.write("一首名字相当长的歌曲 - 演唱者 (现场版).mp3", QByteArray(300000, 'x'));
    const int rows = 5;

    QStringList problems;
    OnModal on([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        auto* view = dlg ? dlg->findChild<QTreeView*>(QStringLiteral("treeView")) : nullptr;
        if (!view) {
            problems << QStringLiteral("no file list");
            if (dlg)
                dlg->reject();
            return;
        }
        const QHeaderView* header = view->header();
        auto walk = [&] {
            QStringList found;
            const QAbstractItemModel* model = view->model();
            const QModelIndex root = view->rootIndex();
            if (model->rowCount(root) != rows)
                return QStringList{QStringLiteral("%1 rows").arg(model->rowCount(root))};
            if (header->length() > view->viewport()->width())
                found << QStringLiteral("columns %1 wider than the list %2").arg(header->length()).arg(view->viewport()->width());
            for (int c = 0; c < 4; ++c)
                if (header->sectionSizeHint(c) > header->sectionSize(c))
                    found << QStringLiteral("header %1 cut").arg(model->headerData(c, Qt::Horizontal).toString());
            static const QRegularExpression date(QStringLiteral("^\\d{4}/\\d{1,2}/\\d{1,2} \\d{1,2}:\\d{2}$"));
            static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
            for (int r = 0; r < rows; ++r) {
                const QString name = model->index(r, 0, root).data().toString();
                for (int c = 0; c < 4; ++c) {
                    const QModelIndex i = model->index(r, c, root);
                    const QString text = i.data().toString();
                    if (view->sizeHintForIndex(i).width() > view->columnWidth(c))
                        found << QStringLiteral("cell cut: ") + text;
                    if (c == 2 && (!hasChinese(text) || QString(text).remove(QFileInfo(name).suffix().toUpper()).contains(latin)))
                        found << name + QStringLiteral(" of type ") + text;
                    if (c == 3 && !date.match(text).hasMatch())
                        found << QStringLiteral("date ") + text;
                }
                const QString size = model->index(r, 1, root).data().toString();
                if (name == QLatin1String("song.mp3") && size != QStringLiteral("449 字节"))
                    found << QStringLiteral("size ") + size;
            }
            return found;
        };
        // What is still missing then is told below.
        static_cast<void>(QTest::qWaitFor([&] { return walk().isEmpty(); }, 5000));
        problems = walk();
        dlg->reject();
    });
    QtUi qt(false);
    EXPECT_TRUE(qt.openFile({"打开", "所有文件|*", 1, dir.path(), {}, false, false, {}}).files.isEmpty());
    EXPECT_TRUE(on.ran());
    EXPECT_TRUE(problems.isEmpty()) << qPrintable(problems.join(QStringLiteral("; ")));
    removeQtChineseTranslation(translation);
}

} // namespace
